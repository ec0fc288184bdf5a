#include "handlers/pdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::ScanJob;

TEST(PdfFile, IsRefusedAtItsFirstLineInEveryModeOnBothRoads) {
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n";
  while (pdf.size() < 20000) pdf += "%%Title: (not read)\n";
  for (int mode : {1, 2, 3, 15}) {
    TraceCapture trace;
    int status = 0;
    ScanJob(pdf, mode, &status);
    EXPECT_EQ(status, VANTREL_SCAN_PDF_REFUSED) << mode;
    EXPECT_EQ(std::count(trace.lines().begin(), trace.lines().end(),
                         "ParserPDF Call"),
              1)
        << mode;

    vantrel_test::TempDir dir;
    const std::string path = dir.Write("doc.pdf", pdf);
    CRipBaseParserIF* rip = RipCreateParserObject();
    _tPairProperty* pairs = nullptr;
    int count = 0;
    rip->ParseToPairs(path.c_str(), pairs, count, 1, mode, 'P');
    EXPECT_EQ(rip->GetLastScanStatus(), VANTREL_SCAN_PDF_REFUSED) << mode;
    delete[] pairs;
    delete rip;
  }
}

std::vector<std::string>* g_pages = nullptr;

// Stands for the "Pages" handlers: records the value text it is handed.
int64_t RecordPages(char* context, CommentStruct*, long, char* keyword,
                    char** position, char*, int64_t, int64_t, long* wait, void*,
                    void* caller) {
  char value[kValueBufferSize];
  ReadCommentValue(context, position, value, /*advance=*/true);
  g_pages->push_back(std::string(keyword) + "=" + value +
                     (wait == nullptr && caller == nullptr ? "" : "!"));
  return 0;
}

TEST(PdfPageMessages, HandTheirPageNumberToThePagesHandlers) {
  static const struct {
    const char* text;    // after "(%%["
    const char* handed;  // null: nothing
  } kCases[] = {
      {"Page: 12]%%)", "Pages=12"},
      {"Page: 1234567890123]%%)", "Pages=123456789"},
      // The number is all the handlers see, even an opened parenthesis.
      {"Page: (12]%%) (more)", "Pages=12"},
      {"Pages: 7]%%)", "Pages=7"},
      {" Page: 3]%%)", nullptr},
      {"Page: 5%%)", nullptr},
      {"Page]: 5 x", nullptr},
      {"Pag", nullptr},
  };
  std::vector<std::string> pages;
  g_pages = &pages;
  ParserContext* ctx = ParserCreateContext(nullptr);
  ParserAddEntryToList(ctx, "Pages", RecordPages, 0, nullptr, 0);
  for (const auto& c : kCases) {
    pages.clear();
    std::string chunk = c.text;
    ctx->dataEnd = &chunk[0] + chunk.size();
    getNumberPagesPSfromPDF(ctx, nullptr, &chunk[0]);
    EXPECT_EQ(ctx->dataEnd, &chunk[0] + chunk.size()) << c.text;
    EXPECT_EQ(pages, c.handed == nullptr ? std::vector<std::string>{}
                                         : std::vector<std::string>{c.handed})
        << c.text;
  }
  ParserFreeContext(ctx);

  // Through the scanner: only the tail pass looks at the messages.
  std::string job = "%!PS-Adobe-3.0\n(%%[Page: 1]%%) = flush\n";
  while (job.size() < 20000) job += "0 0 moveto\n";
  job += "(%%[Page: 7]%%) = flush\n";
  vantrel_test::TempDir dir;
  const std::string path = dir.Write("job.ps", job);
  for (int mode : {1, 3}) {
    pages.clear();
    CKalParser parser(path.c_str());
    parser.AddComment("Pages", 0, 0, RecordPages, nullptr);
    CRuleKalPropArrArray rules;
    parser.HandleFile(rules, mode);
    EXPECT_EQ(pages, mode == 3 ? std::vector<std::string>{"Pages=7"}
                               : std::vector<std::string>{})
        << mode;
  }
  g_pages = nullptr;
}

}  // namespace
}  // namespace vantrel
