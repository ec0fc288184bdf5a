// `vantrel pages`: the JSON line of the library, the listing of one line per
// page, and failures reported as the other commands report them.
#include "pages_command.h"

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

using vantrel_test::TempDir;

const char kJob[] =
    "%!PS-Adobe-3.0\n%%DocumentMedia: A4 595 842 75 white ()\n"
    "%%EndComments\n%%Page: (i) 1\n%%PageBoundingBox: 0 0 595.5 842\n"
    "%%PageMedia: A4\n%%PageOrientation: landscape\n"
    "%%BeginFeature: *Duplex DuplexTumble\n%%EndFeature\n"
    "%%Page: 2 x\n%%Trailer\n";

TEST(PagesCommand, ListsOnePageALineOrTheLibrarysJson) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", kJob);
  const CliResult text = RunCli({"pages", path});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out,
            path +
                ": ok\n"
                "  page i (ordinal 1)  offset 69  length 142  bbox 0 0 "
                "595.5 842  media A4  Landscape  feature *Duplex "
                "DuplexTumble\n"
                "  page 2  offset 211  length 12\n"
                "  medium A4  595 x 842  weight 75  white\n");

  const CliResult json = RunCli({"pages", "--json", "-j", "2", path, path});
  EXPECT_EQ(json.status, 0);
  const std::string line =
      "{\"file\":\"" + path +
      "\",\"scan\":\"ok\",\"pages\":[{\"label\":\"i\",\"ordinal\":1,"
      "\"offset\":69,\"length\":142,\"bbox\":[0,0,595.5,842],\"media\":\"A4\","
      "\"orientation\":\"Landscape\",\"features\":[\"*Duplex DuplexTumble\"]},"
      "{\"label\":\"2\",\"ordinal\":null,\"offset\":211,\"length\":12,"
      "\"bbox\":null,\"media\":null,\"orientation\":null,\"features\":[]}],"
      "\"media\":[{\"name\":\"A4\",\"width\":595,\"height\":842,\"weight\":75,"
      "\"color\":\"white\",\"type\":\"\"}],\"requirements\":[],"
      "\"duplex\":null,\"collate\":null,\"language_level\":null,\"for\":null,"
      "\"process_colors\":[],\"resources\":{\"needed\":[],\"supplied\":[]}}\n";
  EXPECT_EQ(json.out, line + line);
}

TEST(PagesCommand, ReportsFailuresAndJobsWithoutPages) {
  TempDir dir;
  const std::string empty = dir.Write("empty.ps", "%!PS\nshowpage\n");
  const std::string missing = dir.path() + "/missing.ps";
  const CliResult r = RunCli({"pages", empty, missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, empty + ": ok\n  (no pages)\n\n" + missing +
                       ": failed (no such file)\n  (no pages)\n");
  EXPECT_EQ(r.err, "vantrel: " + missing + ": no such file\n");
  EXPECT_EQ(RunCli({"pages", "--mode", "head", empty}).err,
            "vantrel: option '--mode' does not apply to 'pages'\n");
}

}  // namespace
