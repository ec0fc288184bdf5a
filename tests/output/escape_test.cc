#include "output/escape.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(Escape, WritesAnyByteAsValidText) {
  using vantrel::Escape;
  const auto kLatin1 = vantrel::Source::kLatin1;
  const auto kUtf8 = vantrel::Source::kUtf8OrLatin1;
  const auto kJson = vantrel::Style::kJson;
  static const struct {
    std::string bytes;
    vantrel::Source source;
    std::string json;
  } kCases[] = {
      {"\"q\" \\ /", kLatin1, "\\\"q\\\" \\\\ /"},
      {"\b\f\n\r\t", kLatin1, "\\b\\f\\n\\r\\t"},
      {std::string("\x00\x01\x1b\x1f\x7f", 5), kLatin1,
       "\\u0000\\u0001\\u001b\\u001f\\u007f"},
      // Latin-1: C1 controls escaped, the rest as UTF-8.
      {"\x80\x9f\xa0\xe9\xff", kLatin1,
       "\\u0080\\u009f\xc2\xa0\xc3\xa9\xc3\xbf"},
      // A value is read byte by byte even when it looks like UTF-8.
      {"caf\xc3\xa9", kLatin1, "caf\xc3\x83\xc2\xa9"},
      {"caf\xc3\xa9", kUtf8, "caf\xc3\xa9"},
      {"\xf0\x9f\x98\x80 \xc2\x85", kUtf8, "\xf0\x9f\x98\x80 \\u0085"},
      // Overlong, surrogate and truncated forms are not UTF-8.
      {"\xc0\xaf", kUtf8, "\xc3\x80\xc2\xaf"},
      {"\xed\xa0\x80", kUtf8, "\xc3\xad\xc2\xa0\\u0080"},
      {"\xe2\x82", kUtf8, "\xc3\xa2\\u0082"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Escape(c.bytes, c.source, kJson), c.json) << c.bytes;
  }
  EXPECT_EQ(
      Escape("C:\\jobs\x1b[2J\x85\xe9", kLatin1, vantrel::Style::kDisplay),
      "C:\\jobs\\x1b[2J\\x85\xc3\xa9");

  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  for (auto source : {kLatin1, kUtf8}) {
    const std::string json = Escape(every_byte, source, kJson);
    EXPECT_TRUE(vantrel::IsValidUtf8(json));
    for (char ch : json) EXPECT_GE(static_cast<unsigned char>(ch), 0x20u);
  }
}

}  // namespace
