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
// as Latin-1. No line end. `pairs` may be null when `count` is 0.
//   {"file":"job.ps","scan":"ok","pairs":[{"key":..,"type":..,"value":..}]}
//   {"file":"-","scan":"failed","error":"no such file","rules":[...]}
std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count);
std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_JSON_WRITER_H_
