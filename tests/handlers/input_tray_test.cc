#include "handlers/input_tray.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/trace.h"
#include "support/handler_feed.h"
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
      {"MediaType Glossy 2 4",
       "[layer 101 type 2 pages 2-4 booklet 0] MediaType:6=Glossy\n"},
      {"(Tray 3 1 5)", "[layer 101 type 2 pages 1-5 booklet 0] Tray:6=3\n"},
      {"Tray Upper 7 3", "[layer 101 type 2 pages 7-3 booklet 0] Tray:6=Upper\n"},
      {k70 + " " + k70 + " 1 2",
       "[layer 101 type 2 pages 1-2 booklet 0] " + k63 + ":6=" + k63 + "\n"},
      {"Tray Upper 5", ""},
      {"Tray Upper x 3", ""},
      {"Tray Upper 5\n6", ""},
      {"", ""},
  };
  for (const auto& c : kCases) {
    CRuleKalPropArrArray rules;
    vantrel_test::Feed(ParserInputSlotTray, c.value, nullptr, nullptr, &rules);
    EXPECT_EQ(vantrel_test::DumpRules(rules), c.rules) << c.value;
  }
  // Each comment adds its own rule, with its trace line.
  CRuleKalPropArrArray rules;
  TraceCapture trace;
  vantrel_test::Feed(ParserInputSlotTray, "Tray A 1 4", nullptr, nullptr,
                     &rules);
  vantrel_test::Feed(ParserInputSlotTray, "Tray B 2 3", nullptr, nullptr,
                     &rules);
  EXPECT_EQ(rules.GetSize(), 2);
  EXPECT_EQ(trace.lines(),
            (std::vector<std::string>{
                "savePageRangeProperty a_key = Tray a_value = A a_begin = 1 "
                "a_end = 4",
                "savePageRangeProperty a_key = Tray a_value = B a_begin = 2 "
                "a_end = 3"}));
}

}  // namespace
}  // namespace vantrel
