#include "engine/comment_lexer.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

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
  // The text up to the next "%" may be long (a font's binary data follows
  // its "%!" line): the search runs on the "E"s alone.
  for (const char* p = text; stop - p >= static_cast<ptrdiff_t>(n);) {
    const void* e = std::memchr(p, 'E', static_cast<size_t>(stop - p) - n + 1);
    if (e == nullptr) return false;
    p = static_cast<const char*>(e);
    if (std::memcmp(p, kEpsf, n) == 0) return true;
    ++p;
  }
  return false;
}

}  // namespace vantrel
