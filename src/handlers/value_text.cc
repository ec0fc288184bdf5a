#include "handlers/value_text.h"

#include <cstring>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/scanner.h"
#include "platform/number_text.h"

namespace vantrel {

namespace {

// Copies [from, to) into `out` with its NUL; answers the bytes copied.
int CopyValue(const char* from, const char* to, char (&out)[kValueBufferSize]) {
  const int n = static_cast<int>(to - from);
  std::memcpy(out, from, static_cast<size_t>(n));
  out[n] = '\0';
  return n;
}

}  // namespace

int ReadValueText(const char* pos, const char* end,
                  char (&out)[kValueBufferSize], const char** stop) {
  // One budget covers the blanks stepped over and the bytes copied; the "("
  // is free. The copy stops at 255 bytes so that it fits the 256-byte work
  // buffer of the handlers that keep it.
  constexpr int kMaxCopied = kValueBudget - 1;
  int budget = kValueBudget;
  const char* p = pos;
  while (budget > 0 && p < end && IsBlankByte(*p)) {
    ++p;
    --budget;
  }
  bool parenthesised = false;
  if (p < end && *p == '(') {
    parenthesised = true;
    ++p;
  }
  // Every byte copied costs one of the budget.
  const int room = budget < kMaxCopied ? budget : kMaxCopied;
  const char* limit = end - p > room ? p + room : end;
  const char* q = p;
  if (parenthesised) {
    while (q < limit && *q != ')' && !HasByteClass(*q, kHighByte)) ++q;
  } else {
    q = FindByteClass(q, limit, kLineEndByte | kHighByte);
  }
  if (stop != nullptr) *stop = q;
  return CopyValue(p, q, out);
}

int ReadRawText(const char* pos, const char* end, unsigned stops, int walk,
                char (&out)[kValueBufferSize]) {
  if (walk > kValueBudget) walk = kValueBudget;
  // The common stop sets are byte classes: one test a byte, one copy.
  uint8_t classes = 0;
  if (stops == kStopLineEnd) classes = kLineEndByte;
  if (stops == (kStopLineEnd | kStopTab | kStopFormFeed | kStopBlank)) {
    classes = kWordEndByte;
  }
  if (classes != 0) {
    const char* limit = end - pos > walk ? pos + walk : end;
    return CopyValue(pos, FindByteClass(pos, limit, classes), out);
  }
  const bool drop = (stops & kDropParentheses) != 0;
  int n = 0;
  for (const char* p = pos; walk > 0 && p < end; ++p, --walk) {
    const char c = *p;
    bool ends = false;
    switch (c) {
      case '\n':
      case '\r':
      case '\0':
        ends = (stops & kStopLineEnd) != 0;
        break;
      case '\t':
        ends = (stops & kStopTab) != 0;
        break;
      case '\f':
        ends = (stops & kStopFormFeed) != 0;
        break;
      case ' ':
        ends = (stops & kStopBlank) != 0;
        break;
      case '(':
      case ')':
        if (drop) continue;
        break;
      default:
        break;
    }
    if (ends) break;
    out[n++] = c;
  }
  out[n] = '\0';
  return n;
}

int ReadParenthesisedRun(const char* pos, const char* end,
                         char (&out)[kValueBufferSize]) {
  constexpr int kMaxCollected = kValueBudget - 1;
  bool collecting = false;
  int n = 0;
  int walk = kValueBudget;
  for (const char* p = pos; walk > 0 && p < end; ++p, --walk) {
    if (*p == ')') break;
    if (*p == '(') {
      collecting = true;
    } else if (collecting && n < kMaxCollected) {
      out[n++] = *p;
    }
  }
  out[n] = '\0';
  return n;
}

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool StartsWithIgnoringAsciiCase(std::string_view text,
                                 std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

bool ReadCount(const char* text, int32_t min, int32_t max, int32_t* value,
               const char** next) {
  const char* after =
      ReadIntegerText(text, text + std::strlen(text), min, max, value);
  if (after == nullptr) return false;
  if (next != nullptr) *next = after;
  return true;
}

const char* ValueDataEnd(const char* context, const char* pos) {
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  if (ctx != nullptr && ctx->dataEnd != nullptr) return ctx->dataEnd;
  return pos + std::strlen(pos);
}

const char* CommentWindowEnd(const char* context, const char* comment_start,
                             const char* pos) {
  const char* end = ValueDataEnd(context, pos);
  if (comment_start != nullptr && comment_start <= pos &&
      end - comment_start > kNearEndMargin) {
    end = comment_start + kNearEndMargin;
  }
  return end < pos ? pos : end;
}

bool ReadCommentValue(const char* context, char** position,
                      char (&out)[kValueBufferSize], bool advance) {
  out[0] = '\0';
  if (position == nullptr || *position == nullptr) return false;
  const char* stop = nullptr;
  ReadValueText(*position, ValueDataEnd(context, *position), out, &stop);
  if (advance) *position += stop - *position;
  return true;
}

}  // namespace vantrel
