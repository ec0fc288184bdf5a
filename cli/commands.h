// The subcommands of the vantrel tool, each one a run of one library road
// over a list of files.
#ifndef VANTREL_CLI_COMMANDS_H_
#define VANTREL_CLI_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantrel_cli {

// Settings from the command line, already checked.
struct Options {
  bool json = false;
  int with_bounding_box = 1;  // pairs: 1 registers the bounding-box comments
  int scan_mode = 15;         // pairs: whole file
  char unit = 'M';            // pairs: 'M', 'I' or 'P'
  int skip_flags = 0;         // rules
  unsigned jobs = 1;          // files scanned at once (one parser each)
  bool has_dex_dir = false;   // rules: --dex-dir given (else KALOUTPUT)
  std::string dex_dir;
  bool values = false;  // --values: a JSON object of typed values per file
  // --csv: the fields of one row per file, after a header row; none: no CSV.
  std::vector<std::string> csv_fields;
  // "-" is standard input. REQUIRES: no entry is empty.
  std::vector<std::string> files;
};

enum class Road { kPairs, kRules, kPages, kCheck };

// What the tool reports for one FILE: the report for `out` (a JSON line, or
// the text listing, a --values line or a CSV row), the failure line for `err`
// (empty when the scan ran), and whether it failed. Independent of every other
// file, so files may be scanned in any order or at once.
struct FileReport {
  std::string out;
  std::string err;
  bool failed = false;
};

// Scans `file` on `road` with `options`; when `fd` is not -1, the job is
// read from that open descriptor (standard input's spool) and `file` only
// names it. A FILE that could not be scanned at all still gets its record.
FileReport ScanOne(Road road, const Options& options, const std::string& file,
                   int fd = -1);

// Each writes one report per file, in order, to `out` (one JSON object per
// line with Options::json), and one line "vantrel: FILE: reason" to `err`
// per file whose scan failed. A FILE "-" is standard input, spooled once to a
// temporary file (see stdin_spool.h) however often it is named. Answers 0
// when every scan ran, else 1. With Options::jobs above 1 the files are
// scanned that many at a time, each on a parser object of its own; what is
// written, and in which order, is what a run of one file at a time writes.
int RunPairs(const Options& options, std::ostream& out, std::ostream& err);
int RunRules(const Options& options, std::ostream& out, std::ostream& err);
// The pages road: the whole of each job, its JSON or its page listing.
int RunPages(const Options& options, std::ostream& out, std::ostream& err);
// The check road: each job's findings. A job with an error fails as a job
// that could not be scanned does.
int RunCheck(const Options& options, std::ostream& out, std::ostream& err);

// The type codes that the reports name, "1 int, 2 long, ...", in the
// numbering of pairs or of property records (they differ from 7 on).
std::string TypeCodeList(bool pair);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_COMMANDS_H_
