#include "handlers/pdf.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "handlers/value_text.h"
#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

using vantrel_test::ScanJob;

TEST(PdfFile, IsRefusedAtItsFirstLineInEveryModeOnBothRoads) {
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n";
  while (pdf.size() < 20000) pdf += "%%Title: (not read)\n";
  vantrel_test::TempDir dir;
  const std::string path = dir.Write("doc.pdf", pdf);
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  for (int mode : {1, 2, 3, 15}) {
    int status = 0;
    EXPECT_EQ(ScanJob(pdf, mode, &status), "\n") << mode;
    EXPECT_EQ(status, VANTREL_SCAN_PDF_REFUSED) << mode;
    _tPairProperty* pairs = nullptr;
    int count = 0;
    rip->ParseToPairs(path.c_str(), pairs, count, 1, mode, 'P');
    delete[] pairs;
    EXPECT_EQ(rip->GetLastScanStatus(), VANTREL_SCAN_PDF_REFUSED) << mode;
  }
}

std::string* g_pages = nullptr;

// Stands for the "Pages" handlers: records the value text it is handed.
int64_t RecordPages(char* context, CommentStruct*, long, char* keyword,
                    char** position, char*, int64_t, int64_t, long* wait, void*,
                    void* caller) {
  char value[kValueBufferSize];
  ReadCommentValue(context, position, value, /*advance=*/true);
  *g_pages += std::string(keyword) + "=" + value +
              (wait == nullptr && caller == nullptr ? "" : "!");
  return 0;
}

TEST(PdfPageMessages, HandTheirPageNumberToThePagesHandlers) {
  static const struct {
    const char* text;  // after "(%%["
    const char* handed;
  } kCases[] = {
      {"Page: 12]%%)", "Pages=12"},
      {"Page: 1234567890123]%%)", "Pages=123456789"},
      // The number is all the handlers see, even an opened parenthesis.
      {"Page: (12]%%) (more)", "Pages=12"},
      {"Pages: 7]%%)", "Pages=7"},
      {" Page: 3]%%)", ""}, {"Page: 5%%)", ""}, {"Page]: 5 x", ""}, {"Pag", ""},
  };
  std::string pages;
  g_pages = &pages;
  ParserContext* ctx = ParserCreateContext(nullptr);
  ParserAddEntryToList(ctx, "Pages", RecordPages, 0, nullptr, 0);
  for (const auto& c : kCases) {
    pages.clear();
    std::string chunk = c.text;
    ctx->dataEnd = &chunk[0] + chunk.size();
    getNumberPagesPSfromPDF(ctx, nullptr, &chunk[0]);
    EXPECT_EQ(ctx->dataEnd, &chunk[0] + chunk.size()) << c.text;
    EXPECT_EQ(pages, c.handed) << c.text;
  }
  ParserFreeContext(ctx);
  g_pages = nullptr;
  // Through the scanner: only the tail pass looks at the messages.
  const std::string job = "%!PS-Adobe-3.0\n(%%[Page: 1]%%) = flush\n" +
                          vantrel_test::Filler(20000) + "(%%[Page: 7]%%) = flush\n";
  EXPECT_EQ(ScanJob(job, 1), "\n");
  EXPECT_EQ(ScanJob(job, 3), "NumPages:long=7\n");
}

}  // namespace
}  // namespace vantrel
