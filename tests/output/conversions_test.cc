#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/property_map.h"
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
