// `vantrel check`: what is wrong with each job, line by line.
#ifndef VANTREL_CLI_CHECK_COMMAND_H_
#define VANTREL_CLI_CHECK_COMMAND_H_

#include <ostream>
#include <string>

#include "commands.h"

namespace vantrel_cli {

// What `vantrel check` reports for one FILE, read from `read_path`: its
// finding lines ("job.ps:12: warning: ... [code]") or its JSON line in
// `out`, the failure line in `err` when it could not be scanned, and
// whether the file fails the check (an error found, or no scan).
FileReport CheckOne(const Options& options, const std::string& file,
                    const std::string& read_path);

// Checks every file, in order (with -j, several at once; what is written is
// what one at a time writes). A clean file prints nothing (with --json, its
// line with "findings":[]). Answers 0 when no file has an error and every
// file could be scanned, else 1.
int RunCheck(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_CHECK_COMMAND_H_
