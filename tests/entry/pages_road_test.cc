// The pages road on jobs written by real producers, and the byte ranges of
// the pages: every page cuts out at its offset and length, in a file, in a
// DOS EPS file and behind Ctrl-D and PJL bytes, for any number of pages.
#include "entry/pages_road.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/context.h"
#include "handlers/page_index.h"
#include "output/pages_json.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"
#include "support/test_support.h"

namespace {

using vantrel::PageReport;
using vantrel_test::DosEps;
using vantrel_test::Filler;
using vantrel_test::TempDir;

std::string DataFile(const std::string& name) {
  return std::string(VANTREL_SOURCE_DIR) + "/tests/data/" + name;
}

int ScanMemory(const std::string& bytes, PageReport& report) {
  vantrel::Job job;
  job.in_memory = true;
  job.data = bytes.data();
  job.size = bytes.size();
  job.name = "job.ps";
  return vantrel::RunPagesRoad(job, report);
}

std::string FileJson(const std::string& path) {
  vantrel::Job job;
  job.path = path.c_str();
  job.name = "job.ps";
  PageReport report;
  const int status = vantrel::RunPagesRoad(job, report);
  return vantrel::PagesJson("job.ps", status, report);
}

// The pages cut the job in `pieces` consecutive ranges, each starting with
// its "%%Page:" line; what comes before the first and after the last page,
// with the pieces, makes up the file, and the rest after the last page
// starts with `rest` (the trailer, or nothing when the job ends there).
// A file and a block in memory give the same answer.
void ExpectPagesCut(const std::string& name, const std::string& bytes,
                    size_t pieces, const std::string& rest) {
  PageReport report;
  ASSERT_EQ(ScanMemory(bytes, report), VANTREL_SCAN_OK) << name;
  ASSERT_EQ(report.pages.size(), pieces) << name;
  if (pieces == 0) return;
  std::string rebuilt = bytes.substr(0, report.pages[0].offset);
  for (const vantrel::PageRecord& page : report.pages) {
    ASSERT_EQ(page.offset, static_cast<int64_t>(rebuilt.size()))
        << name << " page " << page.label;
    const std::string piece = bytes.substr(page.offset, page.length);
    EXPECT_EQ(piece.compare(0, 7, "%%Page:"), 0)
        << name << " page " << page.label;
    rebuilt += piece;
  }
  const std::string after = bytes.substr(rebuilt.size());
  EXPECT_EQ(after.compare(0, rest.size(), rest), 0) << name;
  EXPECT_EQ(rebuilt + after, bytes) << name;

  TempDir dir;
  EXPECT_EQ(FileJson(dir.Write("job.ps", bytes)),
            vantrel::PagesJson("job.ps", VANTREL_SCAN_OK, report))
      << name;
}

std::string Pages(int count, size_t filler) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += "%%Page: " + std::to_string(i) + " " + std::to_string(i) + "\n" +
            Filler(filler);
  }
  return text;
}

TEST(PagesRoad, EveryPageCutsOutAtItsOffsetAndLength) {
  const std::string job = "%!PS-Adobe-3.0\n%%Pages: 3\n%%EndComments\n" +
                          Pages(3, 90000) + "%%Trailer\n%%EOF\n";
  const std::string no_trailer =
      "%!PS-Adobe-3.0\n%%EndComments\n" + Pages(4, 700);
  const std::string preview(5000, '\x7f');
  const std::string pjl =
      "\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
  ExpectPagesCut("across chunks", job, 3, "%%Trailer");
  ExpectPagesCut("to the end", no_trailer, 4, "");
  ExpectPagesCut("DOS EPS", DosEps(preview, job, preview), 3, "%%Trailer");
  ExpectPagesCut("DOS EPS without trailer",
                 DosEps(preview, no_trailer, preview), 4,
                 preview.substr(0, 10));
  ExpectPagesCut("Ctrl-D and PJL", "\x04\x04" + pjl + job + "\x1b%-12345X", 3,
                 "%%Trailer");
  ExpectPagesCut("CRLF lines", "%!PS\r\n%%Page: 1 1\r\nx\r\n%%Page: 2 2\r\n", 2,
                 "");
  for (const char* file :
       {"pdftops_mixed.ps", "psselect_reversed.ps", "a2ps_duplex.ps",
        "groff_fonts.ps", "enscript.ps", "dvips.ps"}) {
    ExpectPagesCut(file, TempDir::Read(DataFile(file)),
                   std::string(file) == "dvips.ps" ? 5
                   : std::string(file) == "groff_fonts.ps" ||
                           std::string(file) == "a2ps_duplex.ps"
                       ? 2
                       : 3,
                   "%%Trailer");
  }
}

TEST(PagesRoad, ReportsEveryPageOfAHundredThousandPageJob) {
  constexpr int kCount = 100000;
  const std::string job =
      "%!PS-Adobe-3.0\n%%EndComments\n" + Pages(kCount, 40) + "%%Trailer\n";
  PageReport report;
  ASSERT_EQ(ScanMemory(job, report), VANTREL_SCAN_OK);
  ASSERT_EQ(report.pages.size(), static_cast<size_t>(kCount));
  const vantrel::PageRecord& last = report.pages.back();
  EXPECT_EQ(last.label, std::to_string(kCount));
  EXPECT_EQ(last.ordinal.value, kCount);
  EXPECT_EQ(last.offset + last.length,
            static_cast<int64_t>(job.size() - sizeof "%%Trailer\n" + 1));
}

// The road's report of `bytes` read in chunks of `chunk` bytes (0: the
// usual size).
std::string JsonInChunks(const std::string& bytes, int chunk) {
  CRuleKalPropArrArray scratch;
  CKalParser parser("job.ps");
  parser.SetMemorySource(bytes.data(), bytes.size());
  parser.AddStructureComments();
  parser.AddPageIndexComments();
  ParserContext* engine = CKalParserAccess::Engine(parser);
  engine->wholeFileReadSize = chunk;
  parser.HandleFile(scratch, 15);
  vantrel::PageIndexState& state = *vantrel::HandlerVars(engine).pageIndex;
  vantrel::FinishPageIndex(state, engine->windowEnd);
  return vantrel::PagesJson("job.ps", parser.GetScanStatus(), state.report);
}

TEST(PagesRoad, AnswersDoNotDependOnWhereChunksBegin) {
  // Pages of many sizes, so that page comments, their values and "%%+"
  // lines fall at every place of a chunk.
  std::string job =
      "%!PS-Adobe-3.0\n%%DocumentMedia: A4 595 842 0 () ()\n"
      "%%+ A3 842 1191 0 () ()\n%%EndComments\n";
  for (int i = 1; i <= 300; ++i) {
    job += "%%Page: (p " + std::to_string(i) + ") " + std::to_string(i) +
           "\n%%PageBoundingBox: 0 0 " + std::to_string(i) + " 842\n" +
           Filler(static_cast<size_t>(i * 37 % 2900));
  }
  job += "%%Trailer\n%%Requirements: duplex\n%%+ collate\n";
  const std::string whole = JsonInChunks(job, 0);
  ASSERT_NE(whole.find("\"label\":\"p 300\",\"ordinal\":300"),
            std::string::npos);
  for (int chunk : {4096, 4099, 5000, 8191}) {
    EXPECT_EQ(JsonInChunks(job, chunk), whole) << chunk;
  }
}

// Each producer's job, key by key: the fragments of its JSON line.
TEST(PagesRoad, ReadsWhatRealProducersWrite) {
  static const struct {
    const char* file;
    std::vector<const char*> fragments;
  } kCases[] = {
      {"pdftops_mixed.ps",
       {R"j("bbox":[0,0,595,842],"media":"A4","orientation":"Portrait")j",
        R"j("label":"2","ordinal":2,"offset":13664,"length":581,"bbox":[0,0,842,595],"media":"297x209mm")j",
        R"j("bbox":[0,0,612,792],"media":"Letter")j",
        R"j("media":[{"name":"A4","width":595,"height":842,"weight":0,"color":"","type":""},{"name":"297x209mm","width":842,"height":595)j",
        R"j("language_level":2,"for":null)j"}},
      {"psselect_reversed.ps",
       {R"j("pages":[{"label":"4","ordinal":1,)j",
        R"j({"label":"1","ordinal":3,"offset":5809,"length":99,"bbox":null,"media":"Default")j",
        R"j("needed":["font Times-Roman"],"supplied":["procset grops 1.22 4"])j"}},
      {"a2ps_duplex.ps",
       {R"j("pages":[{"label":"1-2","ordinal":1,)j",
        R"j("requirements":["Tumble","Duplex"],"duplex":"long-edge","collate":null)j",
        R"j("for":"root","process_colors":["Black"])j",
        R"j("supplied":["procset a2ps-a2ps-hdr","procset a2ps-black+white-Prolog","encoding ISO-8859-1Encoding"])j"}},
      {"groff_fonts.ps",
       {R"j("needed":["font Times-Bold","font Times-Italic","font Times-Roman","font Courier"])j",
        R"j("media":[{"name":"Default","width":612,"height":792,)j"}},
  };
  for (const auto& c : kCases) {
    const std::string json = FileJson(DataFile(c.file));
    for (const char* fragment : c.fragments) {
      EXPECT_NE(json.find(fragment), std::string::npos)
          << c.file << " lacks " << fragment << "\n"
          << json;
    }
  }
}

TEST(PagesRoad, FailsLikeTheOtherRoads) {
  EXPECT_EQ(
      FileJson("/nonexistent/job.ps"),
      R"j({"file":"job.ps","scan":"failed","error":"no such file","pages":[],"media":[],"requirements":[],"duplex":null,"collate":null,"language_level":null,"for":null,"process_colors":[],"resources":{"needed":[],"supplied":[]}})j");
  PageReport report;
  EXPECT_EQ(ScanMemory("%PDF-1.4\n%%Page: 1 1\n", report),
            VANTREL_SCAN_PDF_REFUSED);
}

}  // namespace
