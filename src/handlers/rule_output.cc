#include "handlers/rule_output.h"

namespace vantrel {
namespace {

constexpr int kScanRuleType = 2;

void Append(CRuleKalPropArrArray* rules, CRule& rule,
            const CKalProperty& property) {
  if (rules == nullptr) return;
  rule.SetRuleType(kScanRuleType);
  CRuleKalPropArray array;
  array.SetRuleValue(rule);
  array.Add(property);
  rules->Add(array);
}

}  // namespace

void AppendPageRangeRule(CRuleKalPropArrArray* rules, unsigned first,
                         unsigned last, const CKalProperty& property) {
  CRule rule;
  rule.SetRuleLayer(RulesLayer_e::PageRange);
  rule.SetRangeValues(first, last);
  Append(rules, rule, property);
}

void AppendBookletRule(CRuleKalPropArrArray* rules, unsigned booklet,
                       const CKalProperty& property) {
  CRule rule;
  rule.SetRuleLayer(RulesLayer_e::Booklet);
  rule.SetBookletNumber(booklet);
  Append(rules, rule, property);
}

}  // namespace vantrel
