#include "handlers/opi_dcs.h"

#include <gtest/gtest.h>

#include <string>

#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

TEST(OpiDcsHandlers, MarkTheJobAndSpotPlatesAskForGapMode) {
  const CommentHandler kOpi = ParserOPIGeneral, kDcs = ParserDCSGeneral;
  const struct {
    const char* name;
    CommentHandler handler;
    std::string value;
    int depth;
    int old;  // "OPIDCS" already stored; 0: none
    const char* map;
    size_t data_end = std::string::npos;
  } kCases[] = {
      // clang-format off
      {"OPI", kOpi, "2.0", 0, 0, "OPIDCS:long=48"},
      {"OPI after separations", kOpi, "", 0, 2, "OPIDCS:long=50"},
      {"process plate", kDcs, "(Cyan) EPS Local 1234", 0, 0, "OPIDCS:long=48"},
      {"spot plate", kDcs, "(Spot Orange) EPS Local 99", 0, 0, "OPIDCS:long=48; IsGapFile:5=1"},
      {"case matters", kDcs, "(cyan)", 0, 0, "OPIDCS:long=48; IsGapFile:5=1"},
      {"name on a later line", kDcs, "plate.eps\n%%+ (Gold", 0, 0, "OPIDCS:long=48; IsGapFile:5=1"},
      // Cut to 63 characters (the sanitizer build checks the copy).
      {"long name", kDcs, "(" + std::string(70, 'N') + ")", 0, 0, "OPIDCS:long=48; IsGapFile:5=1"},
      {"embedded", kDcs, "(Spot)", 1, 0, "OPIDCS:long=48"},
      {"no name", kDcs, "plate.eps", 0, 0, "OPIDCS:long=48"},
      {"name past the data", kDcs, "plate.eps (Spot)", 0, 0, "OPIDCS:long=48", 10},
      // Not every chunking holds it: never looked at.
      {"name far after the comment", kDcs, "plate.eps\n" + std::string(1000, 'x') + "(Spot)", 0, 0,
       "OPIDCS:long=48"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    vantrel_test::TestMap().Clear();
    if (c.old != 0)
      StoreProperty(vantrel_test::TestMap(), "OPIDCS", "long", 0,
                    std::to_string(c.old).c_str());
    vantrel_test::TestVars().opiDcsFlags = 0;
    CommentStruct record{};
    record.m_documentDepth = c.depth;
    vantrel_test::Feed(c.handler, c.value, &record, nullptr, nullptr, nullptr,
                       c.data_end);
    EXPECT_EQ(vantrel_test::DumpPropertyMap(), c.map) << c.name;
  }
  vantrel_test::TestMap().Clear();
}

}  // namespace
}  // namespace vantrel
