#include "handlers/value_text.h"

namespace vantrel {

int ReadValueText(const char* pos, const char* end,
                  char (&out)[kValueBufferSize], const char** stop) {
  // One budget covers the blanks stepped over and the bytes copied; the "("
  // is free. The copy stops at 255 bytes so that it fits the 256-byte work
  // buffer of the handlers that keep it.
  constexpr int kMaxCopied = kValueBudget - 1;
  int budget = kValueBudget;
  const char* p = pos;
  while (budget > 0 && p < end && (*p == ' ' || *p == '\t')) {
    ++p;
    --budget;
  }
  bool parenthesised = false;
  if (p < end && *p == '(') {
    parenthesised = true;
    ++p;
  }
  int n = 0;
  while (budget > 0 && n < kMaxCopied && p < end) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x80) break;
    if (parenthesised) {
      if (c == ')') break;
    } else if (c == '\n' || c == '\r' || c == '\0') {
      break;
    }
    out[n++] = static_cast<char>(c);
    ++p;
    --budget;
  }
  out[n] = '\0';
  if (stop != nullptr) *stop = p;
  return n;
}

}  // namespace vantrel
