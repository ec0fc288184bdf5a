#include "handlers/custom_colors.h"

#include <gtest/gtest.h>

#include <string>
#include "support/test_support.h"


namespace vantrel {
namespace {

using vantrel_test::Feed;
using vantrel_test::ScanJob;

TEST(CustomColorsFile,
     ListsEveryNamedColourOnceAndTheCmykListWhenPreSeparated) {
  static const struct {
    const char* name;
    const char* comments;
    const char* result;  // property map, then the rules
  } kCases[] = {
      // clang-format off
      {"none", "", "\n"},
      {"atend", "%%DocumentCustomColors: (atend)\n%%Trailer\n%%DocumentCustomColors: (Red)\n",
       "DocumentCustomColors:string#904= (Red)\n"},
      {"once each, case matters", "%%DocumentCustomColors: (Red)\n%%+ (Red)\n%%+ (red)\n",
       "DocumentCustomColors:string#904= (Red) (red)\n"},
      {"several on a line", "%%DocumentCustomColors: (PANTONE 286 C) (PANTONE 185 C)\n%%+ (Gold)\n",
       "DocumentCustomColors:string#904= (PANTONE 286 C) (PANTONE 185 C) (Gold)\n"},
      {"unparenthesised", "%%DocumentCustomColors: Red Gold\n",
       "DocumentCustomColors:string#904= (Red Gold)\n"},
      {"composite job", "%%CMYKCustomColor: 0 0.5 1 0 (Orange)\n", "\n"},
      {"pre-separated", "%%CMYKCustomColor:\n%%+ 0 0.5 1 0 (Orange)\n%%+ 0.8 0 0.3 0 (Teal)\n"
       "%%+ 0 0.5 1 0 (Orange)\n%%Page: 1 1\n%%PlateColor: Orange\n",
       "OPIDCS:long=2; PreSeparatedMode:5=1; NumPages:long=1; DocumentCustomColors:string#904=; "
       "CustomColorsList:string=0 0.5 1 0 (Orange)\xE4" "0.8 0 0.3 0 (Teal)\xE4\n"
       "[layer 101 type 2 pages 1-1 booklet 0] NumberOfSeparations:2=1\n"},
      // clang-format on
  };

  for (const auto& c : kCases) {
    EXPECT_EQ(
        ScanJob(std::string("%!PS-Adobe-3.0\n") + c.comments + "%%EOF\n"),
        c.result)
        << c.name;
  }
}

TEST(CustomColorHandlers, AnUnclosedNameRunsOnToTheBudgetOrAHighByte) {
  const struct {
    std::string value;
    std::string entry;
  } kCases[] = {
      // clang-format off
      {"(Red\nGreen", "Red\nGreen"},
      {"(Red\nGr\xE9" "en)", "Red\nGr"},
      {"(" + std::string(300, 'x'), std::string(255, 'x')},
      // clang-format on
  };
  for (const auto& c : kCases) {
    ColorList& list = vantrel_test::TestVars().documentColors;
    list.clear();
    size_t moved = 0;
    Feed(ParserDocumentCustomColors, c.value, nullptr, nullptr, nullptr,
         nullptr, std::string::npos, &moved);
    ASSERT_EQ(list.size(), 1u) << c.value;
    EXPECT_EQ(list[0], c.entry);
    EXPECT_EQ(moved, c.entry.size() + 1) << c.value;
  }
}

}  // namespace
}  // namespace vantrel
