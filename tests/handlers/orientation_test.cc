#include "handlers/orientation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handlers/handler_state.h"
#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::DumpPropertyMap;
using vantrel_test::DumpRules;
using vantrel_test::Feed;
using vantrel_test::Filler;
using vantrel_test::Pick;
using vantrel_test::ScanJob;

struct Step {
  CommentHandler handler;
  const char* value;
  int page;    // m_pageLabelCount
  int depth;   // m_documentDepth
  int helios;  // m_heliosSupport
};

TEST(OrientationHandlers, CommentsAndMatricesGiveTheOrientation) {
  const CommentHandler kO = ParserOrientation, kVO = ParserViewingOrientation;
  static const struct {
    const char* name;
    std::vector<Step> steps;
    const char* map;
    const char* rules;
  } kCases[] = {
      // clang-format off
      {"Landscape", {{kO, "Landscape", 0, 0, 0}}, "Orientation:string#349=Landscape", ""},
      // Producers write the words in any case; the stored word keeps its own.
      {"lower case", {{kO, "landscape", 0, 0, 0}}, "Orientation:string#349=Landscape", ""},
      {"upper case", {{kO, "LANDSCAPE", 0, 0, 0}}, "Orientation:string#349=Landscape", ""},
      {"lower-case portrait", {{kO, "portrait", 0, 0, 0}}, "Orientation:string#349=Portrait", ""},
      {"other word", {{kO, "landscap", 0, 0, 0}}, "Orientation:string#349=Portrait", ""},
      {"atend", {{kO, "(atend)", 0, 0, 0}}, "Orientation:string#349=Portrait", ""},
      {"last comment wins", {{kO, "Landscape", 0, 0, 0}, {kO, "Portrait", 0, 0, 0}},
       "Orientation:string#349=Portrait", ""},
      {"bracketed matrix", {{kVO, "[0 1 -1 0]", 0, 0, 0}},
       "ViewingOrientation:string#268=[0 1 -1 0]; Orientation:string#349=Portrait", ""},
      {"turned matrix", {{kVO, "0 1 -1 0", 0, 0, 0}},
       "ViewingOrientation:string#268=0 1 -1 0; Orientation:string#349=Landscape", ""},
      {"comment silences matrices", {{kO, "Portrait", 0, 0, 0}, {kVO, "0 -1 1 0", 0, 0, 0}},
       "Orientation:string#349=Portrait; ViewingOrientation:string#268=0 -1 1 0", ""},
      {"per page",
       {{kO, "Portrait", 0, 0, 0}, {kVO, "0 1 -1 0", 3, 0, 0}, {kVO, "1 0 0 1", 5, 0, 0}},
       "Orientation:string#349=Portrait; MultiViewingOrientation:bool=1",
       "[layer 101 type 2 pages 3-3 booklet 0] ViewingOrientation:6=0 1 -1 0\n"
       "[layer 101 type 2 pages 5-5 booklet 0] ViewingOrientation:6=1 0 0 1\n"},
      {"repeated page text", {{kO, "Portrait", 0, 0, 0}, {kVO, "1 0 0 1", -2, 0, 0}},
       "Orientation:string#349=Portrait; ViewingOrientation:string#268=1 0 0 1", ""},
      {"embedded", {{kVO, "0 1 -1 0", 0, 1, 0}}, "", ""},
      {"embedded, Helios", {{kVO, "0 1 -1 0", 0, 1, 1}},
       "ViewingOrientation:string#268=0 1 -1 0; Orientation:string#349=Landscape", ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    vantrel_test::TestMap().Clear();
    vantrel_test::TestVars() = HandlerState{};
    CRuleKalPropArrArray rules;
    for (const Step& s : c.steps) {
      CommentStruct record{};
      record.m_pageLabelCount = s.page;
      record.m_documentDepth = s.depth;
      record.m_heliosSupport = static_cast<uint8_t>(s.helios);
      Feed(s.handler, s.value, &record, nullptr, &rules);
    }
    EXPECT_EQ(DumpPropertyMap(), c.map) << c.name;
    EXPECT_EQ(DumpRules(rules), c.rules) << c.name;
  }
  vantrel_test::TestMap().Clear();
  vantrel_test::TestVars() = HandlerState{};
}

// Mac jobs end landscape and silence their comments for that scan only;
// without comments the crop's shape decides.
TEST(OrientationFile, MacTurnCommentsOrCropShapeGiveTheJobsOrientation) {
  const std::string turn = "595 0 translate -90 rotate\n";
  const std::string later =
      "%%Orientation: Portrait\n%%ViewingOrientation: 1 0 0 1\n";
  const struct {
    const char* name;
    std::string header;
    std::string body;
    const char* orientation;  // the properties found, in the map's order
  } kCases[] = {
      // clang-format off
      // The turn is found chunks later; later comments reach no handler.
      {"Mac job", "%%BoundingBox: 0 0 595 842\n%%KalMACClient\n",
       Filler(70000) + turn + Filler(70000) + later,
       "Orientation:string#349=Landscape; ViewingOrientation:string#268=0 -1 1 0"},
      // The next parse has every keyword again.
      {"next job", "", later + turn + Filler(100),
       "Orientation:string#349=Portrait; ViewingOrientation:string#268=1 0 0 1"},
      // What came before the marker is forgotten: the crop decides.
      {"Mac job, no turn", "%%BoundingBox: 0 0 842 595\n" + later + "%%KalMACClient\n",
       Filler(100) + later, "Orientation:string#349=Landscape"},
      // Two matrices before the marker: the last one decides.
      {"two matrices",
       "%%ViewingOrientation: 0 1 -1 0\n%%ViewingOrientation: 1 0 0 1\n%%KalMACClient\n",
       turn + Filler(100),
       "ViewingOrientation:string#268=1 0 0 1; Orientation:string#349=Portrait"},
      {"wide crop", "%%BoundingBox: 0 0 842 595\n", "", "Orientation:string#349=Landscape"},
      {"tall crop", "%%BoundingBox: 0 0 595 842\n", "", "Orientation:string#349=Portrait"},
      {"wide crop off the origin", "%%BoundingBox: 100 500 400 700\n", "",
       "Orientation:string#349=Landscape"},
      {"square crop", "%%BoundingBox: 0 0 500 500\n", "", "Orientation:string#349=Portrait"},
      {"no crop", "", "", ""},
      // clang-format on
  };

  for (const auto& c : kCases) {
    const std::string result =
        ScanJob("%!PS-Adobe-3.0\n" + c.header + "%%EndComments\n" + c.body);
    EXPECT_EQ(Pick(result, {"Orientation:", "ViewingOrientation:"}),
              c.orientation)
        << c.name;
  }
}

}  // namespace
}  // namespace vantrel
