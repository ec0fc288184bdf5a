// One file, one answer: the RIP road and the job-ticket road report the same
// crop, and a head+tail scan reports what the whole-file scan does when the
// box is in the header or announced there by "(atend)".
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/scanner.h"
#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace {

std::string Body(size_t n) {
  std::string s;
  while (s.size() < n) s += "0 0 moveto 595 842 lineto stroke\n";
  return s;
}

// "W x H + WOFF + HOFF" of the crop pairs, "" when there are none.
std::string PairsCrop(const std::string& path, int mode, char unit) {
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  _tPairProperty* pairs = nullptr;
  int count = 0;
  rip->ParseToPairs(path.c_str(), pairs, count, 1, mode, unit);
  std::string crop[4];
  static const char* const kKeys[] = {"CropWidth", "CropHeight", "CropWOffset",
                                      "CropHOffset"};
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < 4; ++k) {
      if (std::strcmp(pairs[i].propName, kKeys[k]) == 0) {
        crop[k] = pairs[i].propValue;
      }
    }
  }
  delete[] pairs;
  if (crop[0].empty()) return "";
  return crop[0] + "x" + crop[1] + "+" + crop[2] + "+" + crop[3];
}

std::string RulesCrop(const std::string& path) {
  std::unique_ptr<CParserObjectIF> jt(CreateParserObject(0));
  CRuleKalPropArrArray rules;
  jt->ParseToRules(path.c_str(), rules, 0, 0);
  std::string crop[4];
  static const char* const kKeys[] = {"CropWidth", "CropHeight", "CropWOffset",
                                      "CropHOffset"};
  const CRuleKalPropArray document = rules.GetAt(rules.GetSize() - 1);
  for (int i = 0; i < document.GetSize(); ++i) {
    const CKalProperty p = document.GetAt(i);
    for (int k = 0; k < 4; ++k) {
      if (std::strcmp(p.getPropertyName(), kKeys[k]) == 0) p.getValue(crop[k]);
    }
  }
  if (crop[0].empty()) return "";
  return crop[0] + "x" + crop[1] + "+" + crop[2] + "+" + crop[3];
}

TEST(Roads, BothRoadsTakeTheBoxFromTheJobsOwnHeaderOrTrailer) {
  const std::string kEps =
      "%%BeginDocument: logo.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
      "%%BoundingBox: 251 331 371 512\n%%EndComments\n" + Body(300) +
      "%%EndDocument\n";
  static const struct {
    const char* name;
    std::string text;
    const char* points;  // crop in points, "" for none
    bool head_tail;      // head+tail must agree with the whole file
  } kCases[] = {
      {"header box", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 595 842\n"
       "%%EndComments\n" + Body(20000) + "%%Trailer\n%%EOF\n",
       "595.000000x842.000000+0.000000+0.000000", true},
      {"embedded graphic, no job box", "%!PS-Adobe-3.0\n%%Pages: 1\n"
       "%%EndComments\n%%Page: 1 1\n" + Body(5000) + kEps + Body(10000) +
       "%%Trailer\n%%EOF\n", "", true},
      {"atend with a page box in the body",
       "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n%%Page: 1 1\n"
       "%%PageBoundingBox: 0 0 111 222\n" + Body(20000) +
       "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n",
       "300.000000x400.000000+10.000000+20.000000", true},
      {"box in the body", "%!PS-Adobe-3.0\n%%EndComments\n"
       "%%BoundingBox: 0 0 100 100\n" + Body(20000) + "%%Trailer\n%%EOF\n",
       "", true},
      {"embedded graphic before the job box",
       "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" + kEps +
       Body(20000) + "%%Trailer\n%%BoundingBox: 0 0 612 792\n",
       "612.000000x792.000000+0.000000+0.000000", true},
  };
  vantrel_test::TempDir dir;
  for (const auto& c : kCases) {
    const std::string path = dir.Write("job.ps", c.text);
    EXPECT_EQ(PairsCrop(path, 15, 'P'), c.points) << c.name;
    EXPECT_EQ(PairsCrop(path, 15, 'M'), RulesCrop(path)) << c.name;
    if (c.head_tail) {
      EXPECT_EQ(PairsCrop(path, 3, 'P'), c.points) << c.name;
    }
  }
}

// A DOS EPS file: the binary header names the PostScript section; a TIFF or
// WMF preview stands before or after it.
std::string DosEps(const std::string& before, const std::string& postscript,
                   const std::string& after) {
  auto le32 = [](uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  const uint32_t offset = static_cast<uint32_t>(30 + before.size());
  std::string header = std::string("\xC5\xD0\xD3\xC6", 4) + le32(offset) +
                       le32(static_cast<uint32_t>(postscript.size())) +
                       le32(0) + le32(0) + le32(after.empty() ? 0 : offset + 1) +
                       le32(static_cast<uint32_t>(after.size())) + "\xFF\xFF";
  return header + before + postscript + after;
}

TEST(Roads, DosEpsLimitsCountWithinThePostScriptSection) {
  const std::string kPostScript =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" +
      Body(20000) + "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n";
  const std::string kHeaderBox =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 50 60\n%%EndComments\n" +
      Body(20000) + "%%EOF\n";
  // A preview full of line ends and comment look-alikes.
  std::string preview;
  while (preview.size() < 40000) preview += "II*\n%%BoundingBox: 0 0 1 1\n";
  vantrel_test::TempDir dir;
  static const struct {
    const char* name;
    bool before;
    bool atend;
  } kCases[] = {
      {"preview after, atend", false, true},
      {"preview before, atend", true, true},
      {"preview after, header box", false, false},
      {"preview before, header box", true, false},
  };
  for (const auto& c : kCases) {
    const std::string& ps = c.atend ? kPostScript : kHeaderBox;
    const std::string path = dir.Write(
        "art.eps", DosEps(c.before ? preview : "", ps, c.before ? "" : preview));
    const char* expected = c.atend ? "300.000000x400.000000+10.000000+20.000000"
                                   : "50.000000x60.000000+0.000000+0.000000";
    for (int mode : {1, 3, 15}) {
      EXPECT_EQ(PairsCrop(path, mode, 'P'), expected) << c.name << " " << mode;
    }
  }
}

// Padding moves every comment of a job across the head pass's examined end
// (3096), its chunk end (4096), the tail pass's start (the last 8192 bytes),
// and the end of a whole-file chunk: the answers stay the same.
TEST(Roads, AnswersDoNotDependOnWhereChunksAndPassesBegin) {
  const std::string kHeader =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Pages: 1\n%%EndComments\n";
  const std::string kPage =
      "%%Page: 1 1\n%%PageBoundingBox: 0 0 111 222\n"
      "%%BeginDocument: art.eps\n%%BoundingBox: 1 1 5 5\n%%EndDocument\n"
      "%%BeginData: 150 Binary Bytes\n" + std::string(60, 'D') +
      "\n%%BoundingBox: 7 7 8 8\n" + std::string(64, 'D') + "\n%%EndData\n";
  const std::string kTrailer =
      "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n";
  const char* const kExpected = "300.000000x400.000000+10.000000+20.000000";
  vantrel_test::TempDir dir;
  std::string failures;
  auto check = [&](const std::string& text, size_t padding, bool partial) {
    const std::string path = dir.Write("job.ps", text);
    const std::string whole = PairsCrop(path, 15, 'P');
    // Head alone reads the trailer too: the header announced the box.
    std::string head = partial ? PairsCrop(path, 1, 'P') : whole;
    std::string both = partial ? PairsCrop(path, 3, 'P') : whole;
    std::string mm = PairsCrop(path, 15, 'M');
    std::string rules = RulesCrop(path);
    if (whole != kExpected || head != kExpected || both != kExpected ||
        mm != rules) {
      failures += std::to_string(padding) + ": " + whole + " / " + head +
                  " / " + both + " / " + mm + " / " + rules + "\n";
    }
  };
  // The page and trailer cross the head's end and the tail's start, in files
  // where the tail pass goes on from the head pass and where they overlap.
  for (size_t padding = 3000; padding < 12600; padding += 7) {
    check(kHeader + Body(padding) + kPage + kTrailer, padding, true);
    // A Helios font inclusion turns the rest of the scan into a whole-file
    // pass, which must still take the box the header announced.
    check(kHeader + "%%HeliosIncludeFont: Times\n" + Body(padding) + kPage +
              kTrailer,
          padding, true);
  }
  // Each comment of the page and the trailer in turn crosses a whole-file
  // chunk's end.
  const size_t end = vantrel::kWholeFileReadSize;
  for (size_t padding = end - 540; padding < end + 60; padding += 3) {
    std::string text = kHeader + Body(0) + std::string(padding, 'x') + "\n" +
                       kPage + kTrailer;
    check(text, padding, false);
  }
  EXPECT_EQ(failures, "");
}

}  // namespace
