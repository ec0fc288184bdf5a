#include "handlers/bounding_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/scan_record.h"
#include "platform/trace.h"
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
  return {b.ly, b.lx, b.uy, b.ux, 0, 0, 0, 0, b.rank, 0, b.awaited, 0};
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

// Hands `value` to `handler` as the scanner does: the text after the key, in
// a buffer whose valid data ends at `data_end` (default: all of it) with a
// NUL there.
void Feed(CommentHandler handler, CommentStruct* record,
          ParserBoundingBoxStruct* box, std::string chunk,
          size_t data_end = std::string::npos) {
  ParserContext context{};
  context.dataEnd = &chunk[0] + std::min(data_end, chunk.size());
  *context.dataEnd = '\0';
  char* position = &chunk[0];
  long wait = 0;
  handler(reinterpret_cast<char*>(&context), record, 1,
          const_cast<char*>("key"), &position, &chunk[0], 0, 0, &wait, box,
          nullptr);
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
  } kCases[] = {
      // clang-format off
      {"header", kBB, 1, 0, 0, 0, 1, 0,
       kNone, "0 0 612 792", "0 0 612 792 r1 a0 m1 p0"},
      {"body", kBB, 0, 0, 0, 0, 15, 0,
       kNone, "0 0 612 792", "0 0 0 0 r0 a0 m15 p0"},
      {"trailer", kBB, 2, 0, 0, 0, 15, 0,
       kNone, "1 2 3 4", "1 2 3 4 r1 a0 m15 p0"},
      {"embedded", kBB, 1, 1, 0, 0, 15, 0,
       kNone, "0 0 9 9", "0 0 0 0 r0 a0 m15 p0"},
      {"embedded, Helios", kBB, 1, 1, 1, 0, 15, 0,
       kNone, "0 0 9 9", "0 0 9 9 r1 a0 m15 p0"},
      {"question mark", kBB, 1, 0, 0, 0, 15, 0,
       kNone, " \t? 0 0 9 9", "0 0 0 0 r0 a0 m15 p0"},
      {"rank not above held", kBB, 1, 0, 0, 0, 15, 0,
       kLetter, "0 0 9 9", "0 0 612 792 r1 a0 m15 p0"},
      {"higher rank keeps box", kHiRes, 1, 0, 0, 0, 15, 0,
       kLetter, "0 0 612.5 792.5", "0 0 612 792 r2 a0 m15 p0"},
      {"no area", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 0 0", "0 0 0 0 r0 a0 m15 p0"},
      {"atend adds tail pass", kBB, 1, 0, 0, 0, 1, 0,
       kNone, "(atend)", "0 0 0 0 r0 a1 m3 p2"},
      {"atend, whole file", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "(atend)", "0 0 0 0 r0 a0 m15 p0"},
      {"awaited box blocks head", kHiRes, 1, 0, 0, 0, 3, 2,
       {0, 0, 0, 0, 0, 1}, "0 0 9 9", "0 0 0 0 r0 a1 m3 p2"},
      {"awaited lower rank stays", kPage, 1, 0, 0, 0, 3, 2,
       {0, 0, 0, 0, 0, 4}, "0 0 9 9", "0 0 9 9 r3 a4 m3 p2"},
      {"tail takes awaited", kBB, 1, 0, 0, 1, 3, 0,
       {0, 0, 0, 0, 0, 1}, "0 0 612 792", "0 0 612 792 r1 a0 m3 p0"},
      {"tail, nothing awaited", kBB, 2, 0, 0, 1, 3, 0,
       kNone, "0 0 612 792", "0 0 0 0 r0 a0 m3 p0"},
      {"tail, higher awaited", kBB, 2, 0, 0, 1, 3, 0,
       {0, 0, 0, 0, 0, 3}, "0 0 9 9", "0 0 0 0 r0 a3 m3 p0"},
      {"tail, higher held", kBB, 2, 0, 0, 1, 3, 0,
       {0, 0, 5, 5, 2, 1}, "0 0 9 9", "0 0 5 5 r2 a1 m3 p0"},
      {"too few numbers", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 612", "0 0 0 0 r0 a0 m15 p0"},
      {"numbers on next line", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0\n612 792", "0 0 0 0 r0 a0 m15 p0"},
      {"upside down", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 792 612 0", "0 0 0 0 r0 a0 m15 p0"},
      {"nan", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "nan nan nan nan", "0 0 0 0 r0 a0 m15 p0"},
      {"beyond float range", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "0 0 1e39 9", "0 0 0 0 r0 a0 m15 p0"},
      {"crop beyond float range", kBB, 1, 0, 0, 0, 15, 0,
       kNone, "-3.4e38 0 3.4e38 9", "0 0 0 0 r0 a0 m15 p0"},
      {"crop beyond float range, higher rank", kHiRes, 1, 0, 0, 0, 15, 0,
       kLetter, "0 -3.4e38 9 3.4e38", "0 0 612 792 r1 a0 m15 p0"},
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
    ParserBoundingBoxStruct box = MakeBox(c.held);
    Feed(c.handler, &record, &box, c.value);
    EXPECT_EQ(Dump(box, record), c.after) << c.name;
  }
}

TEST(BoxHandlers, ReadsNoNumberPastTheEndOfTheData) {
  CommentStruct record{};
  record.m_headerState = 1;
  ParserBoundingBoxStruct box{};
  Feed(ParserBoundingBox, &record, &box, "0 0 612 792", 7);
  EXPECT_EQ(Dump(box, record), "0 0 0 0 r0 a0 m0 p0");
}

TEST(BoxHandlers, MarginsKeepWhatCannotBeRead) {
  CommentStruct record{};  // margins count anywhere
  ParserBoundingBoxStruct box{};
  box.rightMargin = box.topMargin = 7;
  Feed(ParserFixHWMargins, &record, &box, "1 2 x 4");
  EXPECT_EQ(std::vector<float>({box.leftMargin, box.bottomMargin,
                                box.rightMargin, box.topMargin}),
            std::vector<float>({1, 2, 7, 7}));
}

std::string Crops(const char* w, const char* h, const char* wo,
                  const char* ho) {
  return std::string("CropWidth:FLOAT=") + w + "; CropHeight:FLOAT=" + h +
         "; CropWOffset:FLOAT=" + wo + "; CropHOffset:FLOAT=" + ho;
}

TEST(SetAtBoundingBox, ConvertsTheBoxIntoCropValuesInTheUnit) {
  const char* kZero = "0.000000";
  const struct {
    char unit;
    Box box;
    float left, bottom, right, top;
    std::string expected;
  } kCases[] = {
      // clang-format off
      {'M', {0, 0, 612, 792, 1, 0}, 0, 0, 0, 0,
       Crops("215.899994", "279.399994", kZero, kZero)},
      {'I', {0, 0, 612, 792, 1, 0}, 0, 0, 0, 0,
       Crops("8.500000", "11.000000", kZero, kZero)},
      {'P', {0, 0, 612, 792, 1, 0}, 0, 0, 0, 0,
       Crops("612.000000", "792.000000", kZero, kZero)},
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
    CropParser parser;
    ParserBoundingBoxStruct box = MakeBox(c.box);
    box.unit = c.unit;
    box.leftMargin = c.left;
    box.bottomMargin = c.bottom;
    box.rightMargin = c.right;
    box.topMargin = c.top;
    parser.SetAtBoundingBox(&box, Properties());
    EXPECT_EQ(vantrel_test::DumpPropertyMap(), c.expected) << c.unit;
  }
}

TEST(SetAtBoundingBox, ConvertsOnceOnly) {
  CropParser parser;
  ParserBoundingBoxStruct box = MakeBox({0, 0, 612, 792, 1, 0});
  box.unit = 'I';
  TraceCapture trace;
  parser.SetAtBoundingBox(&box, Properties());
  parser.SetAtBoundingBox(&box, Properties());
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            Crops("8.500000", "11.000000", "0.000000", "0.000000"));
  EXPECT_EQ(trace.lines().size(), 4u);
  EXPECT_EQ(
      trace.lines()[1],
      "SetAtBoundingBox RipKey_CropHeight, output = 2, value = 11.000000");
}

// Whole files through the RIP interface, which registers only this set.
std::string RipCrops(const std::string& path, int scan_mode, char unit) {
  CRipBaseParserIF* rip = RipCreateParserObject();
  if (rip == nullptr) return "no parser";
  _tPairProperty* pairs = nullptr;
  int count = 0;
  rip->ParseToPairs(path.c_str(), pairs, count, 1, scan_mode, unit);
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (std::strncmp(pairs[i].propName, "Crop", 4) != 0) continue;
    out += (out.empty() ? "" : "; ") + vantrel_test::DumpPairs(pairs + i, 1);
  }
  delete[] pairs;
  delete rip;
  return out;
}

TEST(BoundingBoxFile, BoxFromTheHeaderOrFromTheTrailerAfterAtend) {
  std::string filler;
  while (filler.size() < 20000) filler += "0 0 moveto 612 792 lineto stroke\n";
  vantrel_test::TempDir dir;
  std::string header = dir.Write(
      "header.ps",
      "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 792\n%%EndComments\n" + filler);
  std::string atend =
      dir.Write("atend.ps",
                "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" +
                    filler + "%%Trailer\n%%BoundingBox: 0 0 612 792\n%%EOF\n");
  const std::string kLetter =
      "CropWidth(4)=612.000000; CropHeight(4)=792.000000; "
      "CropWOffset(4)=0.000000; CropHOffset(4)=0.000000";
  // A head scan reads the tail too when the header defers the box.
  for (int mode : {1, 3, 15}) {
    EXPECT_EQ(RipCrops(header, mode, 'P'), kLetter) << mode;
    EXPECT_EQ(RipCrops(atend, mode, 'P'), kLetter) << mode;
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
  const std::string on = dir.Write(
      "on.reg",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Kalvor\\JobTicket\\"
      "Operations\\RipNT\\GlobalParams\\SupportHeliosServer]\n"
      "\"PropertyValue\"=dword:00000001\n");
  static const struct {
    const char* registry;
    const char* expected;
  } kCases[] = {
      {nullptr, ""},
      {"on.reg", "CropWidth:FLOAT=25.400000; CropHeight:FLOAT=50.799999; "
                 "CropWOffset:FLOAT=0.000000; CropHOffset:FLOAT=0.000000"},
  };
  for (const auto& c : kCases) {
    vantrel_test::ScopedEnv env("VANTREL_REGISTRY",
                                c.registry ? on.c_str() : nullptr);
    CParserObjectIF* jt = CreateParserObject(0);
    CRuleKalPropArrArray rules;
    jt->ParseToRules(job.c_str(), rules, 0, 0);
    delete jt;
    CRuleKalPropArray doc = rules.GetAt(rules.GetSize() - 1);
    std::string crops;
    for (int i = 0; i < doc.GetSize(); ++i) {
      std::string dump = vantrel_test::DumpProperty(doc.GetAt(i));
      if (dump.rfind("Crop", 0) != 0) continue;
      crops += (crops.empty() ? "" : "; ") + dump;
    }
    EXPECT_EQ(crops, c.expected) << (c.registry ? c.registry : "no registry");
  }
}

// The crop properties of the job-ticket road's document rule.
std::string DocumentCrops(const std::string& path) {
  CParserObjectIF* jt = CreateParserObject(0);
  if (jt == nullptr) return "no parser";
  CRuleKalPropArrArray rules;
  jt->ParseToRules(path.c_str(), rules, 0, 0);
  delete jt;
  if (rules.GetSize() == 0) return "no rules";
  CRuleKalPropArray doc = rules.GetAt(rules.GetSize() - 1);
  std::string crops;
  for (int i = 0; i < doc.GetSize(); ++i) {
    std::string dump = vantrel_test::DumpProperty(doc.GetAt(i));
    if (dump.rfind("Crop", 0) != 0) continue;
    crops += (crops.empty() ? "" : "; ") + dump;
  }
  return crops;
}

// A host whose toolkit set a decimal-comma locale gets the crop of the C
// locale on both roads; the RIP road reads the stored text back as a number.
TEST(BoundingBoxFile, CropIsTheSameInADecimalCommaLocale) {
  vantrel_test::TempDir dir;
  const std::string job =
      dir.Write("job.ps",
                "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612.5 792\n%%EndComments\n");
  const std::string kPairs =
      "CropWidth(4)=612.500000; CropHeight(4)=792.000000; "
      "CropWOffset(4)=0.000000; CropHOffset(4)=0.000000";
  const std::string kRules =
      "CropWidth:FLOAT=216.076385; CropHeight:FLOAT=279.399994; "
      "CropWOffset:FLOAT=0.000000; CropHOffset:FLOAT=0.000000";
  EXPECT_EQ(RipCrops(job, 15, 'P'), kPairs);
  EXPECT_EQ(DocumentCrops(job), kRules);
  const std::string pairs_mm = RipCrops(job, 15, 'M');

  vantrel_test::ScopedLocale locale("de_DE.UTF-8");
  if (!locale.ok()) GTEST_SKIP() << "locale de_DE.UTF-8 not available";
  EXPECT_EQ(RipCrops(job, 15, 'P'), kPairs);
  EXPECT_EQ(RipCrops(job, 15, 'M'), pairs_mm);
  EXPECT_EQ(DocumentCrops(job), kRules);
}

// A box whose crop a float cannot hold is passed over as it is read, so a
// later box is still taken.
TEST(BoundingBoxFile, BoxBeyondTheFloatRangeLeavesRoomForALaterBox) {
  static const struct {
    const char* boxes;
    const char* expected;
  } kCases[] = {
      {"%%BoundingBox: -3.4e38 -3.4e38 3.4e38 3.4e38\n", ""},
      {"%%BoundingBox: -3.4e38 -3.4e38 3.4e38 3.4e38\n"
       "%%HiResBoundingBox: 0 0 612.5 792\n",
       "CropWidth(4)=612.500000; CropHeight(4)=792.000000; "
       "CropWOffset(4)=0.000000; CropHOffset(4)=0.000000"},
      {"%%BoundingBox: 0 0 3.4e38 3.4e38\n",
       "CropWidth(4)=339999995214436424907732413799364296704.000000; "
       "CropHeight(4)=339999995214436424907732413799364296704.000000; "
       "CropWOffset(4)=0.000000; CropHOffset(4)=0.000000"},
  };
  vantrel_test::TempDir dir;
  for (const auto& c : kCases) {
    const std::string job = dir.Write(
        "job.ps", std::string("%!PS-Adobe-3.0\n") + c.boxes + "%%EndComments\n");
    EXPECT_EQ(RipCrops(job, 15, 'P'), c.expected) << c.boxes;
  }
}

}  // namespace
}  // namespace vantrel
