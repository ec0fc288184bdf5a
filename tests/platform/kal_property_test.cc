#include "vantrel/kal_property.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/kal_property_access.h"
#include "platform/number_text.h"
#include "support/test_support.h"
#include "vantrel/parser_if.h"

namespace {

using vantrel_test::DumpProperty;

// Each type name's code shows in the pairs the conversion tests dump.
TEST(KalProperty, ReadsConvertBetweenForms) {
  CKalProperty crop;
  crop.setPropertyTypeName("FLOAT");
  crop.setPropertyValue("215.899994", -1);
  float f = 0;
  EXPECT_TRUE(crop.getValue(f));
  EXPECT_FLOAT_EQ(f, 215.899994f);

  CKalProperty pages;
  pages.setPropertyTypeName("long");
  int twelve = 12;
  pages.setValue(&twelve);
  long l = 0;
  EXPECT_TRUE(pages.getValue(l));
  EXPECT_EQ(l, 12);
  EXPECT_EQ(DumpProperty(pages), ":long=12");
  EXPECT_EQ(pages.getPropertyType(), 2u);  // the type name wins over the form

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
  EXPECT_EQ(DumpProperty(word), ":int=numcopies4");
}

TEST(KalProperty, UntypedWritesTakeTheirOwnCode) {
  CKalProperty a, b, c, d;
  short s = -1;
  a.setValue(&s);
  int n = 3;
  b.setValue(&n);
  c.setValue("x");
  d.setPropertyValue("1", 5);
  EXPECT_EQ(DumpProperty(a) + " " + DumpProperty(b) + " " + DumpProperty(c) +
                " " + DumpProperty(d),
            ":8=-1 :1=3 :6=x :5=1");
  short back = 0;
  a.getValue(back);
  EXPECT_EQ(back, -1);
}

// Every read of a record that holds a crop as a number answers what the
// record holding its printed text answers: text, floating-point reads to the
// bit, integer reads (truncated, saturated beyond the int64 range), the pair.
std::string AllReads(const CKalProperty& record) {
  std::string text;
  record.getValue(text);
  double d = 0;
  float f = 0;
  short s = 0;
  int i = 0;
  long l = 0;
  int b = 0;
  std::string pair;
  std::ostringstream out;
  out << record.getValue(d) << record.getValue(f) << record.getValue(s)
      << record.getValue(i) << record.getValue(l) << record.getBoolValue(b)
      << ' ' << text << ' ' << std::hexfloat << d << ' ' << f << ' ' << std::dec
      << s << ' ' << i << ' ' << l << ' ' << b << ' '
      << VantrelPairValue(record, pair) << pair << ' '
      << record.getPropertyType();
  return out.str();
}

TEST(KalProperty, NumberHeldForItsTextReadsAsTheText) {
  static const float kCrops[] = {
      215.899994f,    0.0f,          -3e-7f,   0.0078125f, -25.047222f,
      65535.5f,       4.5e9f,        -9.3e18f, 9.3e18f,    3.4028235e38f,
      -3.4028235e38f, 2147483648.0f, 1e-45f,
  };
  for (float value : kCrops) {
    CKalProperty text;
    text.setPropertyTypeName("FLOAT");
    text.setPropertyValue(vantrel::FixedText(value).c_str(), -1);
    CKalProperty number;
    number.setPropertyTypeName("FLOAT");
    CKalPropertyAccess::SetReal(number, vantrel::FixedTextValue(value));
    EXPECT_EQ(AllReads(number), AllReads(text)) << value;
    CKalProperty copy(number);
    EXPECT_EQ(AllReads(copy), AllReads(text)) << value;
  }
  CKalProperty untyped;
  CKalPropertyAccess::SetReal(untyped, 0.5);
  EXPECT_EQ(untyped.getPropertyType(), CKalProperty::kTypeDouble);
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
  EXPECT_EQ(vantrel_test::DumpRules(all),
            "[layer 101 type 0 pages 3-4 booklet 0] A:6=1\n");
}

}  // namespace
