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
  // REQUIRES: no entry is empty (the library treats an empty path as "no
  // call" and would leave the previous file's status in place).
  std::vector<std::string> files;
};

// Each writes one report per file, in order, to `out` (one JSON object per
// line with Options::json), and one line "vantrel: FILE: reason" to `err`
// per file whose scan failed. Answers 0 when every scan ran, else 1.
// With Options::jobs above 1 the files are scanned that many at a time, each
// on a parser object of its own; what is written, and in which order, is
// what a run of one file at a time writes.
int RunPairs(const Options& options, std::ostream& out, std::ostream& err);
int RunRules(const Options& options, std::ostream& out, std::ostream& err);

// The type codes that the reports name, "1 int, 2 long, ...", in the
// numbering of pairs or of property records (they differ from 7 on).
std::string TypeCodeList(bool pair);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_COMMANDS_H_
