// Runs the tool's logic in the test process, with its streams captured.
#ifndef VANTREL_TESTS_CLI_CLI_RUNNER_H_
#define VANTREL_TESTS_CLI_CLI_RUNNER_H_

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"

namespace vantrel_test {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

// `vantrel ARGS...`: the exit status and what went to stdout and stderr.
inline CliResult RunCli(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"vantrel"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status =
      vantrel_cli::Run(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

}  // namespace vantrel_test

#endif  // VANTREL_TESTS_CLI_CLI_RUNNER_H_
