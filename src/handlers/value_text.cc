#include "handlers/value_text.h"

#include <cstring>

#include "engine/context.h"
#include "engine/scanner.h"

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
