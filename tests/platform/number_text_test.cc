#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace vantrel {
namespace {

// "value/consumed" as the C library's "%f%n" scan gives it in the C locale
// (the tests run in it), "-" when it reads no number.
std::string LibraryRead(const char* text) {
  float value = 0;
  int consumed = 0;
  if (std::sscanf(text, "%f%n", &value, &consumed) != 1) return "-";
  char out[64];
  std::snprintf(out, sizeof out, "%a/%d", static_cast<double>(value), consumed);
  return out;
}

std::string OwnRead(const char* text) {
  float value = 0;
  const char* end = text + std::strlen(text);
  const char* after = ReadFloatText(text, end, &value);
  if (after == nullptr) return "-";
  char out[64];
  std::snprintf(out, sizeof out, "%a/%d", static_cast<double>(value),
                static_cast<int>(after - text));
  return out;
}

// The same in a decimal-comma locale is shown on both roads.
TEST(NumberText, ReadsAsTheCLibraryScansInTheCLocale) {
  static const char* const kInputs[] = {
      "612",
      "612.5",
      "  \t\v\f\r\n-12.25x",
      "+.5e2",
      ".5",
      "5.",
      "00012",
      "1e5x",
      "1E-2",
      "612e 792",
      "1e+",
      "100ergs",
      "1.5.3",
      "1,5",
      "0x1p3",
      "0X1.8P1",
      "0x.8",
      "0x1p",
      "0x",
      "0xg",
      ".",
      "-.",
      "-",
      "",
      "e5",
      "inf",
      "-INF",
      "Infinity",
      "nan",
      "-nan",
      "NAN(abc)",
      "3.4e38",
      "3.5e38",
      "1e400",
      "-1e400",
      "1e-40",
      "1e-50",
      "-1e-50",
      "-0",
      "0x1p-99999",
      "1e99999999999999999999",
      "1e-99999999999999999999",
      "215.899994",
      "340282356779733661637539395458142568448",
      "0.000000000000000000000000000000000000000000001",
  };
  for (const char* text : kInputs) {
    EXPECT_EQ(OwnRead(text), LibraryRead(text)) << "'" << text << "'";
  }
}

TEST(NumberText, ReadsOnlyUpToTheEndGivenAndKeepsTheValueOnFailure) {
  const char text[] = "612.5e3";
  float value = 7;
  EXPECT_EQ(ReadFloatText(text, text + 3, &value), text + 3);
  EXPECT_EQ(value, 612.0f);
  EXPECT_EQ(ReadFloatText(text, text + 5, &value), text + 5);
  EXPECT_EQ(value, 612.5f);
  value = 7;
  EXPECT_EQ(ReadFloatText(text + 3, text + 4, &value), nullptr);  // "."
  EXPECT_EQ(ReadFloatText(text, text, &value), nullptr);
  EXPECT_EQ(value, 7.0f);
  // A double is read with its own precision, not through a float.
  double d = 0;
  const char pi[] = "3.141592653589793";
  EXPECT_EQ(ReadDoubleText(pi, pi + sizeof pi - 1, &d), pi + sizeof pi - 1);
  EXPECT_EQ(d, 3.141592653589793);
}

// Plain decimals, the numbers comments hold, read exactly as the full
// conversion reads them, in float and in double: short and long digit runs,
// leading and trailing zeros, the point anywhere.
TEST(NumberText, PlainDecimalsReadAsTheFullConversionReadsThem) {
  std::mt19937 random(7);
  const char kAfter[] = " \n/x.e";
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 24);
    const int point = static_cast<int>(random() % (length + 2)) - 1;
    for (int k = 0; k < length; ++k) {
      if (k == point) text += '.';
      const unsigned roll = random() % 10;
      text += static_cast<char>('0' + (roll < 3 ? 0 : random() % 10));
    }
    const std::string number = text;
    if (random() % 2 != 0) text += kAfter[random() % (sizeof kAfter - 1)];
    const char* end = text.data() + text.size();
    float expected_f = 0;
    double expected_d = 0;
    const std::from_chars_result rf =
        std::from_chars(text.data(), end, expected_f);
    const std::from_chars_result rd =
        std::from_chars(text.data(), end, expected_d);
    float f = 0;
    double d = 0;
    const char* after_f = ReadFloatText(text.data(), end, &f);
    const char* after_d = ReadDoubleText(text.data(), end, &d);
    if (rf.ec != std::errc() || rd.ec != std::errc() ||
        text.find_first_of("ex") != std::string::npos) {
      continue;  // an exponent or "0x": the cases of the test above
    }
    ASSERT_EQ(after_f, rf.ptr) << text;
    ASSERT_EQ(f, expected_f) << text;
    ASSERT_EQ(after_d, rd.ptr) << text;
    ASSERT_EQ(d, expected_d) << text;
  }
}

// The text is the same on every system; C libraries differ only in the sign
// they show for a NaN (Windows' shows none), so that one is written out.
void NanAsGlibc(double value, char* expected) {
  if (std::isnan(value))
    std::strcpy(expected, std::signbit(value) ? "-nan" : "nan");
}

TEST(NumberText, PrintsAsTheCLibraryPrintsInTheCLocale) {
  static const double kValues[] = {
      0.0,
      -0.0,
      612.0,
      215.899994f,
      0.0078125,
      0.0234375,
      -1e-9,
      0.5,
      1e300,
      -1.7976931348623157e308,
      3.4028234663852886e38,
      1e-320,
      INFINITY,
      -INFINITY,
      NAN,
      -NAN,
  };
  char expected[400];
  for (double value : kValues) {
    std::snprintf(expected, sizeof expected, "%f", value);
    NanAsGlibc(value, expected);
    EXPECT_EQ(FixedText(value), expected) << value;
  }
  // Every float of a sweep over the bit patterns, the form crops take.
  uint32_t bits = 1;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 1664525u + 1013904223u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    std::snprintf(expected, sizeof expected, "%f", static_cast<double>(f));
    NanAsGlibc(f, expected);
    ASSERT_EQ(FixedText(f), expected) << std::hexfloat << f;
  }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(IntegerText, ReadsEveryDigitAndTakesOnlyNumbersInRange) {
  static const struct {
    const char* text;
    int64_t min, max;
    const char* expected;  // "value/bytes read", or "-" when refused
  } kCases[] = {
      {" \t\n42x", 0, 100, "42/5"},
      {"+7", 0, 100, "7/2"},
      {"-3", 0, 100, "-"},
      {"-3", -5, 5, "-3/2"},
      {"101", 0, 100, "-"},
      {"100", 0, 100, "100/3"},
      {"9223372036854775807", INT64_MIN, INT64_MAX, "9223372036854775807/19"},
      {"-9223372036854775808", INT64_MIN, INT64_MAX, "-9223372036854775808/20"},
      {"9223372036854775808", INT64_MIN, INT64_MAX, "-"},
      {"-9223372036854775809", INT64_MIN, INT64_MAX, "-"},
      // Wrapped at 32 or 64 bits these would read as 1 and as 0.
      {"4294967297", 0, INT32_MAX, "-"},
      {"18446744073709551616", INT64_MIN, INT64_MAX, "-"},
      {"000000000000000000000000012", 0, 100, "12/27"},
      {"999999999999999999", 0, INT64_MAX, "999999999999999999/18"},
      {"99999999999999999999", 0, INT64_MAX, "-"},
      {"", 0, 100, "-"},
      {"-", 0, 100, "-"},
      {"+ 1", 0, 100, "-"},
      {"x1", 0, 100, "-"},
  };
  for (const auto& c : kCases) {
    int64_t value = 99;
    const char* end = c.text + std::strlen(c.text);
    const char* next = ReadIntegerText(c.text, end, c.min, c.max, &value);
    const std::string got = next == nullptr ? (value == 99 ? "-" : "changed")
                                            : std::to_string(value) + "/" +
                                                  std::to_string(next - c.text);
    EXPECT_EQ(got, c.expected) << c.text;
  }
  // Never past the end given: "12" of "123" is 12.
  int32_t narrow = 0;
  const char* text = "123";
  EXPECT_EQ(ReadIntegerText<int32_t>(text, text + 2, 0, 1000, &narrow),
            text + 2);
  EXPECT_EQ(narrow, 12);
}

// `check` holds for 20000 floats of every bit pattern (NaNs left out) drawn
// from `seed`, and for as many ties of the seventh decimal below 2^17, where
// floats have them.
template <typename Check>
void CheckSampledFloats(uint32_t seed, Check check) {
  uint32_t bits = seed;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 1664525u + 1013904223u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (!std::isnan(f)) {
      ASSERT_TRUE(check(f)) << std::hexfloat << f;
    }
    const float tie = static_cast<float>(static_cast<int32_t>(bits >> 8)) / 128;
    ASSERT_TRUE(check(tie)) << std::hexfloat << tie;
  }
}

// The float printer writes what the general one writes for the float: the
// same sweep, ties of the seventh decimal, both zeros, the ends of the range.
TEST(NumberText, FloatPrinterWritesWhatTheGeneralOneWrites) {
  static const float kValues[] = {
      0.0f,           -0.0f,    0.0078125f, -0.0234375f, 5e-7f,
      -3e-7f,         1e-45f,   9.2e12f,    9.3e18f,     3.4028235e38f,
      -3.4028235e38f, INFINITY, -INFINITY,
  };
  auto check = [](float f) {
    char own[kFixedTextSize];
    return std::string(own, FixedFloatText(f, own)) == FixedText(f);
  };
  for (float f : kValues) EXPECT_TRUE(check(f)) << std::hexfloat << f;
  CheckSampledFloats(11, check);
}

// The number a crop record holds must be the one its printed text reads
// as, to the bit: ties at the seventh decimal (1/128, 3/1024) round to even
// in the text, a negative that prints as "-0.000000" reads as -0.
TEST(NumberText, FixedTextValueIsWhatThePrintedTextReadsAs) {
  static const float kValues[] = {
      0.0f,           -0.0f,        215.899994f, 0.0078125f, -0.0078125f,
      0.0234375f,     100.0078125f, 3e-7f,       -3e-7f,     5e-7f,
      -4.9999997e-7f, 16777216.0f,  4.5e9f,      9.2e12f,    3.4028235e38f,
      -3.4028235e38f, 1e-45f,       INFINITY,    -INFINITY,
  };
  auto check = [](float f) {
    const std::string text = FixedText(f);
    double expected = 0;
    ReadDoubleText(text.data(), text.data() + text.size(), &expected);
    const double own = FixedTextValue(f);
    return std::memcmp(&own, &expected, sizeof own) == 0;
  };
  for (float f : kValues) EXPECT_TRUE(check(f)) << std::hexfloat << f;
  EXPECT_TRUE(std::isnan(FixedTextValue(NAN)));
  CheckSampledFloats(7, check);
}

}  // namespace
}  // namespace vantrel
