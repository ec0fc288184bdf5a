#include "commands.h"

#include <vantrel/vantrel.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "escape.h"

namespace vantrel_cli {

namespace {

// Display names of the type codes. Pairs and property records number their
// types differently from 7 on (a pair's 16-bit integer is 7, a record's 8).
struct TypeName {
  unsigned code;
  const char* pair_name;
  const char* property_name;
};
const TypeName kTypeNames[] = {
    {0, nullptr, "none"},    {1, "int", "int"},     {2, "long", "long"},
    {3, "double", "double"}, {4, "float", "float"}, {5, "bool", "bool"},
    {6, "text", "text"},     {7, "short", nullptr}, {8, nullptr, "short"},
};

std::string TypeDisplayName(unsigned code, bool pair) {
  for (const TypeName& t : kTypeNames) {
    const char* name = pair ? t.pair_name : t.property_name;
    if (t.code == code && name != nullptr) return name;
  }
  return "type " + std::to_string(code);
}

std::string LayerDisplayName(int layer) {
  switch (layer) {
    case RulesLayer_e::Document:
      return "document";
    case RulesLayer_e::Booklet:
      return "booklet";
    case RulesLayer_e::PageRange:
      return "page range";
    default:
      return "layer " + std::to_string(layer);
  }
}

std::string_view Text(const char* s) { return s != nullptr ? s : ""; }

std::string Json(std::string_view bytes) {
  return Escape(bytes, Source::kLatin1, Style::kJson);
}
std::string Display(std::string_view bytes) {
  return Escape(bytes, Source::kLatin1, Style::kDisplay);
}

// Characters, not bytes, so that columns line up after Latin-1 letters.
size_t DisplayWidth(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(
      utf8.begin(), utf8.end(),
      [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

// One line of a readable listing: the value goes last, as the one column
// of unbounded width.
struct Row {
  std::vector<std::string> cells;
};

// Writes rows [begin, end) of `rows`, every column but the last padded to
// its widest cell in all of `rows`.
void WriteRows(const std::vector<Row>& rows, size_t begin, size_t end,
               const char* indent, std::ostream& out) {
  std::vector<size_t> widths;
  for (const Row& row : rows) {
    if (widths.size() < row.cells.size()) widths.resize(row.cells.size());
    for (size_t c = 0; c < row.cells.size(); ++c) {
      widths[c] = std::max(widths[c], DisplayWidth(row.cells[c]));
    }
  }
  for (size_t r = begin; r < end; ++r) {
    const Row& row = rows[r];
    std::string line = indent;
    for (size_t c = 0; c < row.cells.size(); ++c) {
      // No padding in front of an empty last cell: no trailing blanks.
      if (c > 0 && !(c + 1 == row.cells.size() && row.cells[c].empty())) {
        line.append(widths[c - 1] - DisplayWidth(row.cells[c - 1]) + 2, ' ');
      }
      line += row.cells[c];
    }
    out << line << '\n';
  }
}

// The outcome of one file's scan.
struct Scan {
  bool ok;
  const char* reason;  // VantrelScanStatusText; null when ok
};

// `answer` is what the parse call answered: anything but 1 means that it did
// not scan, and the object's status would still be the previous file's.
Scan ScanOutcome(int answer, int status) {
  if (answer != 1) status = VANTREL_SCAN_NOT_RUN;
  if (status == VANTREL_SCAN_OK) return {true, nullptr};
  return {false, VantrelScanStatusText(status)};
}

std::string JsonHead(const std::string& file, const Scan& scan) {
  std::string line = "{\"file\":\"" +
                     Escape(file, Source::kUtf8OrLatin1, Style::kJson) +
                     "\",\"scan\":\"";
  line += scan.ok ? "ok\"" : "failed\"";
  if (!scan.ok) line += ",\"error\":\"" + Json(scan.reason) + "\"";
  return line;
}

void WriteTextHead(const std::string& file, const Scan& scan, bool first,
                   std::ostream& out) {
  if (!first) out << '\n';
  out << Escape(file, Source::kUtf8OrLatin1, Style::kDisplay) << ": ";
  if (scan.ok) {
    out << "ok\n";
  } else {
    out << "failed (" << scan.reason << ")\n";
  }
}

// The failure line goes out after the file's report has been flushed, so
// that a terminal showing both streams shows them in order.
void Finish(const std::string& file, const Scan& scan, std::ostream& out,
            std::ostream& err) {
  out.flush();
  if (!scan.ok) {
    err << "vantrel: " << Escape(file, Source::kUtf8OrLatin1, Style::kDisplay)
        << ": " << scan.reason << '\n';
  }
}

void WritePairs(const std::string& file, const Scan& scan,
                const _tPairProperty* pairs, int count, bool json, bool first,
                std::ostream& out) {
  if (json) {
    std::string line = JsonHead(file, scan) + ",\"pairs\":[";
    for (int i = 0; i < count; ++i) {
      if (i > 0) line += ',';
      line += "{\"key\":\"" + Json(Text(pairs[i].propName)) +
              "\",\"type\":" + std::to_string(pairs[i].propType) +
              ",\"value\":\"" + Json(Text(pairs[i].propValue)) + "\"}";
    }
    out << line << "]}\n";
    return;
  }
  WriteTextHead(file, scan, first, out);
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i) {
    rows.push_back(
        {{Display(Text(pairs[i].propName)),
          TypeDisplayName(static_cast<unsigned>(pairs[i].propType), true),
          Display(Text(pairs[i].propValue))}});
  }
  if (rows.empty()) out << "  (no pairs)\n";
  WriteRows(rows, 0, rows.size(), "  ", out);
}

void WriteRules(const std::string& file, const Scan& scan,
                const CRuleKalPropArrArray& rules, bool json, bool first,
                std::ostream& out) {
  std::string value;
  if (json) {
    std::string line = JsonHead(file, scan) + ",\"rules\":[";
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
    out << line << "]}\n";
    return;
  }

  WriteTextHead(file, scan, first, out);
  if (rules.GetSize() == 0) out << "  (no rules)\n";
  // The properties of all rules go into one table, so that their columns
  // line up across the rules; a rule's header row is written in between.
  std::vector<Row> rows;
  std::vector<size_t> starts;
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRuleKalPropArray array = rules.GetAt(r);
    starts.push_back(rows.size());
    for (int p = 0; p < array.GetSize(); ++p) {
      const CKalProperty property = array.GetAt(p);
      VantrelPairValue(property, value);
      rows.push_back(
          {{Display(property.getPropertyName()),
            TypeDisplayName(property.getPropertyType(), false),
            "id " + std::to_string(property.getPropertyID()), Display(value)}});
    }
  }
  starts.push_back(rows.size());
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRule rule = rules.GetAt(r).GetRuleValue();
    out << "  rule " << (r + 1) << ": " << LayerDisplayName(rule.GetRuleLayer())
        << ", type " << rule.GetRuleType() << ", pages " << rule.GetFirstPage()
        << '-' << rule.GetLastPage() << ", booklet " << rule.GetBookletNumber()
        << '\n';
    if (starts[r] == starts[r + 1]) out << "    (no properties)\n";
    WriteRows(rows, starts[r], starts[r + 1], "    ", out);
  }
}

}  // namespace

std::string TypeCodeList(bool pair) {
  std::string list;
  for (const TypeName& t : kTypeNames) {
    const char* name = pair ? t.pair_name : t.property_name;
    if (name == nullptr) continue;
    if (!list.empty()) list += ", ";
    list += std::to_string(t.code) + " " + name;
  }
  return list;
}

int RunPairs(const Options& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<CRipBaseParserIF> parser(RipCreateParserObject());
  if (!parser) {
    err << "vantrel: cannot create the parser object\n";
    return 1;
  }
  int exit_status = 0;
  bool first = true;
  for (const std::string& file : options.files) {
    _tPairProperty* raw = nullptr;
    int count = 0;
    const int answer = parser->ParseToPairs(file.c_str(), raw, count,
                                            options.with_bounding_box,
                                            options.scan_mode, options.unit);
    std::unique_ptr<_tPairProperty[]> pairs(raw);
    if (raw == nullptr) count = 0;
    const Scan scan = ScanOutcome(answer, parser->GetLastScanStatus());
    if (!scan.ok) exit_status = 1;
    WritePairs(file, scan, pairs.get(), count, options.json, first, out);
    Finish(file, scan, out, err);
    first = false;
  }
  return exit_status;
}

int RunRules(const Options& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<CParserObjectIF> parser(CreateParserObject(0));
  if (!parser) {
    err << "vantrel: cannot create the parser object\n";
    return 1;
  }
  int exit_status = 0;
  bool first = true;
  for (const std::string& file : options.files) {
    CRuleKalPropArrArray rules;
    const int answer =
        parser->ParseToRules(file.c_str(), rules, options.skip_flags, 0);
    const Scan scan = ScanOutcome(answer, parser->GetLastScanStatus());
    if (!scan.ok) exit_status = 1;
    WriteRules(file, scan, rules, options.json, first, out);
    Finish(file, scan, out, err);
    first = false;
  }
  return exit_status;
}

}  // namespace vantrel_cli
