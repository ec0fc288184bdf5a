// `vantrel check`: what is wrong with each job, line by line.
#ifndef VANTREL_CLI_CHECK_COMMAND_H_
#define VANTREL_CLI_CHECK_COMMAND_H_

#include <string>

#include "commands.h"

namespace vantrel_cli {

// What `vantrel check` reports for one FILE, read from `read_path`: its
// finding lines ("job.ps:12: warning: ... [code]") or its JSON line in
// `out`, the failure line in `err` when it could not be scanned, and
// whether the file fails the check (an error found, or no scan).
// The report of one job on the check road: the findings as compiler-style
// lines ("job.ps:12: warning: ... [code]"; nothing for a clean job), or with
// `json` the road's JSON line. It failed when the job could not be checked
// or has an error. With `fd` not -1 the job is read from that descriptor
// and `file` only names it.
FileReport CheckOne(const std::string& file, int fd, bool json);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_CHECK_COMMAND_H_
