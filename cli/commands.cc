#include "commands.h"

#include <vantrel/vantrel.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string_view>

#include "escape.h"
#include "parallel.h"

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

namespace {

// The DEX tickets of a job go to "<folder>/<base name>_<n>.dexxml", the first
// free n. Two files of one base name scanned at once would race for the
// numbers; each such file waits for the one before it, so every ticket gets
// the name a run of one file at a time gives it.
std::vector<size_t> DexNameOrder(const std::vector<std::string>& files) {
  const char* folder = std::getenv("KALOUTPUT");
  if (folder == nullptr || *folder == '\0') return {};
  std::vector<size_t> after(files.size(), files.size());
  std::map<std::string, size_t> last;
  for (size_t i = 0; i < files.size(); ++i) {
    const size_t slash = files[i].find_last_of("/\\");
    const std::string base =
        slash == std::string::npos ? files[i] : files[i].substr(slash + 1);
    auto found = last.find(base);
    if (found != last.end()) after[i] = found->second;
    last[base] = i;
  }
  return after;
}

// Writes one file's report, then its failure line: the report is flushed
// first, so that a terminal showing both streams shows them in order.
void Emit(const FileOutput& output, std::ostream& out, std::ostream& err) {
  out << output.out;
  out.flush();
  err << output.err;
}

std::string FailureLine(const std::string& file, const Scan& scan) {
  if (scan.ok) return std::string();
  return "vantrel: " + Escape(file, Source::kUtf8OrLatin1, Style::kDisplay) +
         ": " + scan.reason + "\n";
}

// Creates one parser object per thread that will scan; false after writing
// the failure when one cannot be made.
template <typename Parser, typename Create>
bool CreateParsers(const Options& options, Create create,
                   std::vector<std::unique_ptr<Parser>>& parsers,
                   std::ostream& err) {
  const size_t threads =
      std::max<size_t>(1, std::min<size_t>(options.jobs, options.files.size()));
  for (size_t i = 0; i < threads; ++i) {
    parsers.emplace_back(create());
    if (!parsers.back()) {
      err << "vantrel: cannot create the parser object\n";
      return false;
    }
  }
  return true;
}

// Runs `scan` over every file, `options.jobs` at a time, and writes the
// reports in the order of the files. Answers 0 when every scan ran, else 1.
template <typename ScanFile>
int RunFiles(const Options& options, const ScanFile& scan,
             const std::vector<size_t>& after, std::ostream& out,
             std::ostream& err) {
  int exit_status = 0;
  RunOrdered(
      options.files.size(), options.jobs,
      [&](unsigned worker, size_t index, FileOutput& output) {
        scan(worker, index, output);
      },
      [&](size_t, FileOutput& output) {
        if (output.failed) exit_status = 1;
        Emit(output, out, err);
      },
      after);
  return exit_status;
}

}  // namespace

int RunPairs(const Options& options, std::ostream& out, std::ostream& err) {
  std::vector<std::unique_ptr<CRipBaseParserIF>> parsers;
  if (!CreateParsers(options, RipCreateParserObject, parsers, err)) return 1;
  auto scan_file = [&](unsigned worker, size_t index, FileOutput& output) {
    const std::string& file = options.files[index];
    CRipBaseParserIF* parser = parsers[worker].get();
    _tPairProperty* raw = nullptr;
    int count = 0;
    const int answer = parser->ParseToPairs(file.c_str(), raw, count,
                                            options.with_bounding_box,
                                            options.scan_mode, options.unit);
    std::unique_ptr<_tPairProperty[]> pairs(raw);
    if (raw == nullptr) count = 0;
    const Scan scan = ScanOutcome(answer, parser->GetLastScanStatus());
    std::ostringstream text;
    WritePairs(file, scan, pairs.get(), count, options.json, index == 0, text);
    output.out = text.str();
    output.err = FailureLine(file, scan);
    output.failed = !scan.ok;
  };
  return RunFiles(options, scan_file, {}, out, err);
}

int RunRules(const Options& options, std::ostream& out, std::ostream& err) {
  std::vector<std::unique_ptr<CParserObjectIF>> parsers;
  if (!CreateParsers(
          options, [] { return CreateParserObject(0); }, parsers, err)) {
    return 1;
  }
  auto scan_file = [&](unsigned worker, size_t index, FileOutput& output) {
    const std::string& file = options.files[index];
    CParserObjectIF* parser = parsers[worker].get();
    CRuleKalPropArrArray rules;
    const int answer =
        parser->ParseToRules(file.c_str(), rules, options.skip_flags, 0);
    const Scan scan = ScanOutcome(answer, parser->GetLastScanStatus());
    std::ostringstream text;
    WriteRules(file, scan, rules, options.json, index == 0, text);
    output.out = text.str();
    output.err = FailureLine(file, scan);
    output.failed = !scan.ok;
  };
  return RunFiles(options, scan_file, DexNameOrder(options.files), out, err);
}

}  // namespace vantrel_cli
