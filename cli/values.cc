#include "values.h"

#include <vantrel/vantrel.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "output/escape.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

std::string_view Text(const char* s) { return s != nullptr ? s : ""; }

std::string JsonString(std::string_view bytes,
                       Source source = Source::kLatin1) {
  return "\"" + Escape(bytes, source, Style::kJson) + "\"";
}

// True when `text` is a number as JSON writes one. The library writes its
// numbers with "%d" and "%f", which gives this form; a value read from a
// job as text ("03", " 2") may not.
bool IsJsonNumber(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  auto digits = [&]() {
    const size_t start = i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i;
    return i - start;
  };
  if (i < n && text[i] == '-') ++i;
  const size_t int_start = i;
  const size_t int_digits = digits();
  if (int_digits == 0 || (int_digits > 1 && text[int_start] == '0')) {
    return false;
  }
  if (i < n && text[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == n;
}

enum class Kind { kNumber, kBool, kText };

// Pairs and property records number their types differently from 7 on.
Kind KindOf(int type, bool pair) {
  switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
      return Kind::kNumber;
    case 5:
      return Kind::kBool;
    case 7:
      return pair ? Kind::kNumber : Kind::kText;
    case 8:
      return pair ? Kind::kText : Kind::kNumber;
    default:
      return Kind::kText;
  }
}

// A value as JSON. A number or flag in a form that cannot be read as one
// stays the text it is, so nothing of the job is lost.
std::string JsonValue(std::string_view value, int type, bool pair) {
  switch (KindOf(type, pair)) {
    case Kind::kNumber:
      if (IsJsonNumber(value)) return std::string(value);
      break;
    case Kind::kBool:
      if (IsJsonNumber(value) && value.find_first_of(".eE") == value.npos) {
        return value.find_first_not_of("-0") == value.npos ? "false" : "true";
      }
      break;
    case Kind::kText:
      break;
  }
  return JsonString(value);
}

// The members of one JSON object in order: its own fields first, then
// property values by name.
class JsonObject {
 public:
  // A field of the object itself; `json` is already JSON.
  void Field(const std::string& name, std::string json) {
    fields_.emplace_back(name, std::move(json));
    Reserve(name);
  }
  // A field written after the properties.
  void Tail(const std::string& name, std::string json) {
    tail_.emplace_back(name, std::move(json));
    Reserve(name);
  }
  // A name of the object's own, whether or not it is written.
  void Reserve(const std::string& name) { own_.insert(name); }
  // A property value; the first place of a name, the last value.
  void Property(std::string_view name, std::string json) {
    const std::string key(name);
    if (own_.count(key) != 0) {
      Put(clashing_, clashing_index_, key, std::move(json));
    } else {
      Put(properties_, property_index_, key, std::move(json));
    }
  }
  std::string Close() const {
    std::string line = "{";
    bool first = true;
    auto member = [&](const std::string& name, const std::string& json) {
      if (!first) line += ',';
      first = false;
      line += JsonString(name, Source::kLatin1) + ":" + json;
    };
    for (const auto& f : fields_) member(f.first, f.second);
    for (const auto& p : properties_) member(p.first, p.second);
    for (const auto& t : tail_) member(t.first, t.second);
    if (!clashing_.empty()) {
      std::string inner = "{";
      for (size_t i = 0; i < clashing_.size(); ++i) {
        if (i > 0) inner += ',';
        inner += JsonString(clashing_[i].first) + ":" + clashing_[i].second;
      }
      member("other_properties", inner + "}");
    }
    return line + "}";
  }

 private:
  using Members = std::vector<std::pair<std::string, std::string>>;
  static void Put(Members& members, std::map<std::string, size_t>& index,
                  const std::string& key, std::string json) {
    auto found = index.find(key);
    if (found != index.end()) {
      members[found->second].second = std::move(json);
      return;
    }
    index[key] = members.size();
    members.emplace_back(key, std::move(json));
  }

  Members fields_;
  Members tail_;
  std::set<std::string> own_;
  Members properties_;
  std::map<std::string, size_t> property_index_;
  Members clashing_;
  std::map<std::string, size_t> clashing_index_;
};

void Head(const vantrel_result* r, JsonObject& object) {
  object.Field("file",
               JsonString(Text(vantrel_result_name(r)), Source::kUtf8OrLatin1));
  const int status = vantrel_result_status(r);
  object.Field("scan", status == VANTREL_SCAN_OK ? "\"ok\"" : "\"failed\"");
  if (status != VANTREL_SCAN_OK) {
    object.Field("error", JsonString(VantrelScanStatusText(status)));
  }
  object.Reserve("error");
  object.Reserve("other_properties");
}

void AddRuleProperties(const vantrel_result* r, int rule, JsonObject& object) {
  vantrel_property_info property;
  for (int p = 0; vantrel_result_property(r, rule, p, &property) != 0; ++p) {
    object.Property(Text(property.name),
                    JsonValue(Text(property.value), property.type, false));
  }
}

std::string Array(const std::vector<std::string>& items) {
  std::string json = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) json += ',';
    json += items[i];
  }
  return json + "]";
}

// Looks `field` up among the report's values; answers null when absent.
const char* FindValue(Road road, const vantrel_result* r,
                      const std::string& field) {
  const char* found = nullptr;
  if (road == Road::kPairs) {
    vantrel_pair_info pair;
    for (int i = 0; vantrel_result_pair(r, i, &pair) != 0; ++i) {
      if (field == Text(pair.key)) found = pair.value;
    }
    return found;
  }
  vantrel_rule_info rule;
  for (int i = 0; vantrel_result_rule(r, i, &rule) != 0; ++i) {
    if (rule.layer != RulesLayer_e::Document) continue;
    vantrel_property_info property;
    for (int p = 0; vantrel_result_property(r, i, p, &property) != 0; ++p) {
      if (field == Text(property.name)) found = property.value;
    }
  }
  return found;
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string cell = "\"";
  for (char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  return cell + "\"";
}

}  // namespace

std::string ValuesJson(Road road, const vantrel_result* r) {
  JsonObject top;
  Head(r, top);
  if (road == Road::kRules) {
    for (const char* name : {"page_rules", "booklet_rules", "other_rules"}) {
      top.Reserve(name);
    }
  }
  if (road == Road::kPairs) {
    vantrel_pair_info pair;
    for (int i = 0; vantrel_result_pair(r, i, &pair) != 0; ++i) {
      top.Property(Text(pair.key),
                   JsonValue(Text(pair.value), pair.type, true));
    }
    return top.Close();
  }
  std::vector<std::string> page_rules;
  std::vector<std::string> booklet_rules;
  std::vector<std::string> other_rules;
  vantrel_rule_info rule;
  for (int i = 0; vantrel_result_rule(r, i, &rule) != 0; ++i) {
    if (rule.layer == RulesLayer_e::Document) {
      AddRuleProperties(r, i, top);
      continue;
    }
    JsonObject object;
    object.Reserve("other_properties");
    object.Field("first", std::to_string(rule.first_page));
    object.Field("last", std::to_string(rule.last_page));
    if (rule.layer == RulesLayer_e::Booklet) {
      object.Field("booklet", std::to_string(rule.booklet));
    } else if (rule.layer != RulesLayer_e::PageRange) {
      object.Field("layer", std::to_string(rule.layer));
      object.Field("booklet", std::to_string(rule.booklet));
    }
    AddRuleProperties(r, i, object);
    (rule.layer == RulesLayer_e::PageRange ? page_rules
     : rule.layer == RulesLayer_e::Booklet ? booklet_rules
                                           : other_rules)
        .push_back(object.Close());
  }
  top.Tail("page_rules", Array(page_rules));
  top.Tail("booklet_rules", Array(booklet_rules));
  if (!other_rules.empty()) top.Tail("other_rules", Array(other_rules));
  return top.Close();
}

std::string CsvHeader(const std::vector<std::string>& fields) {
  std::string row = "file,scan";
  for (const std::string& field : fields) row += "," + CsvCell(field);
  return row + "\n";
}

std::string CsvRow(Road road, const std::string& file, const vantrel_result* r,
                   const std::vector<std::string>& fields) {
  std::string row =
      CsvCell(Escape(file, Source::kUtf8OrLatin1, Style::kDisplay)) + "," +
      (vantrel_result_status(r) == VANTREL_SCAN_OK ? "ok" : "failed");
  for (const std::string& field : fields) {
    const char* value = FindValue(road, r, field);
    row += ',';
    if (value != nullptr) {
      row += CsvCell(Escape(value, Source::kLatin1, Style::kDisplay));
    }
  }
  return row + "\n";
}

bool ParseCsvFields(const std::string& text, std::vector<std::string>* fields) {
  fields->clear();
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string field = text.substr(
        start, comma == std::string::npos ? std::string::npos : comma - start);
    if (field.empty()) return false;
    fields->push_back(field);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

}  // namespace vantrel_cli
