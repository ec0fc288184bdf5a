#include "handlers/opi_dcs.h"

#include <gtest/gtest.h>

#include <string>

#include "handlers/handler_state.h"
#include "platform/trace.h"
#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

TEST(OpiDcsHandlers, MarkTheJobAndSpotPlatesAskForGapMode) {
  const CommentHandler kOpi = ParserOPIGeneral, kDcs = ParserDCSGeneral;
  const std::string long_name(70, 'N');
  const struct {
    const char* name;
    CommentHandler handler;
    std::string value;
    int depth;
    int old;  // "OPIDCS" already stored; 0: none
    size_t data_end;
    std::string map;
    std::string trace;
  } kCases[] = {
      {"OPI", kOpi, "2.0", 0, 0, std::string::npos, "OPIDCS:long=48",
       "ParserOPIGeneral Return, GetCount = 1, value = 48"},
      {"OPI after separations", kOpi, "", 0, 2, std::string::npos,
       "OPIDCS:long=50", "ParserOPIGeneral Return, GetCount = 1, value = 50"},
      {"process plate", kDcs, "(Cyan) EPS Local 1234", 0, 0, std::string::npos,
       "OPIDCS:long=48", "ParserDCSGeneral Return, GetCount = 1, value = 48"},
      {"spot plate", kDcs, "(Spot Orange) EPS Local 99", 0, 0,
       std::string::npos, "OPIDCS:long=48; IsGapFile:5=1",
       "ParserDCSGeneral: spot color Spot Orange detected; force GAP mode"},
      {"case matters", kDcs, "(cyan)", 0, 0, std::string::npos,
       "OPIDCS:long=48; IsGapFile:5=1",
       "ParserDCSGeneral: spot color cyan detected; force GAP mode"},
      {"name on a later line", kDcs, "plate.eps\n%%+ (Gold", 0, 0,
       std::string::npos, "OPIDCS:long=48; IsGapFile:5=1",
       "ParserDCSGeneral: spot color Gold detected; force GAP mode"},
      {"long name", kDcs, "(" + long_name + ")", 0, 0, std::string::npos,
       "OPIDCS:long=48; IsGapFile:5=1",
       "ParserDCSGeneral: spot color " + long_name.substr(0, 63) +
           " detected; force GAP mode"},
      {"embedded", kDcs, "(Spot)", 1, 0, std::string::npos, "OPIDCS:long=48",
       "ParserDCSGeneral Return, GetCount = 1, value = 48"},
      {"no name", kDcs, "plate.eps", 0, 0, std::string::npos, "OPIDCS:long=48",
       "ParserDCSGeneral Return, GetCount = 1, value = 48"},
      {"name past the data", kDcs, "plate.eps (Spot)", 0, 0, 10,
       "OPIDCS:long=48", "ParserDCSGeneral Return, GetCount = 1, value = 48"},
      // Not every chunking holds it: never looked at.
      {"name far after the comment", kDcs,
       "plate.eps\n" + std::string(1000, 'x') + "(Spot)", 0, 0,
       std::string::npos, "OPIDCS:long=48",
       "ParserDCSGeneral Return, GetCount = 1, value = 48"},
  };
  for (const auto& c : kCases) {
    ClearProperties();
    if (c.old != 0) {
      std::unique_ptr<CKalProperty> old = NewProperty();
      old->setPropertyName("OPIDCS");
      old->setPropertyTypeName("long");
      old->setValue(&c.old);
      StoreProperty(std::move(old));
    }
    uint16_t flags = 0;
    CommentStruct record{};
    record.m_documentDepth = c.depth;
    TraceCapture trace;
    vantrel_test::Feed(c.handler, c.value, &record, &flags, nullptr, nullptr,
                       c.data_end);
    EXPECT_EQ(vantrel_test::DumpPropertyMap(), c.map) << c.name;
    ASSERT_FALSE(trace.lines().empty()) << c.name;
    EXPECT_EQ(trace.lines().back(), c.trace) << c.name;
  }
  ClearProperties();
}

}  // namespace
}  // namespace vantrel
