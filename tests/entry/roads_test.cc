// One file, one answer: the RIP road and the job-ticket road report the same
// crop, and a head+tail scan reports what the whole-file scan does when the
// box is in the header or announced there by "(atend)".
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

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

}  // namespace
