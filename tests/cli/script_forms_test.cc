// The command-line forms made for scripts and operators: --values, --csv,
// -r, per-command help, words in any case, --version.
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli.h"
#include "cli_runner.h"
#include "gtest/gtest.h"
#include "support/test_support.h"
#include "vantrel/version.h"

namespace {

using vantrel_test::CliResult;
using vantrel_test::RunCli;

using vantrel_test::TempDir;

const char kLetter[] =
    "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 792\n%%EndComments\n%%EOF\n";

// A job with page-range and booklet rules, a flag, a title that needs
// quoting in CSV, and a job-ticket name that clashes with a field.
const char kRulesJob[] =
    "%!PS-Adobe-3.0\n%%Title: Report, \"final\"\n%%Pages: 4\n"
    "%%BookletPages: 2 16\n%%VariablePagesPerBooklet: true\n"
    "%%KALPPD: ****file elsewhere\n%%EndComments\n"
    "%%Page: 1 1\n%%ViewingOrientation: 0 1 -1 0\n%%EOF\n";

TEST(CliValues, MapsNamesToTypedValuesOnBothRoads) {
  TempDir dir;
  const std::string letter = dir.Write("letter.ps", kLetter);
  const std::string job = dir.Write("job.ps", kRulesJob);
  const std::string missing = dir.path() + "/missing.ps";
  static const struct {
    const char* road;
    const char* file;
    const char* expected;  // after {"file":"<path>",
  } kCases[] = {
      {"pairs", "letter",
       "\"scan\":\"ok\",\"CropWidth\":215.899994,\"CropHeight\":279.399994,"
       "\"CropWOffset\":0.000000,\"CropHOffset\":0.000000,"
       "\"Orientation\":\"Portrait\",\"DocumentCustomColors\":\"\"}"},
      {"pairs", "missing",
       "\"scan\":\"failed\",\"error\":\"no such file\","
       "\"DocumentCustomColors\":\"\"}"},
      {"rules", "missing",
       "\"scan\":\"failed\",\"error\":\"no such file\","
       "\"DocumentCustomColors\":\"\",\"page_rules\":[],\"booklet_rules\":[]}"},
  };
  for (const auto& c : kCases) {
    const std::string path = std::string(c.file) == "letter"    ? letter
                             : std::string(c.file) == "missing" ? missing
                                                                : job;
    CliResult r = RunCli({c.road, "--json", "--values", path});
    EXPECT_EQ(r.out, "{\"file\":\"" + path + "\"," + c.expected + "\n")
        << c.road << ' ' << c.file;
  }

  CliResult rules = RunCli({"rules", "--values", job});
  EXPECT_EQ(rules.status, 0) << rules.err;
  for (const char* member :
       {"\"Title\":\"Report, \\\"final\\\"\"",
        "\"VariablePagesPerBooklet\":true",
        "\"page_rules\":[{\"first\":1,\"last\":1,\"ViewingOrientation\":",
        "\"booklet_rules\":[{\"first\":0,\"last\":0,\"booklet\":2,"
        "\"PagesPerBooklet\":16}]",
        "\"other_properties\":{\"file\":\"elsewhere\"}"}) {
    EXPECT_NE(rules.out.find(member), std::string::npos) << member << '\n'
                                                         << rules.out;
  }
}

TEST(CliCsv, WritesHeaderAndOneQuotedRowPerFile) {
  TempDir dir;
  const std::string job = dir.Write("job.ps", kRulesJob);
  const std::string comma = dir.Write("a,b.ps", kLetter);
  const std::string missing = dir.path() + "/missing.ps";
  CliResult r = RunCli({"rules", "-j", "2", "--csv", "Title,NumPages,Nothing",
                        job, comma, missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "file,scan,Title,NumPages,Nothing\n" + job +
                       ",ok,\"Report, \"\"final\"\"\",16,\n\"" + comma +
                       "\",ok,,,\n" + missing + ",failed,,,\n");
  EXPECT_EQ(r.err, "vantrel: " + missing + ": no such file\n");

  CliResult pairs = RunCli({"pairs", "--unit=PT", "--csv=CropWidth", comma});
  EXPECT_EQ(pairs.out,
            "file,scan,CropWidth\n\"" + comma + "\",ok,612.000000\n");
}

#if !defined(_WIN32)
TEST(CliRecursive, ScansRegularFilesInByteOrderFollowingOnlyFileLinks) {
  TempDir dir;
  const std::string top = dir.path() + "/jobs";
  namespace fs = std::filesystem;
  fs::create_directories(top + "/b/deep");
  fs::create_directories(dir.path() + "/outside");
  dir.Write("jobs/b/deep/z.eps", kLetter);
  dir.Write("jobs/b.ps", kLetter);
  dir.Write("jobs/B.txt", kLetter);  // any name: every regular file counts
  dir.Write("jobs/a.ps", kLetter);
  dir.Write("outside/target.ps", kLetter);
  dir.Write("outside/skipped.ps", kLetter);
  fs::create_symlink(dir.path() + "/outside/target.ps", top + "/link.ps");
  fs::create_directory_symlink(dir.path() + "/outside", top + "/dirlink");
  fs::create_directory_symlink(top, top + "/b/loop");
  fs::create_symlink(top + "/gone.ps", top + "/dangling.ps");
  const std::string named = dir.Write("named.data", kLetter);

  CliResult r =
      RunCli({"pairs", "-r", "--csv", "Orientation", top + "/", named});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string row = ",ok,Portrait\n";
  EXPECT_EQ(r.out, "file,scan,Orientation\n" + top + "/B.txt" + row + top +
                       "/a.ps" + row + top + "/b.ps" + row + top +
                       "/b/deep/z.eps" + row + top + "/link.ps" + row + named +
                       row);

  // Without -r a folder is still refused.
  CliResult plain = RunCli({"pairs", top});
  EXPECT_EQ(plain.err, "vantrel: " + top + ": is a directory\n");

  // An unreadable folder is reported; the rest is scanned.
  if (geteuid() != 0) {
    fs::create_directories(top + "/locked");
    chmod((top + "/locked").c_str(), 0);
    CliResult locked =
        RunCli({"pairs", "--recursive", "--csv", "NumPages", top});
    chmod((top + "/locked").c_str(), 0700);
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.err, "vantrel: " + top + "/locked: Permission denied\n");
    EXPECT_NE(locked.out.find("/b.ps,ok"), std::string::npos) << locked.out;
  }
}
#endif

TEST(CliHelp, EachCommandShowsItsOwnOptionsAndExamples) {
  static const struct {
    std::vector<std::string> args;
    const char* has[4];
    const char* lacks;
  } kCases[] = {
      {{"pairs", "-h"},
       {"usage: vantrel pairs ", "--unit UNIT", "Examples:", "-r, --recursive"},
       "--skip"},
      {{"rules", "--csv", "x", "--help", "a.ps"},
       {"usage: vantrel rules ", "--dex-dir DIR", "vantrel rules -r --csv",
        "--values"},
       "--unit"},
  };
  for (const auto& c : kCases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 0);
    for (const char* text : c.has) {
      EXPECT_NE(r.out.find(text), std::string::npos) << text << '\n' << r.out;
    }
    EXPECT_EQ(r.out.find(c.lacks), std::string::npos) << r.out;
  }
  // Each command's usage line is the one the tool's help shows for it.
  const std::string help = RunCli({"--help"}).out;
  for (const char* command : {"pairs", "rules"}) {
    const std::string own = RunCli({command, "-h"}).out;
    const std::string usage = own.substr(0, own.find('\n') + 1);
    ASSERT_EQ(usage.compare(0, 7, "usage: "), 0) << own;
    EXPECT_NE(help.find(" " + usage.substr(7)), std::string::npos)
        << usage << help;
  }
}

TEST(CliWords, AreTakenInAnyCaseAndBadOnesNameTheValidOnes) {
  TempDir dir;
  const std::string letter = dir.Write("letter.ps", kLetter);
  const std::string expected =
      RunCli({"pairs", "--mode", "head", "--unit", "pt", letter}).out;
  for (const char* mode : {"HEAD", "Head"}) {
    for (const char* unit : {"PT", "Pt", "p"}) {
      EXPECT_EQ(RunCli({"pairs", "--mode", mode, "--unit", unit, letter}).out,
                expected)
          << mode << ' ' << unit;
    }
  }
  static const struct {
    std::vector<std::string> args;
    const char* err;
  } kRefused[] = {
      {{"pairs", "--unit", "cm", "a.ps"},
       "vantrel: bad value 'cm' for '--unit' (mm, in, pt)\n"},
      {{"pairs", "--csv", "A,,B", "a.ps"},
       "vantrel: bad value 'A,,B' for '--csv' (property names separated by "
       "commas)\n"},
      {{"rules", "--csv", "Title", "--json", "a.ps"},
       "vantrel: option '--csv' does not go with '--json'\n"},
      {{"pairs", "--values", "--csv=Title", "a.ps"},
       "vantrel: option '--csv' does not go with '--values'\n"},
  };
  for (const auto& c : kRefused) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(std::tie(r.status, r.err), std::make_tuple(2, std::string(c.err)))
        << ::testing::PrintToString(c.args);
  }
}

#if defined(VANTREL_CLI_PATH) && !defined(_WIN32)
// jq, where installed, reads the --values lines of real jobs, numbers as
// numbers.
TEST(CliValues, JqReadsNumbersAsNumbers) {
  if (std::system("command -v jq >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "jq is not installed";
  }
  const std::string data = std::string(VANTREL_SOURCE_DIR) + "/tests/data";
  const std::string command =
      std::string("'") + VANTREL_CLI_PATH + "' rules -r --values '" + data +
      "' | jq -r 'select(.NumPages != null) | [(.NumPages|type), "
      "(.CropWidth // 0 | type), (.page_rules|type)] | join(\" \")' | sort -u";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[512];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    out.append(buffer, n);
  }
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(out, "number number array\n");
}
#endif

}  // namespace
