#include "handlers/header_comments.h"

#include <gtest/gtest.h>

#include <string>

#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::DumpPropertyMap;
using vantrel_test::ScanJob;

TEST(TitleHandler, PendingTitleIsStoredAtTheEndOfTheHeader) {
  static const struct {
    const char* header;
    const char* map;
  } kCases[] = {
      // clang-format off
      {"%%Title: (Quarterly (final) report)\n%%EndComments\n", "Title:STRING=Quarterly final report"},
      {"%%Title: ( )\n%%EndComments\n", ""},
      {"%%Title: A\n%%Title: B\n%%EndComments\n%%Title: C\n%%EndComments\n", "Title:STRING=B"},
      // A title of blanks only overwrites the pending text.
      {"%%Title: A\n%%Title: ( )\n%%EndComments\n", "Title:STRING= "},
      {"%%Title: Big\tDeal\n%%EndComments\n", "Title:STRING=Big"},
      {"%%Title: \xC9t\xE9\r%%EndComments\r", "Title:STRING=\xC9t\xE9"},
      // A header without "EndComments" still names the job, up to the first
      // comment of the body.
      {"%%Title: No end of header\n", "Title:STRING=No end of header"},
      {"%%Title: Paps\n%%BeginProlog\n%%Title: Body\n", "Title:STRING=Paps"},
      {"%%Title: A\n%%Page: 1 1\n%%Title: B\n%%Trailer\n", "Title:STRING=A"},
      {"%%BeginSetup\n%%Title: Body\n", ""}, {"%%Page: 1 1\n%%Title: Body\n", ""},
      {"%%Trailer\n%%Title: Late\n", ""},
      // An embedded document's or resource's title is never the job's.
      {"%%Title: Job\n%%EndComments\n%%BeginDocument: x\n%%Title: Inner\n%%EndComments\n",
       "Title:STRING=Job"},
      {"%%Title: Job\n%%BeginResource: font F\n%!PS-AdobeFont-1.0: F\n%%Title: F\n"
       "%%EndComments\n%%EndResource\n", "Title:STRING=Job"},
      {"%%EndComments\n%%BeginFont: F\n%!PS-AdobeFont-1.0: F\n%%Title: F\n%%EndComments\n"
       "%%EndFont\n", ""},
      {"%%BeginDocument: x\n%%Title: Inner\n%%EndDocument\n%%Title: After\n%%EndComments\n",
       ""},
      // Nor does a later "%!" line open a header that names the job.
      {"%%EndComments\n%!PS-AdobeFont-1.0: F\n%%Title: F\n%%EndComments\n", ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScanJob(std::string("%!PS-Adobe-3.0\n") + c.header),
              std::string(c.map) + "\n")
        << c.header;
  }
}

// Hands `value` to the KALPPD handler, its data ending after `data` bytes;
// the handler leaves the position where it was.
void FeedKALPPD(const std::string& value, size_t data = std::string::npos) {
  size_t moved = 1;
  vantrel_test::Feed(ParserKALPPD, value, nullptr, nullptr, nullptr, nullptr,
                     data, &moved);
  EXPECT_EQ(moved, 0u) << value;
}

TEST(KALPPDHandler, StoresTheValueUnderTheNameTheCommentGives) {
  const size_t npos = std::string::npos;
  static const struct {
    std::string value;
    size_t data;
    const char* map;
  } kCases[] = {
      // clang-format off
      {"xxxxMediaType   Plain Paper\n", npos, "MediaType:STRING=Plain Paper"},
      {"****MediaType\r\n  Glossy\tx\n", npos, "MediaType:STRING=Glossy"},
      {"\n%%KMedia Plain", npos, "Media:STRING=Plain"},
      {"xxxxName", npos, "Name:STRING="},
      {"xxxxName   Value", 11, "Name:STRING="},
      {"xxxxName   Value", 12, "Name:STRING=V"},
      // A name without anything to name is no property.
      {"xxxx   Value", npos, ""},
      {"xx", npos, ""},
      // The white space between name and value is looked past only so far.
      {"xxxxName" + std::string(256, '\n') + "Value", npos, "Name:STRING=Value"},
      {"xxxxName" + std::string(257, '\n') + "Value", npos, "Name:STRING="},
      // clang-format on
  };
  for (const auto& c : kCases) {
    vantrel_test::TestMap().Clear();
    FeedKALPPD(c.value, c.data);
    EXPECT_EQ(DumpPropertyMap(), c.map) << c.value;
  }
  vantrel_test::TestMap().Clear();
  FeedKALPPD("xxxxMediaType A");
  FeedKALPPD("xxxxMediaType B");
  EXPECT_EQ(DumpPropertyMap(), "MediaType:STRING=B");
  vantrel_test::TestMap().Clear();
}

}  // namespace
}  // namespace vantrel
