// Floating-point numbers to and from text, the same under any locale.
//
// A host may call setlocale() with a decimal-comma locale at any time; the C
// library's "%f", strtod and sscanf then read and write "612,5". Every read
// and print of a floating-point value in the library goes through here and
// gives what the C locale gives.
#ifndef VANTREL_PLATFORM_NUMBER_TEXT_H_
#define VANTREL_PLATFORM_NUMBER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// Reads one number from [pos, end) the way "%f" scanning reads it in the C
// locale: leading white space (" \t\n\v\f\r") is skipped, then an optional
// sign and a decimal number ("612", "612.5", ".5", "1e3"), a hexadecimal one
// ("0x1.8p3"), "inf", "infinity" or "nan" (any case). As in the C library an
// exponent marker without digits ("612e") is stepped over and not applied,
// a value beyond the range of the type reads as an infinity, and one too
// small for it as zero. Infinities and NaN are handed back as such: callers
// that must not take them test the value with std::isfinite.
// Answers the position after the number, or null (leaving `*value` as it
// was) when no number starts there. Never reads at or past `end`.
const char* ReadFloatText(const char* pos, const char* end, float* value);
const char* ReadDoubleText(const char* pos, const char* end, double* value);

// The one reader of the integers a job states (counts, lengths, page
// numbers). Reads a decimal integer from [pos, end) the way "%ld" reads one
// in the C locale: leading white space (" \t\n\v\f\r"), an optional sign,
// then digits. Every digit is read, however many there are, and the number
// is taken only when it lies within [min, max]: a count beyond its width
// never wraps into another count, and a negative one is no count. Answers
// the position after the digits, or null (leaving `*value` as it was) when
// no digit follows or the number is out of range. Never reads at or past
// `end`.
const char* ReadIntegerText(const char* pos, const char* end, int64_t min,
                            int64_t max, int64_t* value);

// The same for a narrower integer type: the width is the type's, the range
// the caller's.
template <typename Int>
const char* ReadIntegerText(const char* pos, const char* end, Int min, Int max,
                            Int* value) {
  int64_t wide = 0;
  const char* next = ReadIntegerText(pos, end, static_cast<int64_t>(min),
                                     static_cast<int64_t>(max), &wide);
  if (next != nullptr) *value = static_cast<Int>(wide);
  return next;
}

// `value` as "%f" prints it in the C locale: six decimals, "-" before a
// negative value (also "-0.000000"), "inf", "-inf", "nan", "-nan".
std::string FixedText(double value);

// The longest text FixedText writes: "-", the 309 integer digits of the
// largest double, the point and six decimals.
constexpr size_t kFixedTextSize = 320;
// The same text written into `out`, which holds kFixedTextSize bytes; answers
// its length (no NUL is written).
size_t FixedText(double value, char* out);

// FixedText(value, out) for a float, written without the general printer:
// the same bytes, found from the float's exact count of millionths.
size_t FixedFloatText(float value, char* out);

// The number that FixedText(value) reads back as (with ReadDoubleText), found
// without writing the text: `value` rounded to millionths, halves to even,
// the sign of a value that rounds to zero kept. A record that holds this
// number answers every read as the record holding the text would.
// Infinities and NaN come back as they are.
double FixedTextValue(float value);

}  // namespace vantrel

#endif  // VANTREL_PLATFORM_NUMBER_TEXT_H_
