#include "handlers/input_tray.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace vantrel {
namespace {

TEST(InputTrayHandler, AppendsOneRulePerCommentWithFourFields) {
  const std::string k70(70, 'K');
  const std::string k63(63, 'K');
  const struct {
    std::string value;
    std::string rules;
  } kCases[] = {
      // clang-format off
      {"MediaType Glossy 2 4", "[layer 101 type 2 pages 2-4 booklet 0] MediaType:6=Glossy\n"},
      {"(Tray 3 1 5)", "[layer 101 type 2 pages 1-5 booklet 0] Tray:6=3\n"},
      {"Tray Upper 7 3", "[layer 101 type 2 pages 7-3 booklet 0] Tray:6=Upper\n"},
      {k70 + " " + k70 + " 1 2",
       "[layer 101 type 2 pages 1-2 booklet 0] " + k63 + ":6=" + k63 + "\n"},
      {"Tray Upper 5", ""}, {"Tray Upper x 3", ""}, {"Tray Upper 5\n6", ""}, {"", ""},
      // A page is a number from 0 to 2^31 - 1: a negative one, or one beyond
      // 32 bits, is no page.
      {"T V 0 2147483647", "[layer 101 type 2 pages 0-2147483647 booklet 0] T:6=V\n"},
      {"MediaType Glossy 99999999999 4", ""}, {"MediaType Glossy -2 4", ""},
      {"T V 2 -4", ""}, {"T V 2147483648 3", ""}, {"T V 1 4294967298", ""},
      // clang-format on
  };

  for (const auto& c : kCases) {
    CRuleKalPropArrArray rules;
    vantrel_test::Feed(ParserInputSlotTray, c.value, nullptr, nullptr, &rules);
    EXPECT_EQ(vantrel_test::DumpRules(rules), c.rules) << c.value;
  }
  // Each comment adds a rule of its own, also for the same key.
  CRuleKalPropArrArray rules;
  vantrel_test::Feed(ParserInputSlotTray, "Tray A 1 4", nullptr, nullptr,
                     &rules);
  vantrel_test::Feed(ParserInputSlotTray, "Tray B 2 3", nullptr, nullptr,
                     &rules);
  EXPECT_EQ(vantrel_test::DumpRules(rules),
            "[layer 101 type 2 pages 1-4 booklet 0] Tray:6=A\n"
            "[layer 101 type 2 pages 2-3 booklet 0] Tray:6=B\n");
}

}  // namespace
}  // namespace vantrel
