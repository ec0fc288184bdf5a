#include "handlers/orientation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "handlers/handler_state.h"
#include "platform/trace.h"
#include "store/property_map.h"
#include "support/handler_feed.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::DumpPropertyMap;
using vantrel_test::DumpRules;
using vantrel_test::Feed;
using vantrel_test::ParseJob;

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
      {"Landscape", {{kO, "Landscape", 0, 0, 0}},
       "Orientation:string#349=Landscape", ""},
      {"case matters", {{kO, "landscape", 0, 0, 0}},
       "Orientation:string#349=Portrait", ""},
      {"atend", {{kO, "(atend)", 0, 0, 0}}, "Orientation:string#349=Portrait",
       ""},
      {"last comment wins",
       {{kO, "Landscape", 0, 0, 0}, {kO, "Portrait", 0, 0, 0}},
       "Orientation:string#349=Portrait", ""},
      {"bracketed matrix", {{kVO, "[0 1 -1 0]", 0, 0, 0}},
       "ViewingOrientation:string#268=[0 1 -1 0]; "
       "Orientation:string#349=Portrait",
       ""},
      {"turned matrix", {{kVO, "0 1 -1 0", 0, 0, 0}},
       "ViewingOrientation:string#268=0 1 -1 0; "
       "Orientation:string#349=Landscape",
       ""},
      {"comment silences matrices",
       {{kO, "Portrait", 0, 0, 0}, {kVO, "0 -1 1 0", 0, 0, 0}},
       "Orientation:string#349=Portrait; ViewingOrientation:string#268=0 -1 1 0",
       ""},
      {"per page",
       {{kO, "Portrait", 0, 0, 0},
        {kVO, "0 1 -1 0", 3, 0, 0},
        {kVO, "1 0 0 1", 5, 0, 0}},
       "Orientation:string#349=Portrait; MultiViewingOrientation:bool=1",
       "[layer 101 type 2 pages 3-3 booklet 0] ViewingOrientation:6=0 1 -1 0\n"
       "[layer 101 type 2 pages 5-5 booklet 0] ViewingOrientation:6=1 0 0 1\n"},
      {"repeated page text", {{kO, "Portrait", 0, 0, 0}, {kVO, "1 0 0 1", -2, 0, 0}},
       "Orientation:string#349=Portrait; ViewingOrientation:string#268=1 0 0 1",
       ""},
      {"embedded", {{kVO, "0 1 -1 0", 0, 1, 0}}, "", ""},
      {"embedded, Helios", {{kVO, "0 1 -1 0", 0, 1, 1}},
       "ViewingOrientation:string#268=0 1 -1 0; "
       "Orientation:string#349=Landscape",
       ""},
  };
  for (const auto& c : kCases) {
    ClearProperties();
    ResetHandlerState();
    CRuleKalPropArrArray rules;
    for (const Step& s : c.steps) {
      CommentStruct record{};
      record.m_pageLabelCount = s.page;
      record.m_documentDepth = s.depth;
      record.m_heliosSupport = static_cast<uint8_t>(s.helios);
      Feed(s.handler, s.value, &record,
           &HandlerVars().viewingOrientationCount, &rules);
    }
    EXPECT_EQ(DumpPropertyMap(), c.map) << c.name;
    EXPECT_EQ(DumpRules(rules), c.rules) << c.name;
  }
  ClearProperties();
  ResetHandlerState();
}

TEST(MacClient, ForgetsTheOrientationAndSilencesItsCommentsUnlessTwoMatrices) {
  for (int taken : {1, 2}) {
    ClearProperties();
    ResetHandlerState();
    ParserContext* ctx = ParserCreateContext(nullptr);
    RegisterOrientationSet(ctx, &HandlerVars().viewingOrientationCount);
    RegisterMacClientSet(ctx, &HandlerVars().viewingOrientationCount);
    AddOrientationNewEntry("Portrait");
    HandlerVars().viewingOrientationCount = taken;
    Feed(ParserMacClient, "", nullptr, &HandlerVars().viewingOrientationCount,
         nullptr, ctx);
    const bool mac = taken < 2;
    EXPECT_EQ(HandlerVars().macClient, mac) << taken;
    EXPECT_EQ(MacLandscapeArmed(ctx, nullptr), mac) << taken;
    EXPECT_EQ(DumpPropertyMap(), mac ? "" : "Orientation:string#349=Portrait");
    EXPECT_EQ(ParserFindKey(ctx, "Orientation") < 0, mac) << taken;
    EXPECT_EQ(ParserFindKey(ctx, "ViewingOrientation") < 0, mac) << taken;
    ParserFreeContext(ctx);
  }
  // Armed, only the exact words turn the job.
  ClearProperties();
  HandlerVars().macClient = true;
  char near[] = "translate -90 rotatE";
  char exact[] = "translate -90 rotate 0 0 moveto";
  EXPECT_EQ(MacLandscapeCheck(nullptr, nullptr, near), 0);
  EXPECT_EQ(DumpPropertyMap(), "");
  EXPECT_EQ(MacLandscapeCheck(nullptr, nullptr, exact), 1);
  EXPECT_EQ(DumpPropertyMap(),
            "Orientation:string#349=Landscape; "
            "ViewingOrientation:string#268=0 -1 1 0");
  ClearProperties();
  ResetHandlerState();
  EXPECT_EQ(MacLandscapeCheck(nullptr, nullptr, exact), 0);
}

std::string Filler(size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "0 0 moveto 100 100 lineto stroke\n";
  return text;
}

// A job that a Mac client wrote: its page is turned by "translate -90
// rotate", and its later orientation comments (chunks later) no longer count.
const std::string kMacJob =
    "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 595 842\n%%KalMACClient\n"
    "%%EndComments\n" +
    Filler(70000) + "595 0 translate -90 rotate\n" + Filler(70000) +
    "%%Orientation: Portrait\n%%ViewingOrientation: 1 0 0 1\n" + Filler(100);

TEST(OrientationFile, MacJobEndsLandscapeAndItsRemovedKeywordsComeBackNextParse) {
  const std::string mac = ParseJob(kMacJob);
  EXPECT_NE(mac.find("Orientation:string#349=Landscape; "
                     "ViewingOrientation:string#268=0 -1 1 0"),
            std::string::npos)
      << mac;
  // The next parse has every keyword again.
  const std::string next = ParseJob(
      "%!PS-Adobe-3.0\n%%EndComments\n%%Orientation: Landscape\n"
      "%%ViewingOrientation: 1 0 0 1\n595 0 translate -90 rotate\n");
  EXPECT_NE(next.find("Orientation:string#349=Landscape; "
                      "ViewingOrientation:string#268=1 0 0 1"),
            std::string::npos)
      << next;
  // Two matrices before the marker: the last matrix decides.
  const std::string two = ParseJob(
      "%!PS-Adobe-3.0\n%%ViewingOrientation: 0 1 -1 0\n"
      "%%ViewingOrientation: 1 0 0 1\n%%KalMACClient\n%%EndComments\n" +
      Filler(100) + "595 0 translate -90 rotate\n" + Filler(100));
  EXPECT_NE(two.find("ViewingOrientation:string#268=1 0 0 1; "
                     "Orientation:string#349=Portrait"),
            std::string::npos)
      << two;
}

TEST(OrientationFile, CropShapeGivesTheOrientationWhenNothingElseDoes) {
  static const struct {
    const char* box;  // null: no box comment
    const char* orientation;
  } kCases[] = {
      {"0 0 842 595", "Landscape"},   {"0 0 595 842", "Portrait"},
      {"100 500 400 700", "Landscape"}, {"0 0 500 500", "Portrait"},
      {nullptr, nullptr},
  };
  for (const auto& c : kCases) {
    std::string job = "%!PS-Adobe-3.0\n";
    if (c.box != nullptr) job += std::string("%%BoundingBox: ") + c.box + "\n";
    const std::string result = ParseJob(job + "%%EndComments\n");
    const size_t at = result.find("Orientation:string#349=");
    if (c.orientation == nullptr) {
      EXPECT_EQ(at, std::string::npos) << result;
    } else {
      EXPECT_EQ(result.compare(at + 23, std::string::npos,
                               std::string(c.orientation) +
                                   "; DocumentCustomColors:string#904=\n"),
                0)
          << c.box << ": " << result;
    }
  }
}

}  // namespace
}  // namespace vantrel
