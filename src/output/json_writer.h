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
// The head every road's JSON object starts with, without its closing "}":
//   {"file":"<file>","scan":"ok"
//   {"file":"<file>","scan":"failed","error":"<status text>"[,"detail":"..."]
// `detail` is written only for a failed scan, and only when not empty.
std::string JsonHead(std::string_view file, int status,
                     std::string_view detail = {});

std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count,
                      std::string_view detail = {});
std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules,
                      std::string_view detail = {});

// The rules report built a rule at a time, for a caller that holds the
// rules in its own form: Rule() opens a rule, Property() adds one to the
// rule opened last, Finish() hands the line over (the writer is then
// spent). RulesJson gives the same line for the same rules.
class RulesJsonWriter {
 public:
  // `detail`: as for RulesJson.
  RulesJsonWriter(std::string_view file, int status,
                  std::string_view detail = std::string_view());
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
