// The job-ticket conversion: the property map becomes one document-level rule
// appended to the caller's container.
#include <cstdint>
#include <cstring>

#include "handlers/parse_state.h"
#include "store/property_map.h"
#include "vantrel/kal_parser.h"

namespace {

// The booklet page total of the container: every "BookletPages" property
// (the form hosts bring), and the "PagesPerBooklet" property of every booklet
// rule (layer 2, the form the booklet handlers make). A "PagesPerBooklet" of
// any other rule, such as a document rule an earlier parse left in the
// container, gives the pages of every booklet and takes no part.
// `*found` tells whether the container holds any booklet page count at all.
int64_t BookletPageTotal(const CRuleKalPropArrArray& rules, bool* found) {
  int64_t total = 0;
  *found = false;
  const int arrays = rules.GetSize();
  for (int i = 0; i < arrays; ++i) {
    CRuleKalPropArray array = rules.GetAt(i);
    const bool booklet_rule =
        array.GetRuleValue().GetRuleLayer() == RulesLayer_e::Booklet;
    for (int j = 0; j < array.GetSize(); ++j) {
      CKalProperty property = array.GetAt(j);
      const char* name = property.getPropertyName();
      if (std::strcmp(name, "BookletPages") == 0 ||
          (booklet_rule && std::strcmp(name, "PagesPerBooklet") == 0)) {
        int value = 0;
        property.getValue(value);
        total += value;
        *found = true;
      }
    }
  }
  return total;
}

}  // namespace

int CKalParser::GetDataFromParser(CRuleKalPropArrArray& rules) {
  if (m_engine == nullptr) return 1;
  const vantrel::ParseTraceScope trace(m_engine);
  vantrel::PropertyMap& properties = vantrel::PropertiesOf(m_engine);
  bool have_booklet_pages = false;
  const long total =
      static_cast<long>(BookletPageTotal(rules, &have_booklet_pages));

  CRule rule;
  rule.SetRuleLayer(RulesLayer_e::Document);
  rule.SetRuleType(2);
  CRuleKalPropArray document;
  document.SetRuleValue(rule);

  // Read the flag before any record is taken out of the map.
  int variable_booklets = 0;
  if (const CKalProperty* flag =
          vantrel::FindProperty(properties, "VariablePagesPerBooklet")) {
    flag->getValue(variable_booklets);
  }

  for (vantrel::PropertyMap::Entry& entry : properties.TakeAll()) {
    CKalProperty& record = *entry.second;
    if (entry.first == "NumPages") {
      long pages = 0;
      record.getValue(pages);
      // Without any booklet page count there is nothing to reconcile with:
      // the page count the file states stands.
      if (have_booklet_pages && pages != total && variable_booklets != 0) {
        record.setValue(&total);
      }
    }
    document.Add(record);
  }
  rules.Add(document);
  // A property lost for want of memory: the rule is not the whole answer.
  if (properties.lost() && m_scanStatus == VANTREL_SCAN_OK) {
    m_scanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
  }
  return 1;
}
