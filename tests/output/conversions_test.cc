#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/property_map.h"
#include "support/failing_new.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace {

using vantrel::StoreProperty;

// Properties stored straight into the map, then converted by a parser that
// scanned nothing.
class ConversionTest : public ::testing::Test {
 protected:
  CKalParser parser_{""};
  vantrel::PropertyMap& map_ = vantrel_test::StateOf(parser_).properties;
};

TEST_F(ConversionTest, PairsCarryEveryKindOfValue) {
  StoreProperty(map_, "CropWidth", "FLOAT", 0, "210.5");
  StoreProperty(map_, "Title", "STRING", 0, "  Annual report ");
  StoreProperty(map_, "CopiesNumber", "int", 0, "3");
  StoreProperty(map_, "NumPages", "long", 0, "12");
  StoreProperty(map_, "Ratio", "double", 0, "0.25");
  StoreProperty(map_, "VariablePagesPerBooklet", "bool", 0, "1");
  auto rec = vantrel::NewProperty();
  rec->setPropertyName("OPIDCS");
  short minus_one = -1;
  rec->setValue(&minus_one);
  StoreProperty(map_, std::move(rec));
  auto odd = vantrel::NewProperty();
  odd->setPropertyName("Odd");
  odd->setPropertyValue("x", 7);
  StoreProperty(map_, std::move(odd));

  _tPairProperty* pairs = nullptr;
  int count = -1;
  EXPECT_EQ(parser_.GetRipDataFromParser(pairs, count), 1);
  EXPECT_EQ(vantrel_test::DumpPairs(pairs, count),
            "CropWidth(4)=210.500000; Title(6)=  Annual report ; "
            "CopiesNumber(1)=3; NumPages(2)=12; Ratio(3)=0.250000; "
            "VariablePagesPerBooklet(5)=1; OPIDCS(7)=-1; Odd(0)=");
  EXPECT_EQ(map_.Count(), 0);

  // The array of an earlier call is released; an empty map gives null.
  EXPECT_EQ(parser_.GetRipDataFromParser(pairs, count), 1);
  EXPECT_EQ(pairs, nullptr);
  EXPECT_EQ(count, 0);
}

// One conversion of a scanned job's crop and of records of every kind, with
// allocation `fail_at` of the conversion failed (0: none): "status|pairs".
std::string ConvertFailing(long fail_at, bool* failed) {
  static const char kJob[] =
      "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612.5 792\n%%EndComments\n";
  CKalParser parser("job.ps");
  parser.SetMemorySource(kJob, sizeof kJob - 1);
  parser.AddStructureComments();
  parser.AddBoundingBox('M');
  CRuleKalPropArrArray rules;
  parser.HandleFile(rules, 3);
  vantrel::PropertyMap& map = vantrel_test::StateOf(parser).properties;
  // Names and texts past the length a string keeps in place.
  StoreProperty(map, "AVeryLongPropertyNameIndeed", "STRING", 0,
                "a value text longer than any kept in place");
  StoreProperty(map, "CopiesNumber", "int", 0, 3);
  StoreProperty(map, "Ratio", "double", 0, "0.25");
  _tPairProperty* pairs = nullptr;
  int count = 0;
  {
    vantrel_test::FailingNew fail(fail_at);
    parser.GetRipDataFromParser(pairs, count);
    *failed = fail.failed();
  }
  std::string out = std::to_string(parser.GetScanStatus()) + "|";
  if (pairs == nullptr && count != 0) out += "count without pairs";
  for (int i = 0; i < count; ++i) {
    if (pairs[i].propName == nullptr || pairs[i].propValue == nullptr) {
      out += "pair without a text; ";
    }
  }
  out += vantrel_test::DumpPairs(pairs, count);
  delete[] pairs;
  return out;
}

// Each pair's texts are made straight into their own allocations: whichever
// of them fails, the host gets the whole array or none, and the status says
// why.
TEST(PairsConversion, GivesTheWholeArrayOrNoneWhenAnAllocationFails) {
  bool failed = false;
  const std::string whole = ConvertFailing(0, &failed);
  EXPECT_EQ(whole,
            "0|CropWidth(4)=216.076385; CropHeight(4)=279.399994; "
            "CropWOffset(4)=0.000000; CropHOffset(4)=0.000000; "
            "Orientation(6)=Portrait; "
            "DocumentCustomColors(6)=; AVeryLongPropertyNameIndeed(6)=a "
            "value text longer than any kept in place; CopiesNumber(1)=3; "
            "Ratio(3)=0.250000");
  const std::string none = std::to_string(VANTREL_SCAN_OUT_OF_MEMORY) + "|";
  long points = 0;
  for (long n = 1; n < 1000; ++n) {
    const std::string answer = ConvertFailing(n, &failed);
    if (!failed) break;
    ++points;
    EXPECT_EQ(answer, none) << "allocation " << n;
  }
  EXPECT_GT(points, 16);  // the array and both texts of every pair
}

// The whole-file cases are the service's tests.
TEST_F(ConversionTest, DocumentRuleReconcilesPagesWithBooklets) {
  static const struct {
    const char* name;  // of the booklet page count
    const char* pages;
  } kCases[] = {
      // The form hosts bring, in any rule.
      {"BookletPages", "12"},
      // A document rule an earlier parse left in the container gives the
      // pages of every booklet: it takes no part.
      {"PagesPerBooklet", "10"},
  };
  for (const auto& c : kCases) {
    map_.Clear();
    CRuleKalPropArrArray rules;
    for (int pages : {5, 7}) {
      CRule rule;
      rule.SetRuleLayer(RulesLayer_e::Document);
      CRuleKalPropArray array;
      array.SetRuleValue(rule);
      for (const std::string& name :
           {std::string(c.name), c.name + std::string("X")}) {
        CKalProperty p;
        p.setPropertyName(name.c_str());
        p.setValue(&pages);
        array.Add(p);
      }
      rules.Add(array);
    }
    StoreProperty(map_, "NumPages", "long", 0, "10");
    StoreProperty(map_, "NumPagesX", "long", 0, "10");
    StoreProperty(map_, "VariablePagesPerBooklet", "bool", 0, "1");
    EXPECT_EQ(parser_.GetDataFromParser(rules), 1);
    const std::string dump = vantrel_test::DumpRules(rules);
    EXPECT_EQ(dump.substr(dump.rfind("[layer")),
              "[layer 0 type 2 pages 0-0 booklet 0] NumPages:long=" +
                  std::string(c.pages) +
                  "; NumPagesX:long=10; VariablePagesPerBooklet:bool=1\n")
        << c.name;
  }
  CRuleKalPropArrArray empty;
  parser_.GetDataFromParser(empty);
  EXPECT_EQ(vantrel_test::DumpRules(empty),
            "[layer 0 type 2 pages 0-0 booklet 0]\n");
}

}  // namespace
