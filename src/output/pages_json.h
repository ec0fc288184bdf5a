// The one-line JSON report of the pages road: what `vantrel pages --json`
// prints and vantrel_result_json() answers for a pages result.
#ifndef VANTREL_OUTPUT_PAGES_JSON_H_
#define VANTREL_OUTPUT_PAGES_JSON_H_

#include <string>
#include <string_view>

#include "output/page_report.h"

namespace vantrel {

// `file` names the job and `status` is the scan's VantrelScanStatus, as in
// the other roads' reports ("error" follows "scan" when it failed). Every key
// is written: values the job does not give are null, lists empty. Texts are
// read as Latin-1; numbers are JSON numbers (whole values without a
// fraction). No line end.
//   {"file":"job.ps","scan":"ok","pages":[{"label":"1","ordinal":1,...}],
//    "media":[...],"requirements":[...],"duplex":null,"collate":null,
//    "language_level":2,"for":null,"process_colors":[],
//    "resources":{"needed":[],"supplied":[]}}
std::string PagesJson(std::string_view file, int status,
                      const PageReport& report);

// A number as the report writes it: "595", "595.5", "-0.25".
std::string NumberText(double value);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_PAGES_JSON_H_
