#include "commands.h"

#include <vantrel/vantrel.h>
#include <vantrel/vantrel_c.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

#include "output/escape.h"
#include "parallel.h"
#include "check_command.h"
#include "pages_command.h"
#include "stdin_spool.h"
#include "values.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

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

// The C API hands out UTF-8 (a print file's text that is not valid UTF-8 was
// read as Latin-1 there).
std::string Display(std::string_view bytes,
                    Source source = Source::kUtf8OrLatin1) {
  return Escape(bytes, source, Style::kDisplay);
}

// The FILE that names standard input.
const char kStdinName[] = "-";

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

// The widest cell of each column in all of `rows`.
std::vector<size_t> ColumnWidths(const std::vector<Row>& rows) {
  std::vector<size_t> widths;
  for (const Row& row : rows) {
    if (widths.size() < row.cells.size()) widths.resize(row.cells.size());
    for (size_t c = 0; c < row.cells.size(); ++c) {
      widths[c] = std::max(widths[c], DisplayWidth(row.cells[c]));
    }
  }
  return widths;
}

// Writes rows [begin, end) of `rows`, every column but the last padded to
// `widths` (ColumnWidths of all of `rows`, measured once: a job of a
// million rules is written in one pass).
void WriteRows(const std::vector<Row>& rows, const std::vector<size_t>& widths,
               size_t begin, size_t end, const char* indent,
               std::ostream& out) {
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

// Owns one C API result.
struct ResultDeleter {
  void operator()(vantrel_result* r) const { vantrel_result_free(r); }
};
using Result = std::unique_ptr<vantrel_result, ResultDeleter>;

std::string TextHead(const std::string& file, const vantrel_result* r) {
  std::string head = Display(file, Source::kUtf8OrLatin1) + ": ";
  const int status = vantrel_result_status(r);
  if (status == VANTREL_SCAN_OK) return head + "ok\n";
  return head + "failed (" + VantrelScanStatusText(status) + ")\n";
}

// The reason a FILE failed: the status and, when the library says more
// (the DEX folder and why it could not be written), that too.
std::string FailureReason(const vantrel_result* r) {
  std::string reason = VantrelScanStatusText(vantrel_result_status(r));
  const char* detail = vantrel_result_detail(r);
  if (*detail != '\0') reason += std::string(": ") + Display(detail);
  return reason;
}

// The report of a FILE that was never scanned (its spool could not be made,
// or no memory was left for a result): in every output form one record, as
// for a failed scan, so that a reader of the output finds one per FILE.
std::string UnscannedReport(Road road, const Options& options,
                            const std::string& file,
                            const std::string& reason) {
  if (road == Road::kCheck) {
    // A job that could not be checked has no findings; its failure line
    // says why.
    if (!options.json) return std::string();
    return "{\"file\":\"" +
           vantrel::Escape(file, Source::kUtf8OrLatin1, Style::kJson) +
           "\",\"scan\":\"failed\",\"error\":\"" +
           vantrel::Escape(reason, Source::kUtf8OrLatin1, Style::kJson) +
           "\",\"errors\":0,\"warnings\":0,\"findings\":[]}\n";
  }
  const char* list = road == Road::kPairs   ? "pairs"
                     : road == Road::kRules ? "rules"
                                            : "pages";
  if (options.json) {
    // Every key the road's object has, as the library writes them for a
    // job with nothing to say.
    const char* rest =
        road == Road::kPages
            ? ",\"media\":[],\"requirements\":[],\"duplex\":null,"
              "\"collate\":null,\"language_level\":null,\"for\":null,"
              "\"process_colors\":[],\"resources\":{\"needed\":[],"
              "\"supplied\":[]}"
            : "";
    return "{\"file\":\"" +
           vantrel::Escape(file, Source::kUtf8OrLatin1, Style::kJson) +
           "\",\"scan\":\"failed\",\"error\":\"" +
           vantrel::Escape(reason, Source::kUtf8OrLatin1, Style::kJson) +
           "\",\"" + list + "\":[]" + rest + "}\n";
  }
  return Display(file, Source::kUtf8OrLatin1) + ": failed (" + Display(reason) +
         ")\n  (no " + list + ")\n";
}

std::string PairsText(const std::string& file, const vantrel_result* r) {
  std::ostringstream out;
  out << TextHead(file, r);
  std::vector<Row> rows;
  vantrel_pair_info pair;
  for (int i = 0; vantrel_result_pair(r, i, &pair) != 0; ++i) {
    rows.push_back({{Display(Text(pair.key)),
                     TypeDisplayName(static_cast<unsigned>(pair.type), true),
                     Display(Text(pair.value))}});
  }
  if (rows.empty()) out << "  (no pairs)\n";
  WriteRows(rows, ColumnWidths(rows), 0, rows.size(), "  ", out);
  return out.str();
}

std::string RulesText(const std::string& file, const vantrel_result* r) {
  std::ostringstream out;
  out << TextHead(file, r);
  const int rule_count = vantrel_result_rule_count(r);
  if (rule_count == 0) out << "  (no rules)\n";
  // The properties of all rules go into one table, so that their columns
  // line up across the rules; a rule's header row is written in between.
  std::vector<Row> rows;
  std::vector<size_t> starts;
  vantrel_property_info property;
  for (int i = 0; i < rule_count; ++i) {
    starts.push_back(rows.size());
    for (int p = 0; vantrel_result_property(r, i, p, &property) != 0; ++p) {
      rows.push_back({{Display(Text(property.name)),
                       TypeDisplayName(static_cast<unsigned>(property.type),
                                       false),
                       "id " + std::to_string(property.id),
                       Display(Text(property.value))}});
    }
  }
  starts.push_back(rows.size());
  const std::vector<size_t> widths = ColumnWidths(rows);
  vantrel_rule_info rule;
  for (int i = 0; vantrel_result_rule(r, i, &rule) != 0; ++i) {
    out << "  rule " << (i + 1) << ": " << LayerDisplayName(rule.layer)
        << ", type " << rule.type << ", pages " << rule.first_page << '-'
        << rule.last_page << ", booklet " << rule.booklet << '\n';
    const size_t at = static_cast<size_t>(i);
    if (starts[at] == starts[at + 1]) out << "    (no properties)\n";
    WriteRows(rows, widths, starts[at], starts[at + 1], "    ", out);
  }
  return out.str();
}

// Answers 0 when every scan ran, else 1.
// The DEX tickets of a job go to "<folder>/<base name>_<n>.dexxml", the first
// free n. Two files of one base name scanned at once would race for the
// numbers; each such file waits for the one before it, so every ticket gets
// the name a run of one file at a time gives it.
std::vector<size_t> DexNameOrder(Road road, const Options& options) {
  if (road != Road::kRules) return {};
  const char* folder = options.has_dex_dir ? options.dex_dir.c_str()
                                           : std::getenv("KALOUTPUT");
  if (folder == nullptr || *folder == '\0') return {};
  const std::vector<std::string>& files = options.files;
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

int RunRoad(Road road, const Options& options, std::ostream& out,
            std::ostream& err) {
  StdinSpool spool;
  std::string spool_error;
  bool spooled = false;
  if (std::find(options.files.begin(), options.files.end(), kStdinName) !=
      options.files.end()) {
    spooled = spool.Fill(0, spool_error);
  }
  // Every FILE "-" is scanned on the one spool, at once when -j allows:
  // the library reads a descriptor only at offsets, never moving it.
  int exit_status = 0;
  bool first = true;
  // Listings are set apart by a blank line; JSON, CSV and the checker's
  // compiler-style lines are one record a line.
  const bool one_line_each = options.json || !options.csv_fields.empty() ||
                             road == Road::kCheck;
  if (!options.csv_fields.empty()) out << CsvHeader(options.csv_fields);
  RunOrdered(
      options.files.size(), options.jobs,
      [&](unsigned /*worker*/, size_t index, FileOutput& output) {
        const std::string& file = options.files[index];
        if (file == kStdinName && !spooled) {
          output.out = UnscannedReport(road, options, file, spool_error);
          output.err = "vantrel: -: " + spool_error + "\n";
          output.failed = true;
          return;
        }
        FileReport report =
            ScanOne(road, options, file, file == kStdinName ? spool.fd() : -1);
        output.out = std::move(report.out);
        output.err = std::move(report.err);
        output.failed = report.failed;
      },
      [&](size_t, FileOutput& output) {
        if (output.failed) exit_status = 1;
        if (!output.out.empty()) {
          if (!one_line_each && !first) out << '\n';
          out << output.out;
          first = false;
        }
        // The failure line goes out after the file's report has been
        // flushed, so that a terminal showing both streams shows them in
        // order.
        out.flush();
        err << output.err;
      },
      DexNameOrder(road, options));
  return exit_status;
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

FileReport ScanOne(Road road, const Options& options, const std::string& file,
                   int fd) {
  if (road == Road::kCheck) return CheckOne(file, fd, options.json);
  // The name stands for the file in the report and in DEX output names.
  const char* name = file.c_str();
  const char* dex_dir = options.has_dex_dir ? options.dex_dir.c_str() : nullptr;
  Result result;
  switch (road) {
    case Road::kPairs:
      result.reset(fd >= 0 ? vantrel_pairs_fd(fd, name, options.scan_mode,
                                              options.unit,
                                              options.with_bounding_box)
                           : vantrel_pairs_file(name, options.scan_mode,
                                                options.unit,
                                                options.with_bounding_box));
      break;
    case Road::kRules:
      result.reset(fd >= 0
                       ? vantrel_rules_fd(fd, name, options.skip_flags, dex_dir)
                       : vantrel_rules_file(name, options.skip_flags, dex_dir));
      break;
    case Road::kPages:
      result.reset(fd >= 0 ? vantrel_pages_fd(fd, name)
                           : vantrel_pages_file(name));
      break;
    case Road::kCheck:  // answered above
      break;
  }
  FileReport report;
  const int status = vantrel_result_status(result.get());
  if (result == nullptr) {
    const std::string reason = VantrelScanStatusText(status);
    report.out = UnscannedReport(road, options, file, reason);
    report.err = "vantrel: " + Display(file, Source::kUtf8OrLatin1) + ": " +
                 reason + "\n";
    report.failed = true;
    return report;
  }
  if (!options.csv_fields.empty()) {
    report.out = CsvRow(road, file, result.get(), options.csv_fields);
  } else if (options.values) {
    report.out = ValuesJson(road, result.get()) + "\n";
  } else if (options.json) {
    // Sized once: the report of a job of a million rules is held once more
    // here, not twice.
    const char* json = vantrel_result_json(result.get());
    const size_t length = std::strlen(json);
    report.out.reserve(length + 1);
    report.out.assign(json, length);
    report.out += '\n';
  } else if (road == Road::kPairs) {
    report.out = PairsText(file, result.get());
  } else if (road == Road::kRules) {
    report.out = RulesText(file, result.get());
  } else {
    report.out = PagesText(file, result.get());
  }
  if (status != VANTREL_SCAN_OK) {
    report.failed = true;
    report.err = "vantrel: " + Display(file, Source::kUtf8OrLatin1) + ": " +
                 FailureReason(result.get()) + "\n";
  }
  return report;
}

int RunPairs(const Options& options, std::ostream& out, std::ostream& err) {
  return RunRoad(Road::kPairs, options, out, err);
}

int RunRules(const Options& options, std::ostream& out, std::ostream& err) {
  return RunRoad(Road::kRules, options, out, err);
}

int RunPages(const Options& options, std::ostream& out, std::ostream& err) {
  return RunRoad(Road::kPages, options, out, err);
}

int RunCheck(const Options& options, std::ostream& out, std::ostream& err) {
  return RunRoad(Road::kCheck, options, out, err);
}

}  // namespace vantrel_cli
