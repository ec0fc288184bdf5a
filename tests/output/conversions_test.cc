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
  void SetUp() override { parser_ = new CKalParser(""); }
  void TearDown() override { delete parser_; }
  CKalParser* parser_ = nullptr;
};

void StoreTyped(const char* name, const char* type, const char* value) {
  StoreProperty(name, type, 0, value);
}

TEST_F(ConversionTest, PairsCarryEveryKindOfValue) {
  StoreTyped("CropWidth", "FLOAT", "210.5");
  StoreTyped("Title", "STRING", "  Annual report ");
  StoreTyped("CopiesNumber", "int", "3");
  StoreTyped("NumPages", "long", "12");
  StoreTyped("Ratio", "double", "0.25");
  StoreTyped("VariablePagesPerBooklet", "bool", "1");
  auto rec = vantrel::NewProperty();
  rec->setPropertyName("OPIDCS");
  short minus_one = -1;
  rec->setValue(&minus_one);
  StoreProperty(std::move(rec));
  auto odd = vantrel::NewProperty();
  odd->setPropertyName("Odd");
  odd->setPropertyValue("x", 7);
  StoreProperty(std::move(odd));

  _tPairProperty* pairs = nullptr;
  int count = -1;
  EXPECT_EQ(parser_->GetRipDataFromParser(pairs, count), 1);
  EXPECT_EQ(vantrel_test::DumpPairs(pairs, count),
            "CropWidth(4)=210.500000; Title(6)=  Annual report ; "
            "CopiesNumber(1)=3; NumPages(2)=12; Ratio(3)=0.250000; "
            "VariablePagesPerBooklet(5)=1; OPIDCS(7)=-1; Odd(0)=");
  EXPECT_EQ(vantrel::PropertyCount(), 0);

  // The array of an earlier call is released; an empty map gives null.
  EXPECT_EQ(parser_->GetRipDataFromParser(pairs, count), 1);
  EXPECT_EQ(pairs, nullptr);
  EXPECT_EQ(count, 0);
}

TEST_F(ConversionTest, DocumentRuleReconcilesPagesWithBooklets) {
  const RulesLayer_e::enumLayers kBooklet = RulesLayer_e::Booklet,
                                 kDocument = RulesLayer_e::Document;
  static const struct {
    const char* variable;  // null: absent
    const char* name;      // of the booklet page count
    RulesLayer_e::enumLayers layer;
    int booklet_pages[3];
    const char* expected_pages;
  } kCases[] = {
      {"1", "BookletPages", kDocument, {5, 7, 0}, "12"},
      {"0", "BookletPages", kDocument, {5, 7, 0}, "10"},
      {nullptr, "BookletPages", kDocument, {5, 7, 0}, "10"},
      {"1", "BookletPages", kDocument, {10, 0, 0}, "10"},
      // No booklet page count at all: the stated count stands.
      {"1", "BookletPages", kDocument, {0, 0, 0}, "10"},
      // The booklet rules' own form counts, in booklet rules only.
      {"1", "PagesPerBooklet", kBooklet, {8, 8, 4}, "20"},
      {"1", "PagesPerBooklet", kDocument, {8, 8, 4}, "10"},
  };
  for (const auto& c : kCases) {
    vantrel::ClearProperties();
    CRuleKalPropArrArray rules;
    for (int pages : c.booklet_pages) {
      if (pages == 0) continue;
      CRule rule;
      rule.SetRuleLayer(c.layer);
      CRuleKalPropArray booklet;
      booklet.SetRuleValue(rule);
      CKalProperty p;
      p.setPropertyName(c.name);
      p.setValue(&pages);
      booklet.Add(p);
      CKalProperty longer;
      longer.setPropertyName((std::string(c.name) + "X").c_str());
      longer.setValue(&pages);
      booklet.Add(longer);
      rules.Add(booklet);
    }
    StoreTyped("NumPages", "long", "10");
    StoreTyped("NumPagesX", "long", "10");
    if (c.variable) StoreTyped("VariablePagesPerBooklet", "bool", c.variable);
    EXPECT_EQ(parser_->GetDataFromParser(rules), 1);
    CRuleKalPropArray doc = rules.GetAt(rules.GetSize() - 1);
    EXPECT_EQ(doc.GetRuleValue().GetRuleLayer(), RulesLayer_e::Document);
    EXPECT_EQ(doc.GetRuleValue().GetRuleType(), 2);
    std::string pages;
    doc.GetAt(0).getValue(pages);
    EXPECT_EQ(pages, c.expected_pages)
        << (c.variable ? c.variable : "-") << ' ' << c.name << ' ' << c.layer;
    std::string other;
    doc.GetAt(1).getValue(other);
    EXPECT_EQ(other, "10");
  }
  CRuleKalPropArrArray empty;
  parser_->GetDataFromParser(empty);
  EXPECT_EQ(vantrel_test::DumpRules(empty),
            "[layer 0 type 2 pages 0-0 booklet 0]\n");
}

}  // namespace
