#include "engine/comment_lexer.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

char* FindCommentStart(char* from, char* last, bool any_line) {
  char* p = from;
  while (p <= last) {
    void* hit = std::memchr(p, '%', static_cast<size_t>(last - p + 1));
    if (hit == nullptr) return nullptr;
    char* pct = static_cast<char*>(hit);
    if ((any_line || IsLineEndByte(pct[-1])) &&
        static_cast<unsigned char>(pct[1]) < 0x80) {
      return pct;
    }
    // A run of "%" holds no line start: step over it at once rather than
    // searching again from each of its bytes.
    p = pct + 1;
    if (!any_line) {
      while (p <= last && *p == '%') ++p;
    }
  }
  return nullptr;
}

LexedComment LexComment(char* pct, const char* end) {
  char* p = pct + 1;
  if (p < end && *p == '%') ++p;
  p = SkipBlanks(p, end);
  return {p, p < end ? *p : '\0'};
}

char* FindPattern(char* from, char* stop, const char* data_end,
                  const char* pattern, size_t length, size_t rare) {
  // A match may run past `stop`, never past the data held.
  const char* last = std::min<const char*>(stop - 1, data_end - length);
  for (char* p = from + rare; p <= last + rare;) {
    void* hit =
        std::memchr(p, pattern[rare], static_cast<size_t>(last + rare - p + 1));
    if (hit == nullptr) break;
    char* q = static_cast<char*>(hit) - rare;
    if (std::memcmp(q, pattern, length) == 0) return q;
    p = static_cast<char*>(hit) + 1;
  }
  return stop;
}

int ParserFileType(const char* text, const char* end) {
  if (text == nullptr || text >= end) return 0;
  const char* p = text + 1;  // past the "!"
  size_t left = static_cast<size_t>(end - p);
  if (left >= 2 && p[0] == 'P' && p[1] == 'S') {
    return ParserIsEPSF(text, end) ? 1 : 2;
  }
  if (left >= 3 && p[0] == 'V' && p[1] == 'P' && p[2] == 'S') return 3;
  return 0;
}

bool ParserIsEPSF(const char* text, const char* end) {
  if (text == nullptr || text >= end) return false;
  // Without a further "%" the answer is false, as it has always been: the
  // search only looks up to the next comment sign.
  const void* pct = std::memchr(text, '%', static_cast<size_t>(end - text));
  if (pct == nullptr) return false;
  const char* stop = static_cast<const char*>(pct);
  static const char kEpsf[] = "EPSF-";
  const size_t n = sizeof kEpsf - 1;
  for (const char* p = text; p + n <= stop; ++p) {
    if (*p == 'E' && std::memcmp(p, kEpsf, n) == 0) return true;
  }
  return false;
}

}  // namespace vantrel
