#include "handlers/value_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

constexpr unsigned kLine = kStopLineEnd;
constexpr unsigned kWord = kStopLineEnd | kStopTab | kStopFormFeed | kStopBlank;
constexpr unsigned kTitle =
    kStopLineEnd | kStopTab | kStopFormFeed | kDropParentheses;

TEST(ValueText, RawReadStopsWhereItsFormSays) {
  static const struct {
    const char* text;
    size_t end;  // bytes of `text` that are data
    unsigned stops;
    int walk;
    const char* expected;
  } kCases[] = {
      {" keep (blanks)\rx", 16, kLine, 256, " keep (blanks)"},
      {"Big\tDeal", 8, kLine | kStopTab, 256, "Big"},
      {"Big\tDeal", 8, kLine, 256, "Big\tDeal"},
      {"name value", 10, kWord, 256, "name"},
      {"form\ffeed", 9, kWord, 256, "form"},
      {"(Quarterly (final)) x", 21, kTitle, 256, "Quarterly final x"},
      // Dropped parentheses use up the walk.
      {"((ab", 4, kTitle, 3, "a"},
      {"abcdef", 6, kLine, 2, "ab"},
      {"abcdef", 3, kLine, 256, "abc"},
      {"a\0b", 3, kLine, 256, "a"},
  };
  for (const auto& c : kCases) {
    std::string data(c.text, c.end);
    char out[kValueBufferSize];
    ReadRawText(data.data(), data.data() + c.end, c.stops, c.walk, out);
    EXPECT_STREQ(out, c.expected) << c.text;
  }
}

TEST(ValueText, ParenthesisedRunCrossesLineEndsWithinTheBudget) {
  static const struct {
    std::string text;
    size_t end;  // std::string::npos: all of it
    const char* expected;
  } kCases[] = {
      {"numcopies(3) collate", std::string::npos, "3"},
      {"(numcopies(4))", std::string::npos, "numcopies4"},
      {std::string("collate\n\0%%Next\n(2) x", 21), std::string::npos, "2"},
      {"collate", std::string::npos, ""},
      {std::string(256, ' ') + "(7)", std::string::npos, ""},
      {std::string(254, ' ') + "(7)", std::string::npos, "7"},
      {"(" + std::string(300, 'x'), std::string::npos, nullptr},
      {"(abc)", 3, "ab"},
  };
  for (const auto& c : kCases) {
    char out[kValueBufferSize];
    const size_t end = c.end == std::string::npos ? c.text.size() : c.end;
    const int n = ReadParenthesisedRun(c.text.data(), c.text.data() + end, out);
    if (c.expected == nullptr) {
      EXPECT_EQ(n, 255) << c.text;  // the work buffer's bound
    } else {
      EXPECT_STREQ(out, c.expected) << c.text;
    }
  }
}

TEST(ValueText, DecimalReadsWhatFitsThirtyTwoBits) {
  static const struct {
    const char* text;
    bool read;
    int32_t value;
    const char* rest;
  } kCases[] = {
      {" 12 16", true, 12, " 16"},
      {"-3x", true, -3, "x"},
      {"+7", true, 7, ""},
      {"\n\t5", true, 5, ""},
      {"2147483647", true, 2147483647, ""},
      {"-2147483648", true, INT32_MIN, ""},
      {"", false, 0, nullptr},
      {"   ", false, 0, nullptr},
      {"x1", false, 0, nullptr},
      {"- 1", false, 0, nullptr},
      {"2147483648", false, 0, nullptr},
      {"99999999999999999999", false, 0, nullptr},
  };
  for (const auto& c : kCases) {
    int32_t value = -99;
    const char* rest = nullptr;
    EXPECT_EQ(ReadDecimal(c.text, &value, &rest), c.read) << c.text;
    EXPECT_EQ(value, c.read ? c.value : -99) << c.text;
    if (c.read) {
      EXPECT_STREQ(rest, c.rest) << c.text;
    }
  }
}

}  // namespace
}  // namespace vantrel
