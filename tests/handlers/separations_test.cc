#include "handlers/separations.h"

#include <gtest/gtest.h>

#include <string>

#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::DumpRules;
using vantrel_test::Feed;
using vantrel_test::ScanJob;

std::string Rule(int page, int plates) {
  return "[layer 101 type 2 pages " + std::to_string(page) + "-" +
         std::to_string(page) +
         " booklet 0] NumberOfSeparations:2=" + std::to_string(plates) + "\n";
}

const char kPreSeparated[] =
    "OPIDCS:long=2; PreSeparatedMode:5=1; NumPages:long=2; "
    "DocumentCustomColors:string#904=; CustomColorsList:string=\n";

TEST(SeparationsFile, EachModeCountsThePlatesOfEveryPrintedPage) {
  std::string mode2;
  for (const char* page :
       {"1 1", "1 2", "1 3", "1 4", "2 5", "2 6", "2 7", "2 8"}) {
    mode2 += std::string("%%Page: ") + page + "\n%%PlateColor: Black\n";
  }
  const struct {
    const char* name;
    std::string comments;
    std::string result;
  } kCases[] = {
      // clang-format off
      // "Page" runs the page label, then this count, on the same value.
      {"page labels", mode2, kPreSeparated + Rule(1, 4) + Rule(2, 4)},
      {"logical page first", "%%LogicalPage: 1\n%%Page: 1 1\n%%PlateColor: Cyan\n", "\n"},
      {"page labels, no plate colours", "%%Page: 1 1\n%%Page: 1 2\n%%Page: 2 3\n", "\n"},
      // An included picture's page is no plate of the job's page.
      {"page labels, a picture", "%%Page: 1 1\n%%PlateColor: Black\n%%BeginDocument: a.eps\n"
       "%%Page: 1 1\n%%EndDocument\n%%Page: 2 2\n%%PlateColor: Black\n",
       kPreSeparated + Rule(1, 1) + Rule(2, 1)},
      {"logical pages", "%%Page: 1 1\n%%PlateColor: Cyan\n%%LogicalPage: 1\n%%PlateColor: Black\n"
       "%%Page: 9 9\n%%LogicalPage: 2\n%%PlateColor: Cyan\n",
       kPreSeparated + Rule(1, 2) + Rule(2, 1)},
      // A body creator is not kept, but its application still names the
      // plates.
      {"plate colours", "%%Creator: Adobe Illustrator 10\n%%Page: 1 1\n%%PlateColor: Cyan\n"
       "%%PlateColor: Magenta\n%%PlateColor: Yellow\n%%PlateColor: Black\n%%PlateColor: cyan\n"
       "%%Page: 2 2\n%%PlateColor: Magenta\n",
       kPreSeparated + Rule(1, 4) + Rule(2, 2)},
      // The plate that opens the last page is that page's: its rule is
      // written even when no second plate follows.
      {"plate colours, one plate on the last page", "%%Creator: Adobe Illustrator 10\n"
       "%%PlateColor: Cyan\n%%PlateColor: Magenta\n%%PlateColor: Cyan\n",
       kPreSeparated + Rule(1, 2) + Rule(2, 1)},
      {"Quark pages, with OPI", "%%BeginOPI: 2.0\n%%QRKPageBegin: 1\n%%QRKPageBegin: 1\n"
       "%%QRKPageBegin: 1\n%%PlateColor: Black\n%%QRKPageBegin: 2\n%%PlateColor: Black\n",
       "OPIDCS:long=50; PreSeparatedMode:5=1; NumPages:long=2; "
       "DocumentCustomColors:string#904=; CustomColorsList:string=\n" + Rule(1, 3) + Rule(2, 1)},
      {"KALmp plate colours",
       "%%Page: 1 1\n%%KALmpPlateColor: Black\n%%KALmpPlateColor: Composite\n"
       "%%KALmpPlateColor: Black\n%%PlateColor: Black\n%%KALmpPlateColor: Cyan\n",
       kPreSeparated + Rule(1, 1) + Rule(2, 2)},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(
        ScanJob("%!PS-Adobe-3.0\n%%EndComments\n" + c.comments + "%%EOF\n"),
        c.result)
        << c.name;
  }
}

std::string Dump(const CommentStruct& r) {
  return "page " + std::to_string(r.m_pageNumber) + " count " +
         std::to_string(r.m_separationCount) + " mode " +
         std::to_string(r.m_separationMode) + " separated " +
         std::to_string(r.m_separated);
}

TEST(SeparationHandlers, PlateTableKeeps32NamesCutTo63) {
  CommentStruct record{};
  record.m_separationMode = 1;
  CRuleKalPropArrArray rules;
  for (int i = 1; i <= 33; ++i) {
    Feed(ParserPlateColor, "P" + std::to_string(i), &record, nullptr, &rules);
  }
  EXPECT_EQ(Dump(record), "page 1 count 33 mode 1 separated 1");
  // The 33rd was not kept: its repeat is one more plate.
  Feed(ParserPlateColor, "P33", &record, nullptr, &rules);
  EXPECT_EQ(DumpRules(rules), "");
  Feed(ParserPlateColor, "p1", &record, nullptr, &rules);
  EXPECT_EQ(DumpRules(rules), Rule(1, 34));

  // Names are compared and kept cut to 63 characters.
  const std::string long_name(63, 'S');
  Feed(ParserPlateColor, long_name + "-one", &record, nullptr, &rules);
  EXPECT_EQ(std::string(record.m_plateColors[1]), long_name);
  Feed(ParserPlateColor, long_name + "-two", &record, nullptr, &rules);
  EXPECT_EQ(DumpRules(rules), Rule(1, 34) + Rule(2, 2));
  EXPECT_EQ(Dump(record), "page 3 count 1 mode 1 separated 1");
  vantrel_test::TestMap().Clear();
}

TEST(SeparationHandlers, PageCommentsOfTheTailPassOrWithoutALabelCountNothing) {
  static const struct {
    CommentHandler handler;
    const char* value;
    int tail;
  } kCases[] = {
      {ParserPageSeparations, "1 1", 1},     {ParserPageSeparations, "0 1", 0},
      {ParserPageSeparations, "(atend)", 0}, {ParserLogicalPage, "3", 1},
      {ParserQRKPageBegin, "2", 1},          {ParserQRKPageBegin, "x", 0},
  };
  for (const auto& c : kCases) {
    CommentStruct record{};
    record.m_inTailPass = static_cast<uint8_t>(c.tail);
    Feed(c.handler, c.value, &record);
    EXPECT_EQ(Dump(record), "page 0 count 0 mode 0 separated 0") << c.value;
  }
}

}  // namespace
}  // namespace vantrel
