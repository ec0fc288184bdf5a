// The checker: each code on a small job at its exact line, lines counted
// alike across chunk boundaries and line-end styles, and the cap.
#include "handlers/checks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/byte_source.h"
#include "engine/context.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace {

using vantrel::CheckReport;

// Checks `text` in memory, with chunks of `chunk` bytes (0: the usual).
CheckReport Check(const std::string& text, int chunk = 0) {
  CKalParser parser("job.ps");
  parser.SetMemorySource(text.data(), text.size());
  parser.AddCheckComments();
  ParserContext* engine = CKalParserAccess::Engine(parser);
  engine->wholeFileReadSize = chunk;
  CRuleKalPropArrArray scratch;
  parser.HandleFile(scratch, 15);
  return vantrel::HandlerVars(engine).check->Finish();
}

// "line:code" of every finding, space separated.
std::string Dump(const CheckReport& report) {
  std::string text;
  for (const vantrel::Finding& f : report.findings) {
    if (!text.empty()) text += ' ';
    text += std::to_string(f.line) + ":" + f.code;
  }
  return text;
}

const std::string kHead = "%!PS-Adobe-3.0\n%%EndComments\n";  // lines 1-2

TEST(Checks, EachCodeAtItsLine) {
  static const struct {
    const char* name;
    std::string text;
    const char* expected;
  } kCases[] = {
      {"clean",
       "%!PS-Adobe-3.0\n%%Pages: 1\n%%BoundingBox: 0 0 612 792\n"
       "%%EndComments\n%%BeginProlog\n%%EndProlog\n%%Page: 1 1\nshowpage\n"
       "%%Trailer\n%%EOF\n",
       ""},
      {"text file", "hello\n%!PS\n", "1:not-postscript"},
      {"empty", "", "1:not-postscript"},
      {"PJL around the job",
       "\x1b%-12345X@PJL JOB\n@PJL ENTER LANGUAGE=POSTSCRIPT\n" + kHead +
           "%%EOF\n\x04\n\x1b%-12345X@PJL EOJ\n",
       ""},
      {"pdf", "%PDF-1.4\n%%EOF\n", "1:pdf"},
      {"no end comments", "%!PS-Adobe-3.0\n%%Title: t\n/x 1 def\n",
       "3:no-end-comments"},
      {"header ended by a body comment",
       "%!PS-Adobe-3.0\n%%Title: t\n%%BeginSetup\n%%EndSetup\n",
       "3:no-end-comments"},
      {"plain PostScript claims no header", "%!PS\n/x 1 def\n", ""},
      {"atend unresolved",
       "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%Page: 1 1\n"
       "%%Trailer\n%%EOF\n",
       "2:atend-unresolved"},
      {"atend missing",
       "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n%%Trailer\n"
       "%%Pages: 1\n",
       "6:atend-missing"},
      {"pages mismatch in the header",
       "%!PS-Adobe-3.0\n%%Pages: 3\n%%EndComments\n%%Page: 1 1\n%%Page: 2 2\n",
       "2:pages-mismatch"},
      {"pages mismatch in the trailer",
       "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%Page: 1 1\n"
       "%%Trailer\n%%Pages: 2\n",
       "6:pages-mismatch"},
      {"page order", kHead + "%%Page: 1 1\n%%Page: 3 3\n%%Page: 4 4\n",
       "4:page-order"},
      {"page order special",
       "%!PS-Adobe-3.0\n%%PageOrder: Special\n%%EndComments\n%%Page: a 3\n",
       ""},
      {"empty box", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 0 0\n",
       "2:bbox-invalid"},
      {"inverted page box", kHead + "%%Page: 1 1\n%%PageBoundingBox: 9 9 5 5\n",
       "4:bbox-invalid"},
      {"three numbers", "%!PS-Adobe-3.0\n%%BoundingBox: 1 2 3\n",
       "2:bbox-invalid"},
      {"box with a word", "%!PS-Adobe-3.0\n%%BoundingBox: 1 2 3 x\n",
       "2:bbox-invalid"},
      {"box fractions", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612.5 792\n",
       "2:bbox-not-integer"},
      {"hi-res fractions", "%!PS-Adobe-3.0\n%%HiResBoundingBox: 0 0 1.5 2\n",
       ""},
      {"document left open",
       kHead + "%%BeginDocument: a.eps\n%!PS-Adobe-3.0 EPSF-3.0\n",
       "3:unbalanced"},
      {"end without begin", kHead + "%%EndResource\n", "3:unbalanced"},
      {"feature left open at a page",
       kHead + "%%Page: 1 1\n%%BeginFeature: *Duplex\n%%Page: 2 2\n",
       "4:unbalanced"},
      {"resource closed by an inner end",
       kHead + "%%BeginResource: x\n%%BeginFont: y\n%%EndResource\n",
       "4:unbalanced"},
      {"lone end prolog", kHead + "%%EndProlog\n", ""},
      {"data lands", kHead + "%%BeginData: 5 Binary Bytes\nab%%c\n%%EndData\n",
       ""},
      {"data lands after CRLF",
       "%!PS-Adobe-3.0\r\n%%EndComments\r\n%%BeginBinary: 4\r\n%%x\r\n"
       "%%EndBinary\r\n",
       ""},
      {"data in lines",
       kHead + "%%BeginData: 2 Hex Lines\n%%Page: 1 1\n00\n%%EndData\n", ""},
      {"data count short",
       kHead + "%%BeginData: 3 Binary Bytes\nabcdef\n%%EndData\n",
       "3:data-count"},
      {"data count past the end", kHead + "%%BeginBinary: 500\nab\n",
       "3:data-count 3:unbalanced"},
      // A "%%+" line goes on with the "%%EndData" inside the data, whether
      // the scan read them or skipped them: it ends nothing.
      {"continued end after the data",
       kHead + "%%BeginData: 9 Binary Bytes\n%%EndData\n%%+ x\n%%EndData\n",
       "3:data-count"},
      {"orientation word", "%!PS-Adobe-3.0\n%%Orientation: landscape\n",
       "2:unknown-value"},
      {"other words",
       "%!PS-Adobe-3.0\n%%PageOrder: Up\n%%LanguageLevel: 4\n"
       "%%Requirements: duplex(tumble) stapler collate\n%%EndComments\n"
       "%%Page: 1 1\n%%PageOrientation: Seascape\n",
       "2:unknown-value 3:unknown-value 4:unknown-value"},
      {"long DSC line",
       kHead + "%%PageMedia: " + std::string(250, 'x') + "\n" +
           std::string(300, 'y') + "\n",
       "3:line-too-long"},
      {"long header line",
       "%!PS-Adobe-3.0\n%%Title: " + std::string(300, 'x') +
           "\n%%EndComments\n",
       "2:line-too-long"},
      {"long header ended by code",
       "%!PS-Adobe-3.0\n" +
           [] {
             std::string lines;
             for (int i = 0; i < 100; ++i) lines += "%%X: y\n\n";
             return lines;
           }() +
           "/x 1 def\n",
       "202:no-end-comments"},
      {"header comment in the body", kHead + "%%Title: late\n",
       "3:header-in-body"},
      {"header comments of embedded documents and trailers",
       kHead + "%%BeginDocument: a.eps\n%%Title: a\n%%EndDocument\n"
               "%%Trailer\n%%Title: t\n",
       ""},
      {"content after eof", kHead + "%%EOF\n\n showpage\n", "5:after-eof"},
      {"blank after eof", kHead + "%%EOF\n\x04\n \n", ""},
      {"eps pages",
       "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%Page: 1 1\n%%Page: 2 2\n",
       "4:eps-pages"},
      {"eps with one unmarked page",
       "%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 1\n%%EndComments\n", ""},
      {"dex length word", kHead + "%%BeginDexJTData: many\n", "3:dex-length"},
      {"dex past the end", kHead + "%%BeginDexJTData: 100\n<x/>\n",
       "3:dex-length"},
      {"dex within", kHead + "%%BeginDexJTData: 5\n<x/>\n%%EOF\n", ""},
      {"embedded pages are the document's own",
       "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n"
       "%%BeginDocument: a.eps\n%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 2\n"
       "%%EndComments\n%%Page: 1 1\n%%EndDocument\n",
       "7:pages-mismatch"},
      {"plain comments are not DSC", kHead + "% Page prefeed\n", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Dump(Check(c.text)), c.expected) << c.name;
  }
}

// The reference count: LF, CR and CRLF each end one line.
int64_t LineOf(const std::string& text, size_t at, int64_t* start) {
  int64_t line = 1;
  *start = 0;
  for (size_t i = 0; i < at; ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') {
      ++line;
      *start = static_cast<int64_t>(i + 1);
    }
  }
  return line;
}

TEST(Checks, LinesAcrossChunkBoundariesAndLineEnds) {
  for (const char* eol : {"\n", "\r", "\r\n"}) {
    for (int shift = 0; shift < 12; ++shift) {
      // A filler of short lines puts line ends, and the bad comment, at and
      // around the 4096-byte chunk ends.
      std::string text =
          std::string("%!PS-Adobe-3.0") + eol + "%%EndComments" + eol;
      while (text.size() < 4090 + static_cast<size_t>(shift))
        text += std::string("x") + eol;
      const size_t at = text.size();
      text += std::string("%%Orientation: up") + eol;
      // A long DSC line across the next chunk end, then the last comment
      // at the chunk end after it.
      while (text.size() < 8000 + static_cast<size_t>(shift))
        text += std::string("y") + eol;
      const size_t long_at = text.size();
      text += "%%PageMedia: " + std::string(300, 'z') + eol;
      while (text.size() < 12284) text += std::string("y") + eol;
      text += std::string("%%PageOrientation: down") + eol;
      int64_t start = 0;
      const int64_t line = LineOf(text, at, &start);
      int64_t start2 = 0;
      const int64_t line2 = LineOf(text, text.rfind("%%PageO"), &start2);
      int64_t long_start = 0;
      const int64_t long_line = LineOf(text, long_at, &long_start);
      for (int chunk : {0, 4096}) {
        const CheckReport r = Check(text, chunk);
        ASSERT_EQ(r.findings.size(), 4u) << shift << chunk << Dump(r);
        EXPECT_EQ(r.findings[0].line, line) << shift << chunk;
        EXPECT_EQ(r.findings[0].offset, start) << shift << chunk;
        EXPECT_STREQ(r.findings[1].code, "header-in-body");
        EXPECT_EQ(r.findings[1].line, line) << shift << chunk;
        EXPECT_STREQ(r.findings[2].code, "line-too-long");
        EXPECT_EQ(r.findings[2].line, long_line) << shift << chunk;
        EXPECT_EQ(r.findings[2].offset, long_start) << shift << chunk;
        EXPECT_EQ(r.findings[3].line, line2) << shift << chunk;
        EXPECT_EQ(r.findings[3].offset, start2) << shift << chunk;
      }
    }
  }
}

TEST(Checks, CountedBytesCountEveryLineEndAndHideTheirComments) {
  std::string data;
  for (int i = 0; data.size() < 5000; ++i) {
    data += i % 3 == 0 ? "ab\r\ncd\re\n" : "%%Page: 9 9\n\r\r\n";
    data += std::string(static_cast<size_t>(i % 70), 'x');
  }
  const std::string text =
      kHead + "%%BeginData: " + std::to_string(data.size()) +
      " Binary Bytes\r\n" + data + "\r\n%%EndData\r\n%%Title: late\r\n";
  int64_t start = 0;
  const int64_t line = LineOf(text, text.rfind("%%Title"), &start);
  for (int chunk : {0, 4096}) {
    const CheckReport r = Check(text, chunk);
    ASSERT_EQ(Dump(r), std::to_string(line) + ":header-in-body") << chunk;
    EXPECT_EQ(r.findings[0].offset, start) << chunk;
  }
}

TEST(Checks, FindingsAreCappedButCounted) {
  std::string text = "%!PS-Adobe-3.0\n";
  for (int i = 0; i < 1100; ++i) text += "%%LanguageLevel: 9\n";
  const CheckReport r = Check(text);
  ASSERT_EQ(r.findings.size(), vantrel::kMaxFindings + 1);
  EXPECT_EQ(r.warnings, 1100);
  EXPECT_EQ(r.findings.back().message, "100 more findings not listed");
  EXPECT_STREQ(r.findings.back().code, "too-many");
  EXPECT_EQ(r.findings.back().line, 1002);
}

// A job's bytes, read only by copy, every read kept.
class RecordingSource : public vantrel::MemorySource {
 public:
  explicit RecordingSource(const std::string& text)
      : MemorySource(text.data(), text.size()) {}
  int64_t ReadAt(char* buffer, size_t count, int64_t offset) override {
    reads_.emplace_back(offset, offset + static_cast<int64_t>(count));
    return MemorySource::ReadAt(buffer, count, offset);
  }
  const char* InPlace(int64_t) const override { return nullptr; }
  bool Read(int64_t at) const {
    for (const auto& r : reads_) {
      if (r.first <= at && at < r.second) return true;
    }
    return false;
  }

 private:
  std::vector<std::pair<int64_t, int64_t>> reads_;
};

TEST(Checks, CountedDataAreReadOnlyForAFindingAfterThem) {
  std::string data;
  while (data.size() < 1000000) data += std::string(99, 'x') + "\r\n";
  for (bool finding : {false, true}) {
    const std::string text =
        kHead + "%%BeginData: " + std::to_string(data.size()) +
        " Binary Bytes\n" + data + "%%EndData\n" +
        (finding ? "%%PageOrientation: Up\n" : "%%PageOrientation: Portrait\n");
    RecordingSource source(text);
    CKalParser parser("job.ps");
    parser.SetMemorySource(text.data(), text.size());
    parser.AddCheckComments();
    ParserContext* engine = CKalParserAccess::Engine(parser);
    engine->source = &source;  // read instead of the file
    CRuleKalPropArrArray scratch;
    parser.HandleFile(scratch, 15);
    const CheckReport r = vantrel::HandlerVars(engine).check->Finish();
    int64_t start = 0;
    EXPECT_EQ(Dump(r), finding ? std::to_string(LineOf(
                                     text, text.rfind("%%PageO"), &start)) +
                                     ":unknown-value"
                               : "");
    // The middle of the data is read only to count the finding's line.
    EXPECT_EQ(source.Read(static_cast<int64_t>(text.size() / 2)), finding);
  }
}

}  // namespace
