// `vantrel check`: compiler-style lines, --json, and the exit status.
#include "check_command.h"

#include <gtest/gtest.h>

#include "cli_runner.h"

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "support/test_support.h"

namespace {

// `vantrel check ARGS...`.
vantrel_test::CliResult RunCheck(const std::vector<std::string>& args) {
  std::vector<std::string> line{"check"};
  line.insert(line.end(), args.begin(), args.end());
  return vantrel_test::RunCli(line);
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

  vantrel_test::CliResult r = RunCheck({clean});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  r = RunCheck({"-j", "2", clean, warn});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, warn +
                       ":2: warning: %%Orientation value 'landscape' is not a "
                       "DSC word (Portrait, Landscape) [unknown-value]\n");
  r = RunCheck({bad, clean});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, bad +
                       ":2: error: %%Pages says 3 but the job has 1 page "
                       "[pages-mismatch]\n");
  r = RunCheck({"--json", clean, missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "{\"file\":\"" + clean +
                       "\",\"scan\":\"ok\",\"errors\":0,\"warnings\":0,"
                       "\"findings\":[]}\n{\"file\":\"" +
                       missing +
                       "\",\"scan\":\"failed\",\"error\":\"no such file\","
                       "\"errors\":0,\"warnings\":0,\"findings\":[]}\n");
  EXPECT_EQ(r.err, "vantrel: " + missing + ": no such file\n");
  EXPECT_EQ(RunCheck({"--unit", "pt", clean}).status, 2);
  EXPECT_EQ(RunCheck({}).status, 2);
}

}  // namespace
