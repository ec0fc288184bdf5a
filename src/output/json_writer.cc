#include "output/json_writer.h"

#include "output/escape.h"

namespace vantrel {

namespace {

std::string_view Text(const char* s) { return s != nullptr ? s : ""; }

std::string Json(std::string_view bytes) {
  return Escape(bytes, Source::kUtf8OrLatin1, Style::kJson);
}

std::string Head(std::string_view file, int status, std::string_view detail) {
  std::string line = "{\"file\":\"" +
                     Escape(file, Source::kUtf8OrLatin1, Style::kJson) +
                     "\",\"scan\":\"";
  if (status == VANTREL_SCAN_OK) {
    line += "ok\"";
  } else {
    line += "failed\",\"error\":\"";
    line += Json(VantrelScanStatusText(status));
    line += '"';
    if (!detail.empty()) line += ",\"detail\":\"" + Json(detail) + '"';
  }
  return line;
}

}  // namespace

std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count,
                      std::string_view detail) {
  std::string line = Head(file, status, detail) + ",\"pairs\":[";
  for (int i = 0; pairs != nullptr && i < count; ++i) {
    if (i > 0) line += ',';
    line += "{\"key\":\"" + Json(Text(pairs[i].propName)) +
            "\",\"type\":" + std::to_string(pairs[i].propType) +
            ",\"value\":\"" + Json(Text(pairs[i].propValue)) + "\"}";
  }
  return line + "]}";
}

std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules,
                      std::string_view detail) {
  std::string line = Head(file, status, detail) + ",\"rules\":[";
  std::string value;
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRuleKalPropArray array = rules.GetAt(r);
    const CRule& rule = array.GetRuleValue();
    if (r > 0) line += ',';
    line += "{\"layer\":" + std::to_string(rule.GetRuleLayer()) +
            ",\"type\":" + std::to_string(rule.GetRuleType()) +
            ",\"first\":" + std::to_string(rule.GetFirstPage()) +
            ",\"last\":" + std::to_string(rule.GetLastPage()) +
            ",\"booklet\":" + std::to_string(rule.GetBookletNumber()) +
            ",\"properties\":[";
    for (int p = 0; p < array.GetSize(); ++p) {
      const CKalProperty property = array.GetAt(p);
      VantrelPairValue(property, value);
      if (p > 0) line += ',';
      line += "{\"name\":\"" + Json(property.getPropertyName()) +
              "\",\"type\":" + std::to_string(property.getPropertyType()) +
              ",\"id\":" + std::to_string(property.getPropertyID()) +
              ",\"value\":\"" + Json(value) + "\"}";
    }
    line += "]}";
  }
  return line + "]}";
}

}  // namespace vantrel
