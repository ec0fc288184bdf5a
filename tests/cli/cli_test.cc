#include "cli.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_runner.h"
#include "gtest/gtest.h"
#include "output/escape.h"
#include "support/test_support.h"
#include "vantrel/version.h"

namespace {

using vantrel_test::CliResult;
using vantrel_test::RunCli;

using vantrel_test::TempDir;

// A US Letter page: 612 x 792 points.
const char kLetter[] =
    "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 "
    "792\n%%EndComments\nshowpage\n%%EOF\n";

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
      {{"pairs", "--mode", "sideways", "a.ps"}, "vantrel: bad value 'sideways' for '--mode' (whole, head, tail, both, 0, 1, 2, 3, 15)\n"},
      {{"pairs", "--mode", "4", "a.ps"}, "vantrel: bad value '4' for '--mode' (whole, head, tail, both, 0, 1, 2, 3, 15)\n"},
      {{"pairs", "--mode=", "a.ps"}, "vantrel: bad value '' for '--mode' (whole, head, tail, both, 0, 1, 2, 3, 15)\n"},
      {{"pairs", "--unit=cm", "a.ps"}, "vantrel: bad value 'cm' for '--unit' (mm, in, pt)\n"},
      {{"pairs", "--no-bbox=1", "a.ps"}, "vantrel: option '--no-bbox' takes no value\n"},
      {{"pairs", "--skip", "1", "a.ps"}, "vantrel: option '--skip' does not apply to 'pairs'\n"},
      {{"rules", "--mode", "head", "a.ps"}, "vantrel: option '--mode' does not apply to 'rules'\n"},
      {{"pairs", "--dex-dir", "out", "a.ps"},
       "vantrel: option '--dex-dir' does not apply to 'pairs'\n"},
      {{"rules", "--skip", "4", "a.ps"}, "vantrel: bad value '4' for '--skip' (0, 1, 2, 3)\n"},
      {{"rules", "--dex-dir=", "a.ps"}, "vantrel: bad value '' for '--dex-dir' (a folder)\n"},
      {{"pairs", "-j", "0", "a.ps"}, "vantrel: bad value '0' for '-j' (a number from 1)\n"},
      {{"pairs", "-j", "-1", "a.ps"}, "vantrel: bad value '-1' for '-j' (a number from 1)\n"},
      {{"rules", "-j", "abc", "a.ps"}, "vantrel: bad value 'abc' for '-j' (a number from 1)\n"},
      {{"rules", "-j=", "a.ps"}, "vantrel: bad value '' for '-j' (a number from 1)\n"},
      {{"rules", "-j", "", "a.ps"}, "vantrel: bad value '' for '-j' (a number from 1)\n"},
      {{"rules", "-j", "2x", "a.ps"}, "vantrel: bad value '2x' for '-j' (a number from 1)\n"},
      {{"rules", "-jx", "a.ps"}, "vantrel: bad value 'x' for '-j' (a number from 1)\n"},
      {{"pairs", "a.ps", "-j"}, "vantrel: option '-j' needs a value\n"},
      // A bad argument is quoted without its control characters.
      {{"rules", "--skip", "\x1b[2J", "a.ps"}, "vantrel: bad value '\\x1b[2J' for '--skip' (0, 1, 2, 3)\n"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(std::tie(r.status, r.err, r.out),
              std::make_tuple(2, std::string(c.err), ""))
        << ::testing::PrintToString(c.args);
  }
}

TEST(Cli, HelpNamesEveryCommandOptionAndSettingAndVersionTheLibrary) {
  CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* name :
       {"vantrel pairs ", "vantrel rules ", "--mode MODE", "--unit UNIT",
        "--no-bbox", "--skip FLAGS", "--dex-dir DIR", "-j N", "--json",
        "--trace", "-h, --help", "--version", "VANTREL_TRACE",
        "VANTREL_REGISTRY", "VANTREL_PLUGIN_PATH", "KALOUTPUT"}) {
    EXPECT_NE(help.out.find(name), std::string::npos) << name << help.out;
  }
  CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  const std::string head = "vantrel " VANTREL_VERSION_STRING
                           "\nlibrary " VANTREL_VERSION_STRING "\nbuild ";
  EXPECT_EQ(version.out.compare(0, head.size(), head), 0) << version.out;
  EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 3)
      << version.out;
}

TEST(Cli, HelpWinsOverAnyOtherArgumentBeforeDoubleDash) {
  const std::string help = RunCli({"--help"}).out;
  const std::string pairs = RunCli({"pairs", "--help"}).out;
  const std::string rules = RunCli({"rules", "-h"}).out;
  static const struct {
    std::vector<std::string> args;
    const char* command;  // whose help; null: the tool's
  } kLines[] = {
      // clang-format off
      {{"-h"}, nullptr}, {{"--help", "extra"}, nullptr},
      {{"--version", "-h"}, nullptr}, {{"pairs", "--bogus", "-h"}, "pairs"},
      {{"rules", "--help", "missing.ps"}, "rules"},
      {{"rules", "--skip", "9", "--help"}, "rules"},
      {{"print", "a.ps", "-h"}, nullptr}, {{"pairs", "--mode", "-h", "a.ps"}, "pairs"},
      // clang-format on
  };
  for (const auto& c : kLines) {
    CliResult r = RunCli(c.args);
    const std::string& expected = c.command == nullptr                ? help
                                  : std::string(c.command) == "pairs" ? pairs
                                                                      : rules;
    EXPECT_EQ(std::tie(r.status, r.out, r.err),
              std::make_tuple(0, expected, ""))
        << ::testing::PrintToString(c.args);
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
#if defined(_WIN32)
  // No FIFOs on Windows: a directory stands in for the file that is no
  // regular file.
  ASSERT_TRUE(std::filesystem::create_directory(fifo));
  const char* const not_regular = "is a directory";
#else
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const char* const not_regular = "not a regular file";
#endif
  const struct {
    const char* command;
    std::string path;
    const char* reason;
  } kCases[] = {
      {"pairs", dir.path() + "/missing.ps", "no such file"},
      {"rules", dir.path(), "is a directory"},
      {"pairs", pdf, "PDF input is not supported"},
      {"rules", pdf, "PDF input is not supported"},
      {"rules", fifo, not_regular},
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
        RunCli({"rules", "--json",
                std::string(VANTREL_SOURCE_DIR "/tests/data/") + c.file});
    EXPECT_EQ(r.status, 0) << c.file << r.err;
    EXPECT_NE(r.out.find(c.property), std::string::npos) << r.out;
  }
}

// A job answers for itself: not for the pictures and fonts it embeds, also
// when it starts with a Ctrl-D or leaves out "%%EndComments"; a tray page
// that does not fit is no page.
TEST(Cli, JobsAnswerForThemselves) {
  TempDir dir;
  const std::string data = VANTREL_SOURCE_DIR "/tests/data/";
  const std::string ctrl_d =
      dir.Write("ctrl_d.ps", std::string("\x04") + kLetter);
  const std::string tray =
      dir.Write("tray.ps",
                "%!PS\n%%InputSlotTray: MediaType Glossy 99999999999 4\n"
                "%%InputSlotTray: MediaType Glossy -2 4\n"
                "%%InputSlotTray: MediaType Glossy 2 4\n");
  static const struct {
    std::vector<std::string> args;
    const char* shown;
    const char* not_shown;
  } kCases[] = {
      // clang-format off
      {{"rules", "--json", data + "groff_pictures.ps"},
       "{\"name\":\"NumPages\",\"type\":2,\"id\":0,\"value\":\"3\"}", "\"Title\""},
      {{"rules", "--json", data + "pdftops_fonts.ps"}, "\"NumPages\"", "CMR10"},
      {{"rules", "--json", data + "paps.ps"},
       "{\"name\":\"Title\",\"type\":6,\"id\":0,\"value\":\"hello.txt\"}", "\"CreationDate\""},
      {{"pairs", "--json", "--unit", "pt", ctrl_d},
       "{\"key\":\"CropWidth\",\"type\":4,\"value\":\"612.000000\"}", "\"failed\""},
      // One page-range rule only: no second one follows the first.
      {{"rules", "--json", tray}, "{\"layer\":101,\"type\":2,\"first\":2,\"last\":4,", "},{\"layer\":101"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 0) << c.args.back() << r.err;
    EXPECT_NE(r.out.find(c.shown), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(c.not_shown), std::string::npos) << r.out;
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
  EXPECT_EQ(r.out,
            a + letter + "\n" + missing +
                ": failed (no such file)\n  DocumentCustomColors  text\n\n" +
                a + letter);
}

// Files scanned side by side report exactly what one at a time reports, in
// the order of the arguments, failures included.
TEST(Cli, ParallelRunsWriteWhatOneAtATimeWrites) {
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 4) {
      case 0:
        files.push_back(dir.Write("letter" + n + ".ps", kLetter));
        break;
      case 1:
        files.push_back(dir.path() + "/missing" + n + ".ps");
        break;
      case 2:
        files.push_back(dir.Write("doc" + n + ".pdf", "%PDF-1.7\n"));
        break;
      default:
        files.push_back(dir.Write(
            "job" + n + ".ps", "%!PS-Adobe-3.0\n%%Title: Job " + n +
                                   "\n%%Pages: " + n + "\n%%BoundingBox: 0 0 " +
                                   n + "0 200\n%%EndComments\n"));
    }
  }
  for (const std::vector<std::string>& head :
       {std::vector<std::string>{"pairs"},
        {"pairs", "--json", "--mode", "both"},
        {"rules"},
        {"rules", "--json"}}) {
    std::vector<std::string> serial = head;
    serial.insert(serial.end(), {"-j", "1"});
    serial.insert(serial.end(), files.begin(), files.end());
    const CliResult one = RunCli(serial);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(std::count(one.err.begin(), one.err.end(), '\n'), 6) << one.err;
    for (const std::vector<std::string>& jobs :
         {std::vector<std::string>{"-j", "2"}, {"-j4"}, {"-j=64"}}) {
      std::vector<std::string> parallel = head;
      parallel.insert(parallel.end(), jobs.begin(), jobs.end());
      parallel.insert(parallel.end(), files.begin(), files.end());
      const CliResult many = RunCli(parallel);
      EXPECT_EQ(std::tie(many.status, many.out, many.err),
                std::tie(one.status, one.out, one.err))
          << ::testing::PrintToString(parallel);
    }
  }
  // The default is as many as there are cores: the same streams again.
  std::vector<std::string> plain{"rules"};
  plain.insert(plain.end(), files.begin(), files.end());
  std::vector<std::string> serial{"rules", "-j=1"};
  serial.insert(serial.end(), files.begin(), files.end());
  const CliResult a = RunCli(plain);
  const CliResult b = RunCli(serial);
  EXPECT_EQ(std::tie(a.status, a.out, a.err), std::tie(b.status, b.out, b.err));
}

// Jobs of one base name in different folders number their tickets in the
// order of the arguments, however many files run at once.
TEST(Cli, ParallelRunsNumberDexTicketsInArgumentOrder) {
  TempDir dir;
  const std::string out = dir.path() + "/out";
  ASSERT_TRUE(std::filesystem::create_directory(out));
  vantrel_test::ScopedEnv unset("KALOUTPUT", nullptr);
  std::vector<std::string> args{"rules", "--dex-dir", out, "-j", "4"};
  for (int i = 0; i < 8; ++i) {
    const std::string sub = "d" + std::to_string(i);
    ASSERT_TRUE(std::filesystem::create_directory((dir.path() + "/" + sub)));
    args.push_back(dir.Write(
        sub + "/job.ps",
        "%!PS-Adobe-3.0\n%%BeginDexJTData: 2\n<" + std::to_string(i) + ">\n"));
  }
  const CliResult r = RunCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  for (int i = 0; i < 8; ++i) {
    const std::string ticket = out + vantrel_test::kFolderSeparator +
                               "job.ps_" + std::to_string(i) + ".dexxml";
    EXPECT_EQ(TempDir::Read(ticket), "<" + std::to_string(i)) << ticket;
    EXPECT_NE(r.out.find(ticket), std::string::npos) << ticket;
  }
}

// A file name is shown as UTF-8 whether it was written in UTF-8 or in
// Latin-1; a value is read as Latin-1 and keeps its control characters.
TEST(Cli, PrintFileBytesComeOutAsJsonEscapes) {
  TempDir dir;
  for (const char* name : {"caf\xc3\xa9.ps", "caf\xe9.ps"}) {
    const std::string path = dir.Write(name,
                                       "%!PS-Adobe-3.0\n%%Creator: \"Q\" \\ "
                                       "\x01\x1b[31m\x7f end\n%%EndComments\n");
    CliResult r = RunCli({"rules", "--json", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"file\":\"" + dir.path() + "/caf\xc3\xa9.ps\"", 0),
              0u)
        << r.out;
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
  ASSERT_TRUE(std::filesystem::create_directory(out));
  const std::string path = dir.Write(
      "job.ps", "%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n");
  vantrel_test::ScopedEnv unset("KALOUTPUT", nullptr);
  CliResult r = RunCli({"rules", "--dex-dir", out, path});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            path +
                ": ok\n  rule 1: document, type 2, pages 0-0, booklet 0\n"
                "    DexJTData             text  id 0    " +
                out + vantrel_test::kFolderSeparator +
                "job.ps_0.dexxml\n    DocumentCustomColors  text  id 904\n");
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
