#include "handlers/bounding_box.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/property_map.h"
#include "support/test_support.h"
#include "vantrel/parser_if.h"

namespace vantrel {
namespace {

class CropParser : public CKalParser {
 public:
  using CKalParser::SetAtBoundingBox;
};

struct Box {
  float lx, ly, ux, uy;
  int rank, awaited;
};

ParserBoundingBoxStruct MakeBox(const Box& b) {
  return {b.ly, b.lx, b.uy, b.ux, 0, 0, 0, 0, b.rank, 0, b.awaited, 0, {}, 0};
}

// "lx ly ux uy rRANK aAWAITED mSCANMODE pPASSBITS"
std::string Dump(const ParserBoundingBoxStruct& b, const CommentStruct& r) {
  char text[128];
  std::snprintf(text, sizeof text, "%g %g %g %g r%d a%d m%d p%d",
                double{b.lowerX}, double{b.lowerY}, double{b.upperX},
                double{b.upperY}, b.rank, b.awaitedRank, r.m_scanMode,
                r.m_passBits);
  return text;
}

TEST(BoxHandlers, AcceptanceRankingAndValues) {
  const CommentHandler kBB = ParserBoundingBox, kHiRes = ParserHiResBoundingBox,
                       kPage = ParserPageBoundingBox;
  const Box kNone = {0, 0, 0, 0, 0, 0}, kLetter = {0, 0, 612, 792, 1, 0};
  const struct {
    const char* name;
    CommentHandler handler;
    // The scan record before the comment.
    int header, depth, helios, tail, mode, bits;
    Box held;
    const char* value;
    const char* after;
    size_t data_end = std::string::npos;
  } kCases[] = {
      // clang-format off
      {"header", kBB, 1, 0, 0, 0, 1, 0, kNone, "0 0 612 792", "0 0 612 792 r1 a0 m1 p0"},
      {"body", kBB, 0, 0, 0, 0, 15, 0, kNone, "0 0 612 792", "0 0 0 0 r0 a0 m15 p0"},
      {"trailer", kBB, 2, 0, 0, 0, 15, 0, kNone, "1 2 3 4", "1 2 3 4 r1 a0 m15 p0"},
      {"embedded", kBB, 1, 1, 0, 0, 15, 0, kNone, "0 0 9 9", "0 0 0 0 r0 a0 m15 p0"},
      {"embedded, Helios", kBB, 1, 1, 1, 0, 15, 0, kNone, "0 0 9 9", "0 0 9 9 r1 a0 m15 p0"},
      {"question mark", kBB, 1, 0, 0, 0, 15, 0, kNone, " \t? 0 0 9 9", "0 0 0 0 r0 a0 m15 p0"},
      {"rank not above held", kBB, 1, 0, 0, 0, 15, 0,
       kLetter, "0 0 9 9", "0 0 612 792 r1 a0 m15 p0"},
      {"higher rank keeps box", kHiRes, 1, 0, 0, 0, 15, 0,
       kLetter, "0 0 612.5 792.5", "0 0 612 792 r2 a0 m15 p0"},
      {"no area", kBB, 1, 0, 0, 0, 15, 0, kNone, "0 0 0 0", "0 0 0 0 r0 a0 m15 p0"},
      {"atend adds tail pass", kBB, 1, 0, 0, 0, 1, 0, kNone, "(atend)", "0 0 0 0 r0 a1 m3 p2"},
      {"atend, whole file", kBB, 1, 0, 0, 0, 15, 0, kNone, "(atend)", "0 0 0 0 r0 a0 m15 p0"},
      {"awaited box blocks head", kHiRes, 1, 0, 0, 0, 3, 2,
       {0, 0, 0, 0, 0, 1}, "0 0 9 9", "0 0 0 0 r0 a1 m3 p2"},
      {"awaited lower rank stays", kPage, 1, 0, 0, 0, 3, 2,
       {0, 0, 0, 0, 0, 4}, "0 0 9 9", "0 0 9 9 r3 a4 m3 p2"},
      {"tail takes awaited", kBB, 1, 0, 0, 1, 3, 0,
       {0, 0, 0, 0, 0, 1}, "0 0 612 792", "0 0 612 792 r1 a0 m3 p0"},
      {"tail, nothing awaited", kBB, 2, 0, 0, 1, 3, 0, kNone, "0 0 612 792", "0 0 0 0 r0 a0 m3 p0"},
      {"tail, higher awaited", kBB, 2, 0, 0, 1, 3, 0,
       {0, 0, 0, 0, 0, 3}, "0 0 9 9", "0 0 0 0 r0 a3 m3 p0"},
      {"tail, higher held", kBB, 2, 0, 0, 1, 3, 0,
       {0, 0, 5, 5, 2, 1}, "0 0 9 9", "0 0 5 5 r2 a1 m3 p0"},
      {"too few numbers", kBB, 1, 0, 0, 0, 15, 0, kNone, "0 0 612", "0 0 0 0 r0 a0 m15 p0"},
      {"numbers on next line", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0\n612 792", "0 0 0 0 r0 a0 m15 p0"},
      {"upside down", kBB, 1, 0, 0, 0, 15, 0, kNone, "0 792 612 0", "0 0 0 0 r0 a0 m15 p0"},
      {"nan", kBB, 1, 0, 0, 0, 15, 0, kNone, "nan nan nan nan", "0 0 0 0 r0 a0 m15 p0"},
      {"beyond float range", kBB, 1, 0, 0, 0, 15, 0, kNone, "0 0 1e39 9", "0 0 0 0 r0 a0 m15 p0"},
      {"crop beyond float range", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "-3.4e38 0 3.4e38 9", "0 0 0 0 r0 a0 m15 p0"},
      {"crop beyond float range, higher rank", kHiRes, 1, 0, 0, 0, 15, 0,
       kLetter, "0 -3.4e38 9 3.4e38", "0 0 612 792 r1 a0 m15 p0"},
      {"largest crop", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 3.4e38 3.4e38", "0 0 3.4e+38 3.4e+38 r1 a0 m15 p0"},
      {"data ends in the numbers", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 612 792", "0 0 0 0 r0 a0 m15 p0", 7},
      {"fractional, exponent", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 612.5 7.92e2", "0 0 612.5 792 r1 a0 m15 p0"},
      {"press paper size", ParserPressPaperSize, 1, 0, 0, 0, 15, 0,
       kNone, "500 700", "0 0 500 700 r5 a0 m15 p0"},
      {"paper area", ParserPaperArea, 1, 0, 0, 0, 15, 0,
       kNone, "18 18 594 774", "-18 -18 594 774 r4 a0 m15 p0"},
      {"Helios font", ParserHeliosIncludeFont, 0, 0, 0, 0, 3, 2,
       kNone, "", "0 0 0 0 r0 a0 m15 p15"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CommentStruct record{};
    record.m_headerState = c.header;
    record.m_documentDepth = c.depth;
    record.m_heliosSupport = static_cast<uint8_t>(c.helios);
    record.m_inTailPass = static_cast<uint8_t>(c.tail);
    record.m_scanMode = c.mode;
    record.m_passBits = c.bits;
    // The handlers work on the box record of the parse they feed.
    ParserBoundingBoxStruct& box = vantrel_test::TestVars().boundingBox;
    box = MakeBox(c.held);
    vantrel_test::Feed(c.handler, c.value, &record, nullptr, nullptr, nullptr,
                       c.data_end);
    EXPECT_EQ(Dump(box, record), c.after) << c.name;
  }
}

// A box stays once its upper corner lies up and right of the origin; a box
// with an area below or left of the origin is replaced by a later one.
TEST(BoxHandlers, KeepsFirstBoxWithPositiveUpperCorner) {
  const struct {
    Box held;
    const char* value;
    const char* after;
  } kCases[] = {
      {{-20, -20, -10, -10, 1, 0}, "0 0 612 792", "0 0 612 792 r2 a0 m15 p0"},
      {{-20, 0, -10, 792, 1, 0}, "0 0 612 792", "0 0 612 792 r2 a0 m15 p0"},
      {{-10, -10, 5, 5, 1, 0}, "0 0 612 792", "-10 -10 5 5 r2 a0 m15 p0"},
  };
  for (const auto& c : kCases) {
    CommentStruct record{};
    record.m_headerState = 1;
    record.m_scanMode = 15;
    ParserBoundingBoxStruct& box = vantrel_test::TestVars().boundingBox;
    box = MakeBox(c.held);
    vantrel_test::Feed(ParserHiResBoundingBox, c.value, &record);
    EXPECT_EQ(Dump(box, record), c.after) << c.value;
  }
}

TEST(BoxHandlers, MarginsKeepWhatCannotBeRead) {
  CommentStruct record{};  // margins count anywhere
  ParserBoundingBoxStruct& box = vantrel_test::TestVars().boundingBox;
  box = ParserBoundingBoxStruct{};
  box.rightMargin = box.topMargin = 7;
  vantrel_test::Feed(ParserFixHWMargins, "1 2 x 4", &record);
  EXPECT_EQ(std::vector<float>({box.leftMargin, box.bottomMargin,
                                box.rightMargin, box.topMargin}),
            std::vector<float>({1, 2, 7, 7}));
}

std::string Crops(const char* w, const char* h, const char* wo,
                  const char* ho) {
  return std::string("CropWidth:FLOAT=") + w + "; CropHeight:FLOAT=" + h +
         "; CropWOffset:FLOAT=" + wo + "; CropHOffset:FLOAT=" + ho;
}

// Each box is converted twice, as the pairs road does: the second call
// must not convert the converted values again.
TEST(SetAtBoundingBox, ConvertsTheBoxIntoCropValuesInTheUnitOnce) {
  const char* kZero = "0.000000";
  const struct {
    char unit;
    Box box;
    float left, bottom, right, top;
    std::string expected;
  } kCases[] = {
      // clang-format off
      // Each unit's factor is shown through the CLI's options too.
      {'I', {0, 0, 612, 792, 1, 0}, 0, 0, 0, 0, Crops("8.500000", "11.000000", kZero, kZero)},
      {'P', {0, 0, 100, 200, 1, 0}, 10, 20, 30, 40,
       Crops("140.000000", "260.000000", "-10.000000", "-20.000000")},
      // A paper area with a zero corner holds -0: still printed as 0.
      {'P', {-0.0f, -0.0f, 50, 60, 4, 0}, 0, 0, 0, 0,
       Crops("50.000000", "60.000000", kZero, kZero)},
      {'P', {0, 0, 612, 792, 0, 0}, 0, 0, 0, 0, ""},  // no box held
      // Margins that push the crop beyond the float range: no crop.
      {'P', {0, 0, 3e38f, 792, 1, 0}, 3e38f, 0, 0, 0, ""},
      {'M', {0, 0, 612, 3.4e38f, 1, 0}, 0, 3.4e38f, 0, 3.4e38f, ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    vantrel_test::TestMap().Clear();
    CropParser parser;
    ParserBoundingBoxStruct box = MakeBox(c.box);
    box.unit = c.unit;
    box.leftMargin = c.left;
    box.bottomMargin = c.bottom;
    box.rightMargin = c.right;
    box.topMargin = c.top;
    parser.SetAtBoundingBox(&box, vantrel_test::TestMap());
    parser.SetAtBoundingBox(&box, vantrel_test::TestMap());
    EXPECT_EQ(vantrel_test::DumpPropertyMap(), c.expected) << c.unit;
  }
}

// An embedded document's box counts only with Helios server support, which
// the library reads from the registry export file named by VANTREL_REGISTRY.
TEST(BoundingBoxFile, EmbeddedDocumentBoxCountsOnlyWithHeliosSupport) {
  vantrel_test::TempDir dir;
  const std::string job = dir.Write(
      "job.ps",
      "%!PS-Adobe-3.0\n%%Title: outer\n%%EndComments\n"
      "%%BeginDocument: logo.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
      "%%BoundingBox: 0 0 72 144\n%%EndComments\n%%EndDocument\n%%EOF\n");
  const std::string on =
      dir.Write("on.reg",
                "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Kalvor\\JobTicket\\"
                "Operations\\RipNT\\GlobalParams\\SupportHeliosServer]\n"
                "\"PropertyValue\"=dword:00000001\n");
  {
    vantrel_test::ScopedEnv off("VANTREL_REGISTRY", nullptr);
    EXPECT_EQ(vantrel_test::RulesCrop(job), "");
  }
  vantrel_test::ScopedEnv env("VANTREL_REGISTRY", on.c_str());
  EXPECT_EQ(vantrel_test::RulesCrop(job),
            "25.400000x50.799999+0.000000+0.000000");
}

}  // namespace
}  // namespace vantrel
