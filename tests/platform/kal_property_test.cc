#include "vantrel/kal_property.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const CKalProperty& p) {
  std::string s;
  p.getValue(s);
  return s;
}

TEST(KalProperty, TypeNamesSetTheirCodes) {
  static const struct {
    const char* name;
    unsigned code;
  } kCases[] = {{"int", 1},    {"long", 2},   {"double", 3}, {"FLOAT", 4},
                {"bool", 5},   {"STRING", 6}, {"string", 6}, {"short", 8},
                {"Float", 0},  {"", 0}};
  for (const auto& c : kCases) {
    CKalProperty p;
    p.setPropertyTypeName(c.name);
    EXPECT_EQ(p.getPropertyType(), c.code) << c.name;
  }
}

TEST(KalProperty, ReadsConvertBetweenForms) {
  CKalProperty crop;
  crop.setPropertyTypeName("FLOAT");
  crop.setPropertyValue("215.899994", -1);
  float f = 0;
  EXPECT_TRUE(crop.getValue(f));
  EXPECT_FLOAT_EQ(f, 215.899994f);
  EXPECT_EQ(Text(crop), "215.899994");

  CKalProperty pages;
  pages.setPropertyTypeName("long");
  int twelve = 12;
  pages.setValue(&twelve);
  long l = 0;
  EXPECT_TRUE(pages.getValue(l));
  EXPECT_EQ(l, 12);
  EXPECT_EQ(pages.getPropertyType(), 2u);  // the type name wins over the form
  EXPECT_EQ(Text(pages), "12");

  CKalProperty flag;
  flag.setPropertyTypeName("bool");
  int seven = 7;
  flag.setBoolValue(&seven);
  int i = 0;
  EXPECT_TRUE(flag.getValue(i));
  EXPECT_EQ(i, 1);

  CKalProperty word;
  word.setPropertyTypeName("int");
  word.setPropertyValue("numcopies4", -1);
  EXPECT_FALSE(word.getValue(i));
  EXPECT_EQ(i, 0);
  EXPECT_EQ(Text(word), "numcopies4");
}

TEST(KalProperty, UntypedWritesTakeTheirOwnCode) {
  CKalProperty a, b, c, d;
  short s = -1;
  a.setValue(&s);
  int n = 3;
  b.setValue(&n);
  c.setValue("x");
  d.setPropertyValue("1", 5);
  EXPECT_EQ(a.getPropertyType(), 8u);
  EXPECT_EQ(b.getPropertyType(), 1u);
  EXPECT_EQ(c.getPropertyType(), 6u);
  EXPECT_EQ(d.getPropertyType(), 5u);
  short back = 0;
  a.getValue(back);
  EXPECT_EQ(back, -1);
}

TEST(RuleContainers, CopiesAreIndependent) {
  CRuleKalPropArrArray all;
  {
    CKalProperty p;
    p.setPropertyName("A");
    p.setValue("1");
    CRule rule;
    rule.SetRuleLayer(RulesLayer_e::PageRange);
    rule.SetRangeValues(3, 4);
    CRuleKalPropArray array;
    array.SetRuleValue(rule);
    array.Add(p);
    p.setValue("changed");
    all.Add(array);
    array.Add(p);
  }
  ASSERT_EQ(all.GetSize(), 1);
  CRuleKalPropArray got = all.GetAt(0);
  EXPECT_EQ(got.GetSize(), 1);
  EXPECT_EQ(Text(got.GetAt(0)), "1");
  EXPECT_EQ(got.GetRuleValue().GetRuleLayer(), RulesLayer_e::PageRange);
  EXPECT_EQ(got.GetRuleValue().GetLastPage(), 4u);
}

}  // namespace
