#include "cli.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "output/escape.h"
#include "support/test_support.h"
#include "vantrel/version.h"

namespace {

using vantrel_test::TempDir;

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"vantrel"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  int status =
      vantrel_cli::Run(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

// A US Letter page: 612 x 792 points.
const char kLetter[] =
    "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 792\n%%EndComments\nshowpage\n%%EOF\n";

// The custom colour list, stored by every scan (empty here).
const char kNoColors[] =
    "{\"key\":\"DocumentCustomColors\",\"type\":6,\"value\":\"\"}";

// The document rule of a job with nothing else to report.
const char kNoColorsRule[] =
    "{\"layer\":0,\"type\":2,\"first\":0,\"last\":0,\"booklet\":0,"
    "\"properties\":[{\"name\":\"DocumentCustomColors\",\"type\":6,"
    "\"id\":904,\"value\":\"\"}]}";

// The crop of a portrait page, the orientation it gives, and the colours.
std::string CropPairs(const char* width, const char* height) {
  return std::string("{\"key\":\"CropWidth\",\"type\":4,\"value\":\"") + width +
         "\"},{\"key\":\"CropHeight\",\"type\":4,\"value\":\"" + height +
         "\"},{\"key\":\"CropWOffset\",\"type\":4,\"value\":\"0.000000\"},"
         "{\"key\":\"CropHOffset\",\"type\":4,\"value\":\"0.000000\"},"
         "{\"key\":\"Orientation\",\"type\":6,\"value\":\"Portrait\"}," +
         kNoColors;
}

TEST(Cli, RefusesBadCommandLinesWithOneLine) {
  static const struct {
    std::vector<std::string> args;
    const char* err;
  } kCases[] = {
      // clang-format off
      {{}, "vantrel: missing command (try 'vantrel --help')\n"},
      {{"print", "a.ps"}, "vantrel: unknown command 'print'\n"},
      {{"--json", "pairs", "a.ps"}, "vantrel: missing command before '--json'\n"},
      {{"--version", "extra"}, "vantrel: unexpected argument 'extra'\n"},
      {{"--verbose"}, "vantrel: unknown option '--verbose'\n"},
      {{"pairs"}, "vantrel: missing FILE argument\n"},
      {{"pairs", "a.ps", ""}, "vantrel: empty FILE argument\n"},
      {{"pairs", "--frobnicate", "a.ps"}, "vantrel: unknown option '--frobnicate'\n"},
      {{"pairs", "a.ps", "--mode"}, "vantrel: option '--mode' needs a value\n"},
      {{"pairs", "--mode", "sideways", "a.ps"}, "vantrel: bad value 'sideways' for '--mode'\n"},
      {{"pairs", "--mode", "4", "a.ps"}, "vantrel: bad value '4' for '--mode'\n"},
      {{"pairs", "--mode=", "a.ps"}, "vantrel: bad value '' for '--mode'\n"},
      {{"pairs", "--unit=cm", "a.ps"}, "vantrel: bad value 'cm' for '--unit'\n"},
      {{"pairs", "--no-bbox=1", "a.ps"}, "vantrel: option '--no-bbox' takes no value\n"},
      {{"pairs", "--skip", "1", "a.ps"}, "vantrel: option '--skip' does not apply to 'pairs'\n"},
      {{"rules", "--mode", "head", "a.ps"}, "vantrel: option '--mode' does not apply to 'rules'\n"},
      {{"pairs", "--dex-dir", "out", "a.ps"},
       "vantrel: option '--dex-dir' does not apply to 'pairs'\n"},
      {{"rules", "--skip", "4", "a.ps"}, "vantrel: bad value '4' for '--skip'\n"},
      {{"rules", "--dex-dir=", "a.ps"}, "vantrel: bad value '' for '--dex-dir'\n"},
      // A bad argument is quoted without its control characters.
      {{"rules", "--skip", "\x1b[2J", "a.ps"}, "vantrel: bad value '\\x1b[2J' for '--skip'\n"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(std::tie(r.status, r.err, r.out), std::make_tuple(2, std::string(c.err), ""))
        << ::testing::PrintToString(c.args);
  }
}

TEST(Cli, HelpNamesEveryCommandOptionAndSettingAndVersionTheLibrary) {
  CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* name :
       {"vantrel pairs ", "vantrel rules ", "--mode MODE", "--unit UNIT",
        "--no-bbox", "--skip FLAGS", "--dex-dir DIR", "--json", "--trace",
        "-h, --help", "--version", "VANTREL_TRACE", "VANTREL_REGISTRY",
        "VANTREL_PLUGIN_PATH", "KALOUTPUT"}) {
    EXPECT_NE(help.out.find(name), std::string::npos) << name << help.out;
  }
  CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vantrel " VANTREL_VERSION_STRING "\n");
}

TEST(Cli, HelpWinsOverAnyOtherArgumentBeforeDoubleDash) {
  const std::string help = RunCli({"--help"}).out;
  static const std::vector<std::string> kLines[] = {
      // clang-format off
      {"-h"}, {"--help", "extra"}, {"--version", "-h"}, {"pairs", "--bogus", "-h"},
      {"rules", "--help", "missing.ps"}, {"rules", "--skip", "9", "--help"},
      {"print", "a.ps", "-h"}, {"pairs", "--mode", "-h", "a.ps"},
      // clang-format on
  };
  for (const auto& args : kLines) {
    CliResult r = RunCli(args);
    EXPECT_EQ(std::tie(r.status, r.out, r.err), std::make_tuple(0, help, ""))
        << ::testing::PrintToString(args);
  }
  // After "--", "-h" names a file.
  CliResult file = RunCli({"pairs", "--", "-h"});
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.err, "vantrel: -h: no such file\n");
}

TEST(Cli, PairsJsonFollowsModeUnitAndBoundingBoxOptions) {
  TempDir dir;
  const std::string path = dir.Write("letter.ps", kLetter);
  static const struct {
    std::vector<std::string> options;
    std::string pairs;
  } kCases[] = {
      {{}, CropPairs("215.899994", "279.399994")},
      {{"--unit", "in"}, CropPairs("8.500000", "11.000000")},
      {{"--unit=P"}, CropPairs("612.000000", "792.000000")},
      {{"--mode", "head"}, CropPairs("215.899994", "279.399994")},
      {{"--mode", "both"}, CropPairs("215.899994", "279.399994")},
      {{"--mode", "0"}, kNoColors},
      {{"--no-bbox"}, kNoColors},
  };
  for (const auto& c : kCases) {
    std::vector<std::string> args{"pairs", "--json"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path);
    CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0) << ::testing::PrintToString(args) << r.err;
    EXPECT_EQ(r.out, "{\"file\":\"" + path + "\",\"scan\":\"ok\",\"pairs\":[" +
                         c.pairs + "]}\n")
        << ::testing::PrintToString(args);
  }
}

// The JSON form of rules is shown by the plug-in and producer-job tests,
// the text form by the DEX one.
TEST(Cli, RulesSkipFlagsReachTheLibrary) {
  TempDir dir;
  const std::string path =
      dir.Write("job.ps", "%!PS\n%%KALPPD: ****MediaType Glossy\n");
  for (const char* skip : {"0", "1", "2", "3"}) {
    CliResult r = RunCli({"rules", "--skip", skip, path});
    EXPECT_EQ(r.status, 0) << skip << r.err;
    EXPECT_EQ(r.out.find("MediaType") != std::string::npos, *skip % 2 == 0)
        << skip << r.out;
  }
}

// A failed scan still runs the finishing steps: the (empty) custom colour
// list, in the document rule on the job-ticket road.
TEST(Cli, FailedScansGiveTheReasonAndExitOne) {
  TempDir dir;
  const std::string pdf = dir.Write(
      "doc.pdf", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n");
  const std::string fifo = dir.path() + "/queue";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    const char* command;
    std::string path;
    const char* reason;
  } kCases[] = {
      {"pairs", dir.path() + "/missing.ps", "no such file"},
      {"rules", dir.path(), "is a directory"},
      {"pairs", pdf, "PDF input is not supported"},
      {"rules", pdf, "PDF input is not supported"},
      {"rules", fifo, "not a regular file"},
      // Never a truncated name.
      {"pairs", dir.path() + "/" + std::string(600, 'a'), "path too long"},
  };
  for (const auto& c : kCases) {
    CliResult r = RunCli({c.command, "--json", c.path});
    EXPECT_EQ(r.status, 1) << c.command << ' ' << c.path;
    EXPECT_EQ(r.err, "vantrel: " + c.path + ": " + c.reason + "\n");
    EXPECT_EQ(r.out,
              "{\"file\":\"" + c.path + "\",\"scan\":\"failed\",\"error\":\"" +
                  c.reason + "\",\"" + c.command + "\":[" +
                  (*c.command == 'p' ? kNoColors : kNoColorsRule) + "]}\n")
        << c.command;
  }
}

TEST(Cli, ProducerJobsShowTheirOrientationAndSpotColours) {
  static const struct {
    const char* file;
    const char* property;
  } kCases[] = {
      // clang-format off
      {"landscape_enscript.ps",
       "{\"name\":\"Orientation\",\"type\":6,\"id\":349,\"value\":\"Landscape\"}"},
      {"spot_colours_pdftops.ps", "{\"name\":\"DocumentCustomColors\",\"type\":6,\"id\":904,"
                                  "\"value\":\" (PANTONE 286 C) (PANTONE 185 C)\"}"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CliResult r =
        RunCli({"rules", "--json", std::string(VANTREL_SOURCE_DIR "/tests/data/") + c.file});
    EXPECT_EQ(r.status, 0) << c.file << r.err;
    EXPECT_NE(r.out.find(c.property), std::string::npos) << r.out;
  }
}

TEST(Cli, ReportsEveryFileInOrderAndStillFailsForOne) {
  TempDir dir;
  const std::string a = dir.Write("a.ps", kLetter);
  const std::string missing = dir.path() + "/missing.ps";
  const std::string letter =
      ": ok\n"
      "  CropWidth             float  612.000000\n"
      "  CropHeight            float  792.000000\n"
      "  CropWOffset           float  0.000000\n"
      "  CropHOffset           float  0.000000\n"
      "  Orientation           text   Portrait\n"
      "  DocumentCustomColors  text\n";
  // Options may follow the files.
  CliResult r = RunCli({"pairs", a, missing, a, "--unit", "pt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "vantrel: " + missing + ": no such file\n");
  EXPECT_EQ(r.out, a + letter + "\n" + missing +
                       ": failed (no such file)\n  DocumentCustomColors  text\n\n" + a +
                       letter);
}

// A file name is shown as UTF-8 whether it was written in UTF-8 or in
// Latin-1; a value is read as Latin-1 and keeps its control characters.
TEST(Cli, PrintFileBytesComeOutAsJsonEscapes) {
  TempDir dir;
  for (const char* name : {"caf\xc3\xa9.ps", "caf\xe9.ps"}) {
    const std::string path = dir.Write(
        name, "%!PS-Adobe-3.0\n%%Creator: \"Q\" \\ \x01\x1b[31m\x7f end\n%%EndComments\n");
    CliResult r = RunCli({"rules", "--json", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"file\":\"" + dir.path() + "/caf\xc3\xa9.ps\"", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("{\"name\":\"Creator\",\"type\":6,\"id\":3,\"value\":"
                         "\"\\\"Q\\\" \\\\ \\u0001\\u001b[31m\\u007f end\"}"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(vantrel::IsValidUtf8(r.out));
    EXPECT_EQ(RunCli({"rules", path}).out.find('\x1b'), std::string::npos);
  }
}

TEST(Cli, DexDirWritesTheTicketsOfTheRunThere) {
  TempDir dir;
  const std::string out = dir.path() + "/out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  const std::string path = dir.Write(
      "job.ps", "%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n");
  vantrel_test::ScopedEnv unset("KALOUTPUT", nullptr);
  CliResult r = RunCli({"rules", "--dex-dir", out, path});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path + ": ok\n  rule 1: document, type 2, pages 0-0, booklet 0\n"
                          "    DexJTData             text  id 0    " + out +
                          "/job.ps_0.dexxml\n    DocumentCustomColors  text  id 904\n");
  EXPECT_EQ(TempDir::Read(out + "/job.ps_0.dexxml"), "<JobTicket/>");
  EXPECT_EQ(std::getenv("KALOUTPUT"), nullptr);
}

// Runs the tool; answers what the process wrote to its stderr.
std::string ProcessStderrOf(const std::vector<std::string>& args) {
  ::testing::internal::CaptureStderr();
  RunCli(args);
  return ::testing::internal::GetCapturedStderr();
}

TEST(Cli, TraceWritesLibraryLinesToStderrForTheRunOnly) {
  TempDir dir;
  const std::string path = dir.Write("letter.ps", kLetter);
  vantrel_test::ScopedEnv no_trace("VANTREL_TRACE", nullptr);
  const std::string traced = ProcessStderrOf({"pairs", "--trace", path});
  EXPECT_NE(traced.find("[Rip\\Vantrel] SetAtBoundingBox RipKey_CropWidth"),
            std::string::npos)
      << traced;
  EXPECT_EQ(std::getenv("VANTREL_TRACE"), nullptr);
  EXPECT_EQ(ProcessStderrOf({"pairs", path}), "");
}

}  // namespace
