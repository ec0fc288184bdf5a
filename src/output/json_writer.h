// The one-line JSON report of one scan: what `vantrel ... --json` prints and
// vantrel_result_json() answers. One writer, so the two never differ.
#ifndef VANTREL_OUTPUT_JSON_WRITER_H_
#define VANTREL_OUTPUT_JSON_WRITER_H_

#include <string>
#include <string_view>

#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

namespace vantrel {

// `file` names the job; `status` is the scan's VantrelScanStatus. The file
// name, keys and values are written as they are when valid UTF-8, else read
// as Latin-1. A failed scan's `detail` (CKalParser::GetScanDetail), when
// not empty, follows its "error". No line end. `pairs` may be null when `count` is 0.
//   {"file":"job.ps","scan":"ok","pairs":[{"key":..,"type":..,"value":..}]}
//   {"file":"-","scan":"failed","error":"no such file","rules":[...]}
//   {"file":"j.ps","scan":"failed","error":"job-ticket data could not be
//    extracted","detail":"/out: No such file or directory","rules":[...]}
std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count,
                      std::string_view detail = {});
std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules,
                      std::string_view detail = {});

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_JSON_WRITER_H_
