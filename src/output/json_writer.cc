#include "output/json_writer.h"

#include <utility>

#include "output/escape.h"

namespace vantrel {

namespace {

std::string_view Text(const char* s) { return s != nullptr ? s : ""; }

std::string Json(std::string_view bytes) {
  return Escape(bytes, Source::kUtf8OrLatin1, Style::kJson);
}

}  // namespace

std::string JsonHead(std::string_view file, int status,
                     std::string_view detail) {
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

std::string PairsJson(std::string_view file, int status,
                      const _tPairProperty* pairs, int count,
                      std::string_view detail) {
  std::string line = JsonHead(file, status, detail) + ",\"pairs\":[";
  for (int i = 0; pairs != nullptr && i < count; ++i) {
    if (i > 0) line += ',';
    line += "{\"key\":\"" + Json(Text(pairs[i].propName)) +
            "\",\"type\":" + std::to_string(pairs[i].propType) +
            ",\"value\":\"" + Json(Text(pairs[i].propValue)) + "\"}";
  }
  return line + "]}";
}

RulesJsonWriter::RulesJsonWriter(std::string_view file, int status,
                                 std::string_view detail)
    : line_(JsonHead(file, status, detail) + ",\"rules\":[") {}

void RulesJsonWriter::Rule(int layer, int type, unsigned first, unsigned last,
                           unsigned booklet) {
  if (!first_rule_) line_ += "]},";
  first_rule_ = false;
  first_property_ = true;
  line_ += "{\"layer\":" + std::to_string(layer) +
           ",\"type\":" + std::to_string(type) +
           ",\"first\":" + std::to_string(first) +
           ",\"last\":" + std::to_string(last) +
           ",\"booklet\":" + std::to_string(booklet) + ",\"properties\":[";
}

void RulesJsonWriter::Property(std::string_view name, unsigned type, int id,
                               std::string_view value) {
  if (!first_property_) line_ += ',';
  first_property_ = false;
  line_ += "{\"name\":\"";
  line_ += Json(name);
  line_ += "\",\"type\":" + std::to_string(type) +
           ",\"id\":" + std::to_string(id) + ",\"value\":\"";
  line_ += Json(value);
  line_ += "\"}";
}

std::string RulesJsonWriter::Finish() {
  // Appended in place: a copy of a report of a million rules would hold it
  // twice.
  line_ += first_rule_ ? "]}" : "]}]}";
  return std::move(line_);
}

std::string RulesJson(std::string_view file, int status,
                      const CRuleKalPropArrArray& rules,
                      std::string_view detail) {
  RulesJsonWriter writer(file, status, detail);
  std::string value;
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRuleKalPropArray array = rules.GetAt(r);
    const CRule& rule = array.GetRuleValue();
    writer.Rule(rule.GetRuleLayer(), rule.GetRuleType(), rule.GetFirstPage(),
                rule.GetLastPage(), rule.GetBookletNumber());
    for (int p = 0; p < array.GetSize(); ++p) {
      const CKalProperty property = array.GetAt(p);
      VantrelPairValue(property, value);
      writer.Property(Text(property.getPropertyName()),
                      property.getPropertyType(), property.getPropertyID(),
                      value);
    }
  }
  return writer.Finish();
}

}  // namespace vantrel
