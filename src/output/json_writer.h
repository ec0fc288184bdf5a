// The one-line JSON report of one scan: what `vantrel ... --json` prints and
// vantrel_result_json() answers. One writer, so the two never differ.
#ifndef VANTREL_OUTPUT_JSON_WRITER_H_
#define VANTREL_OUTPUT_JSON_WRITER_H_

#include <string>
#include <string_view>

#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

namespace vantrel {

// `file` names the job (UTF-8 kept, other bytes read as Latin-1); `status` is
// the scan's VantrelScanStatus; values and keys are read as Latin-1. No line
// end. `pairs` may be null when `count` is 0.
//   {"file":"job.ps","scan":"ok","pairs":[{"key":..,"type":..,"value":..}]}
//   {"file":"-","scan":"failed","error":"no such file","rules":[...]}
std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count);
std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules);

// The rules report built a rule at a time, for a caller that holds the
// rules in its own form: Rule() opens a rule, Property() adds one to the
// rule opened last, Finish() hands the line over (the writer is then
// spent). RulesJson gives the same line for the same rules.
class RulesJsonWriter {
 public:
  RulesJsonWriter(std::string_view file, int status);
  // Room for `bytes` of report in one allocation (a hint: the line grows
  // past it as needed).
  void Reserve(size_t bytes) { line_.reserve(line_.size() + bytes); }
  void Rule(int layer, int type, unsigned first, unsigned last,
            unsigned booklet);
  void Property(std::string_view name, unsigned type, int id,
                std::string_view value);
  std::string Finish();

 private:
  std::string line_;
  bool first_rule_ = true;
  bool first_property_ = true;
};

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_JSON_WRITER_H_
