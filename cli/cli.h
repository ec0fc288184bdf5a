// The vantrel command-line tool, callable with injected streams.
#ifndef VANTREL_CLI_CLI_H_
#define VANTREL_CLI_CLI_H_

#include <ostream>

namespace vantrel_cli {

// Runs the tool. Answers the exit status.
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_CLI_H_
