#include "handlers/value_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vantrel {
namespace {

// The reads written out byte by byte, as their contracts say them.
std::string ValueByBytes(const std::string& text, size_t end_at,
                         size_t* stop) {
  int budget = kValueBudget;
  size_t p = 0;
  while (budget > 0 && p < end_at && (text[p] == ' ' || text[p] == '\t')) {
    ++p;
    --budget;
  }
  const bool parenthesised = p < end_at && text[p] == '(';
  if (parenthesised) ++p;
  std::string out;
  while (budget > 0 && out.size() < kValueBudget - 1 && p < end_at) {
    const unsigned char c = static_cast<unsigned char>(text[p]);
    if (c >= 0x80) break;
    if (parenthesised ? c == ')' : (c == '\n' || c == '\r' || c == '\0')) {
      break;
    }
    out += static_cast<char>(c);
    ++p;
    --budget;
  }
  *stop = p;
  return out;
}

std::string RawByBytes(const std::string& text, size_t end_at, unsigned stops,
                       int walk) {
  std::string out;
  for (size_t p = 0; walk > 0 && p < end_at; ++p, --walk) {
    const char c = text[p];
    if (((stops & kStopLineEnd) && (c == '\n' || c == '\r' || c == '\0')) ||
        ((stops & kStopTab) && c == '\t') ||
        ((stops & kStopFormFeed) && c == '\f') ||
        ((stops & kStopBlank) && c == ' ')) {
      break;
    }
    if ((stops & kDropParentheses) && (c == '(' || c == ')')) continue;
    out += c;
  }
  return out;
}

// Random values of every length around the budget, of the bytes that stop
// or start a read, read with every end and every stop set the families use.
TEST(ValueText, ReadsStopWhereTheirContractsSay) {
  std::mt19937 random(3);
  const std::string kBytes = std::string("ab1 \t\n\r\f()", 11) +
                             std::string(1, '\0') + "\x80\xff";
  const unsigned kStopSets[] = {
      kStopLineEnd, kStopLineEnd | kStopTab | kStopFormFeed | kStopBlank,
      kStopLineEnd | kStopTab | kStopFormFeed, kStopLineEnd | kDropParentheses};
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const size_t length = random() % 600;
    // Mostly one byte over and over, so that long values reach the budget.
    const char common = kBytes[random() % kBytes.size()];
    const unsigned other = 1 + random() % 128;  // one byte in this many
    for (size_t k = 0; k < length; ++k) {
      text += random() % other == 0 ? kBytes[random() % kBytes.size()] : common;
    }
    const size_t end_at = length == 0 ? 0 : random() % (length + 1);
    const char* end = text.data() + end_at;

    char out[kValueBufferSize];
    const char* stop = nullptr;
    size_t expected_stop = 0;
    const std::string expected = ValueByBytes(text, end_at, &expected_stop);
    const int n = ReadValueText(text.data(), end, out, &stop);
    ASSERT_EQ(std::string(out, static_cast<size_t>(n)), expected) << i;
    ASSERT_EQ(out[n], '\0');
    ASSERT_EQ(static_cast<size_t>(stop - text.data()), expected_stop) << i;

    const unsigned stops = kStopSets[random() % 4];
    const int walk = static_cast<int>(random() % (kValueBudget + 1));
    const int m = ReadRawText(text.data(), end, stops, walk, out);
    ASSERT_EQ(std::string(out, static_cast<size_t>(m)),
              RawByBytes(text, end_at, stops, walk))
        << i;
    ASSERT_EQ(out[m], '\0');
  }
}

}  // namespace
}  // namespace vantrel
