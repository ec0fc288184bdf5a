// The job-ticket conversion: the property map becomes one document-level rule
// appended to the caller's container.
#include <cstdint>
#include <cstring>

#include "store/property_map.h"
#include "vantrel/kal_parser.h"

namespace {

// Sum of every "BookletPages" property the container holds (booklet rules
// made during the scan, and any the caller brought).
int64_t BookletPageTotal(const CRuleKalPropArrArray& rules) {
  int64_t total = 0;
  const int arrays = rules.GetSize();
  for (int i = 0; i < arrays; ++i) {
    CRuleKalPropArray array = rules.GetAt(i);
    for (int j = 0; j < array.GetSize(); ++j) {
      CKalProperty property = array.GetAt(j);
      if (std::strcmp(property.getPropertyName(), "BookletPages") == 0) {
        int value = 0;
        property.getValue(value);
        total += value;
      }
    }
  }
  return total;
}

}  // namespace

int CKalParser::GetDataFromParser(CRuleKalPropArrArray& rules) {
  const long total = static_cast<long>(BookletPageTotal(rules));

  CRule rule;
  rule.SetRuleLayer(RulesLayer_e::Document);
  rule.SetRuleType(2);
  CRuleKalPropArray document;
  document.SetRuleValue(rule);

  // Read the flag before any record is taken out of the map.
  int variable_booklets = 0;
  if (const CKalProperty* flag =
          vantrel::FindProperty("VariablePagesPerBooklet")) {
    flag->getValue(variable_booklets);
  }

  for (vantrel::PropertyMap::Entry& entry : vantrel::Properties().TakeAll()) {
    CKalProperty& record = *entry.second;
    if (entry.first == "NumPages") {
      long pages = 0;
      record.getValue(pages);
      if (pages != total && variable_booklets != 0) record.setValue(&total);
    }
    document.Add(record);
  }
  rules.Add(document);
  return 1;
}
