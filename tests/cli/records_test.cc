// What the tool reports for each FILE: one record in every output form, a
// failure line that says why (down to the DEX folder), paths of any length
// the system opens, and texts as producers write them.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "cli_runner.h"
#include "gtest/gtest.h"
#include "support/test_support.h"

namespace {

using vantrel_test::CliResult;
using vantrel_test::RunCli;

using vantrel_test::ScopedEnv;
using vantrel_test::TempDir;

const char kTicketJob[] =
    "%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n%%EOF\n";

TEST(CliRecords, DexFailureNamesTheFolderAndTheReason) {
  TempDir dir;
  const std::string job = dir.Write("job.ps", kTicketJob);
  const std::string missing = dir.path() + "/nonexistent";
  const std::string line =
      "vantrel: " + job +
      ": job-ticket data could not be extracted: " + missing +
      ": No such file or directory\n";
  {
    ScopedEnv unset("KALOUTPUT", nullptr);
    const CliResult r = RunCli({"rules", "--dex-dir", missing, job});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line);
  }
  ScopedEnv env("KALOUTPUT", missing.c_str());
  const CliResult r = RunCli({"rules", "--json", job});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, line);
  EXPECT_NE(r.out.find("\"scan\":\"failed\",\"error\":\"job-ticket data could "
                       "not be extracted\",\"detail\":\"" +
                       missing + ": No such file or directory\""),
            std::string::npos)
      << r.out;
}

#if !defined(_WIN32)  // Windows paths stop at 260 characters without a prefix
TEST(CliRecords, LongPathsScanAndLongJobNamesStillGetTickets) {
  TempDir dir;
  // Over 511 bytes in all, each component within the system's limit.
  std::string below;
  for (int i = 0; i < 3; ++i) {
    below += std::string(200, static_cast<char>('a' + i)) + "/";
    ASSERT_TRUE(std::filesystem::create_directory(dir.path() + "/" + below));
  }
  const std::string name = std::string(240, 'j') + ".ps";
  const std::string job = dir.Write(below + name, kTicketJob);
  const std::string out = dir.path() + "/out";
  ASSERT_TRUE(std::filesystem::create_directory(out));
  const CliResult r = RunCli({"rules", "--json", "--dex-dir", out, job});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"file\":\"" + job + "\",\"scan\":\"ok\"", 0), 0u);
  // The base name is cut so that "<base>_<n>.dexxml" fits 255 bytes.
  const std::string ticket = out + "/" + name.substr(0, 244) + "_0.dexxml";
  EXPECT_EQ(TempDir::Read(ticket), "<JobTicket/>");
  EXPECT_NE(r.out.find(ticket), std::string::npos) << r.out;
}
#endif

TEST(CliRecords, ProducerTextsAndOrientationWordsComeThrough) {
  static const struct {
    const char* comment;
    const char* json;  // a fragment of the rules' JSON
    const char* text;  // a fragment of the text listing
  } kCases[] = {
      // UTF-8 as it stands; other bytes read as Latin-1.
      {"%%Title: R\xc3\xa9sum\xc3\xa9", "\"value\":\"R\xc3\xa9sum\xc3\xa9\"",
       "  R\xc3\xa9sum\xc3\xa9\n"},
      {"%%Title: R\xe9sum\xe9", "\"value\":\"R\xc3\xa9sum\xc3\xa9\"",
       "  R\xc3\xa9sum\xc3\xa9\n"},
      {"%%Title: \xe2\x82", "\"value\":\"\xc3\xa2\\u0082\"",
       "  \xc3\xa2\\x82\n"},
      {"%%Orientation: landscape", "\"value\":\"Landscape\"", "  Landscape\n"},
      {"%%Orientation: PORTRAIT", "\"value\":\"Portrait\"", "  Portrait\n"},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    const std::string job = dir.Write(
        "job.ps", std::string("%!PS-Adobe-3.0\n") + c.comment +
                      "\n%%BoundingBox: 0 0 612 792\n%%EndComments\n");
    const CliResult json = RunCli({"rules", "--json", job});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find(c.json), std::string::npos) << c.comment << "\n"
                                                        << json.out;
    const CliResult text = RunCli({"rules", job});
    EXPECT_NE(text.out.find(c.text), std::string::npos) << c.comment << "\n"
                                                        << text.out;
  }
}

}  // namespace
