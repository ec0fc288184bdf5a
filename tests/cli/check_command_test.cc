// `vantrel check`: compiler-style lines, --json, and the exit status.
#include "check_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "support/test_support.h"

namespace {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"vantrel", "check"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status =
      vantrel_cli::Run(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

TEST(CheckCommand, LinesJsonAndExitStatus) {
  vantrel_test::TempDir dir;
  const std::string clean =
      dir.Write("clean.ps", "%!PS-Adobe-3.0\n%%EndComments\n%%EOF\n");
  const std::string warn = dir.Write(
      "warn.ps", "%!PS-Adobe-3.0\n%%Orientation: landscape\n%%EndComments\n");
  const std::string bad = dir.Write(
      "bad.ps", "%!PS-Adobe-3.0\n%%Pages: 3\n%%EndComments\n%%Page: 1 1\n");
  const std::string missing = dir.path() + "/missing.ps";

  CliResult r = RunCli({clean});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  r = RunCli({"-j", "2", clean, warn});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, warn +
                       ":2: warning: %%Orientation value 'landscape' is not a "
                       "DSC word (Portrait, Landscape) [unknown-value]\n");
  r = RunCli({bad, clean});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, bad +
                       ":2: error: %%Pages says 3 but the job has 1 page "
                       "[pages-mismatch]\n");
  r = RunCli({"--json", clean, missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "{\"file\":\"" + clean +
                       "\",\"scan\":\"ok\",\"errors\":0,\"warnings\":0,"
                       "\"findings\":[]}\n{\"file\":\"" +
                       missing +
                       "\",\"scan\":\"failed\",\"error\":\"no such file\","
                       "\"errors\":0,\"warnings\":0,\"findings\":[]}\n");
  EXPECT_EQ(r.err, "vantrel: " + missing + ": no such file\n");
  EXPECT_EQ(RunCli({"--unit", "pt", clean}).status, 2);
  EXPECT_EQ(RunCli({}).status, 2);
}

}  // namespace
