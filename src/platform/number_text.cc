#include "platform/number_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace vantrel {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// True when [pos, end) starts with `word` (lower case), in any case.
bool StartsWithWord(const char* pos, const char* end, const char* word) {
  for (; *word != '\0'; ++pos, ++word) {
    if (pos == end || Lower(*pos) != *word) return false;
  }
  return true;
}

// The span of one unsigned number, as "%f" scanning delimits it.
struct Span {
  const char* digits = nullptr;       // first digit or "." of the mantissa
  const char* convert_end = nullptr;  // end of what the conversion reads
  const char* end = nullptr;          // end of what the scan steps over
  bool hex = false;
  // Where the value's first non-zero digit stands, as a power of the base
  // (16 for hex) plus the exponent (bits for hex): above 0 the value is
  // large, otherwise small. Only its sign is used: it tells an overflow from
  // an underflow when the conversion reports the value out of range.
  int64_t magnitude = 0;
};

// Digits with an optional point; answers false when there is no digit.
bool ScanMantissa(const char* pos, const char* end, bool hex, Span& span) {
  auto digit = hex ? IsHexDigit : IsDigit;
  const int digit_weight = hex ? 4 : 1;
  span.digits = pos;
  int64_t leading = 0;  // integer digits from the first non-zero one on
  int64_t zeros = 0;    // zeros after the point before a non-zero digit
  bool nonzero = false;
  bool any = false;
  for (; pos < end && digit(*pos); ++pos) {
    any = true;
    nonzero = nonzero || *pos != '0';
    if (nonzero) ++leading;
  }
  if (pos < end && *pos == '.') {
    ++pos;
    for (; pos < end && digit(*pos); ++pos) {
      any = true;
      if (!nonzero && *pos == '0') ++zeros;
      nonzero = nonzero || *pos != '0';
    }
  }
  span.convert_end = span.end = pos;
  span.magnitude = (leading > 0 ? leading : -zeros) * digit_weight;
  return any;
}

// The exponent after a mantissa. As the C library's scanning does, a marker
// with a sign and no digits is stepped over without being read.
void ScanExponent(const char* end, char marker, Span& span) {
  const char* pos = span.end;
  if (pos == end || Lower(*pos) != marker) return;
  ++pos;
  bool negative = false;
  if (pos < end && (*pos == '+' || *pos == '-')) negative = *pos++ == '-';
  span.end = pos;
  if (pos == end || !IsDigit(*pos)) return;
  int64_t exponent = 0;
  for (; pos < end && IsDigit(*pos); ++pos) {
    // Saturates far beyond any range and any count of mantissa digits.
    if (exponent < (int64_t{1} << 40)) exponent = exponent * 10 + (*pos - '0');
  }
  span.convert_end = span.end = pos;
  span.magnitude += negative ? -exponent : exponent;
}

// The powers of ten that a T holds exactly, and the largest integer below
// which every integer is exact: a quotient of two such numbers is the one
// correctly rounded division, the value the full conversion gives.
template <typename T>
struct ExactDecimal;
template <>
struct ExactDecimal<float> {
  static constexpr int kMaxPower = 10;  // 5^10 < 2^24
  static constexpr uint64_t kMaxMantissa = uint64_t{1} << 24;
  static float Power(int k) {
    static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                        1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    return kPowers[k];
  }
};
template <>
struct ExactDecimal<double> {
  static constexpr int kMaxPower = 22;  // 5^22 < 2^53
  static constexpr uint64_t kMaxMantissa = uint64_t{1} << 53;
  static double Power(int k) {
    static constexpr double kPowers[] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return kPowers[k];
  }
};

// The common number of a comment ("612", "0.5", "215.899994"): decimal
// digits with an optional point, no exponent, few significant digits. Reads
// it into *result and answers where it ends; null when the text is anything
// else, which the full conversion then reads.
template <typename T>
const char* ReadShortDecimal(const char* pos, const char* end, T* result) {
#if FLT_EVAL_METHOD == 0
  uint64_t mantissa = 0;
  int digits = 0;    // significant digits in `mantissa`
  int decimals = 0;  // digits after the point, leading zeros included
  bool any = false;
  bool point = false;
  for (; pos < end; ++pos) {
    const char c = *pos;
    if (IsDigit(c)) {
      any = true;
      if (mantissa != 0 || c != '0') {
        if (++digits > 19) return nullptr;
        mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      }
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  // An exponent, or the "x" of "0x", is the full conversion's.
  if (!any || (pos < end && (Lower(*pos) == 'e' || Lower(*pos) == 'x'))) {
    return nullptr;
  }
  while (decimals > 0 && mantissa % 10 == 0 && mantissa != 0) {
    mantissa /= 10;
    --decimals;
  }
  if (mantissa == 0) decimals = 0;
  if (mantissa > ExactDecimal<T>::kMaxMantissa ||
      decimals > ExactDecimal<T>::kMaxPower) {
    return nullptr;
  }
  *result = static_cast<T>(mantissa) / ExactDecimal<T>::Power(decimals);
  return pos;
#else
  (void)pos;
  (void)end;
  (void)result;
  return nullptr;
#endif
}

// Every other number the C library's "%f" scanning takes: infinities, NaN,
// hex, exponents, long mantissas. Reads it into *result and answers where it
// ends; null when the text holds no number.
template <typename T>
const char* ReadGeneralReal(const char* pos, const char* end, T* result) {
  if (StartsWithWord(pos, end, "inf")) {
    *result = std::numeric_limits<T>::infinity();
    return pos + (StartsWithWord(pos, end, "infinity") ? 8 : 3);
  }
  if (StartsWithWord(pos, end, "nan")) {
    *result = std::numeric_limits<T>::quiet_NaN();
    return pos + 3;
  }
  Span span;
  // "0x" must be followed by a digit or a point: "0x" alone is no number.
  span.hex = end - pos >= 2 && pos[0] == '0' && Lower(pos[1]) == 'x';
  if (!ScanMantissa(span.hex ? pos + 2 : pos, end, span.hex, span)) {
    return nullptr;
  }
  ScanExponent(end, span.hex ? 'p' : 'e', span);
  const std::chars_format format =
      span.hex ? std::chars_format::hex : std::chars_format::general;
  std::from_chars_result r =
      std::from_chars(span.digits, span.convert_end, *result, format);
  if (r.ec == std::errc::result_out_of_range) {
    *result = span.magnitude > 0 ? std::numeric_limits<T>::infinity() : T(0);
  } else if (r.ec != std::errc() || r.ptr != span.convert_end) {
    return nullptr;  // not reached: the span is a valid number
  }
  return span.end;
}

template <typename T>
const char* ReadReal(const char* pos, const char* end, T* value) {
  if (pos == nullptr || end == nullptr || value == nullptr) return nullptr;
  while (pos < end && IsSpace(*pos)) ++pos;
  bool negative = false;
  if (pos < end && (*pos == '+' || *pos == '-')) negative = *pos++ == '-';
  T result = 0;
  const char* after = ReadShortDecimal(pos, end, &result);
  if (after == nullptr) after = ReadGeneralReal(pos, end, &result);
  if (after == nullptr) return nullptr;
  *value = negative ? -result : result;
  return after;
}

}  // namespace

const char* ReadFloatText(const char* pos, const char* end, float* value) {
  return ReadReal(pos, end, value);
}

const char* ReadDoubleText(const char* pos, const char* end, double* value) {
  return ReadReal(pos, end, value);
}

std::string FixedText(double value) {
  char text[kFixedTextSize];
  return std::string(text, FixedText(value, text));
}

size_t FixedText(double value, char* out) {
  std::to_chars_result r = std::to_chars(out, out + kFixedTextSize, value,
                                         std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return 0;
  return static_cast<size_t>(r.ptr - out);
}

size_t FixedFloatText(float value, char* out) {
  // Exact, as in FixedTextValue; from 2^63 on the general printer writes it.
  const double millionths = std::fabs(static_cast<double>(value) * 1e6);
  if (!(millionths < 0x1p63)) return FixedText(static_cast<double>(value), out);
  uint64_t whole = static_cast<uint64_t>(millionths);
  const double fraction = millionths - static_cast<double>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  char digits[24];
  const size_t count = static_cast<size_t>(
      std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
  char* pos = out;
  // "-0.000000" too, as the C library prints a negative value that rounds
  // to zero.
  if (std::signbit(value)) *pos++ = '-';
  constexpr size_t kDecimals = 6;
  if (count > kDecimals) {
    std::memcpy(pos, digits, count - kDecimals);
    pos += count - kDecimals;
    *pos++ = '.';
    std::memcpy(pos, digits + count - kDecimals, kDecimals);
  } else {
    *pos++ = '0';
    *pos++ = '.';
    std::memset(pos, '0', kDecimals - count);
    std::memcpy(pos + kDecimals - count, digits, count);
  }
  return static_cast<size_t>(pos + kDecimals - out);
}

double FixedTextValue(float value) {
  // Exact: a float's 24 significant bits times 10^6 (under 2^20) fit the 53
  // of a double.
  const double millionths = static_cast<double>(value) * 1e6;
  // From 2^52 on (and for infinities and NaN) the product has no fraction:
  // the text is the value's own digits and reads back as the value.
  if (!(std::fabs(millionths) < 0x1p52)) return value;
  double whole = std::floor(millionths);
  const double fraction = millionths - whole;  // exact below 2^52
  // The text rounds halves to even, as the C library's printing does.
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) {
    whole += 1;
  }
  // "-0.000000" reads back as a negative zero.
  if (whole == 0) whole = std::copysign(0.0, millionths);
  return whole / 1e6;
}

const char* ReadIntegerText(const char* pos, const char* end, int64_t min,
                            int64_t max, int64_t* value) {
  const char* p = pos;
  while (p < end && IsSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p >= end || !IsDigit(*p)) return nullptr;
  // The magnitude, held until it passes every int64 (then only the digits
  // are stepped over).
  uint64_t magnitude = 0;
  constexpr uint64_t kLimit = uint64_t{1} << 63;  // INT64_MIN's magnitude
  // Eighteen digits stay below 10^18, far within the limit: only a longer
  // number needs its digits checked one by one.
  const char* const quick_end = end - p > 18 ? p + 18 : end;
  for (; p < quick_end && IsDigit(*p); ++p) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(*p - '0');
  }
  bool fits = true;
  for (; p < end && IsDigit(*p); ++p) {
    if (!fits) continue;
    const uint64_t digit = static_cast<uint64_t>(*p - '0');
    if (magnitude > (kLimit - digit) / 10) {
      fits = false;
    } else {
      magnitude = magnitude * 10 + digit;
    }
  }
  if (!fits) return nullptr;
  int64_t number = 0;
  if (negative) {
    number = magnitude == kLimit ? std::numeric_limits<int64_t>::min()
                                 : -static_cast<int64_t>(magnitude);
  } else {
    if (magnitude >= kLimit) return nullptr;
    number = static_cast<int64_t>(magnitude);
  }
  if (number < min || number > max) return nullptr;
  *value = number;
  return p;
}

}  // namespace vantrel
