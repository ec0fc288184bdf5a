// The comment lexer: byte classes, where comments start, and what stands at
// the start of a comment line.
#ifndef VANTREL_ENGINE_COMMENT_LEXER_H_
#define VANTREL_ENGINE_COMMENT_LEXER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

// Byte classes, one table for the scanner and every comment family.
enum ByteClass : uint8_t {
  kLineEndByte = 1,  // "\n", "\r", and the NUL after a chunk's data
  kBlankByte = 2,    // " ", "\t": blanks within a line
  kSpaceByte = 4,    // what C's isspace() takes in the C locale
  kWordEndByte = 8,  // ends a word: " ", "\t", "\n", "\f", "\r", NUL
  kLetterByte = 16,  // an ASCII letter, A to Z or a to z
  kHighByte = 32,    // 0x80 and above: no ASCII text
};

constexpr uint8_t ByteClassOf(int c) {
  uint8_t classes = 0;
  if (c == '\n' || c == '\r' || c == '\0') classes |= kLineEndByte;
  if (c == ' ' || c == '\t') classes |= kBlankByte;
  if (c == ' ' || (c >= '\t' && c <= '\r')) classes |= kSpaceByte;
  if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' ||
      c == '\0') {
    classes |= kWordEndByte;
  }
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) classes |= kLetterByte;
  if (c >= 0x80) classes |= kHighByte;
  return classes;
}

struct ByteClassTable {
  uint8_t of[256];
  constexpr ByteClassTable() : of() {
    for (int c = 0; c < 256; ++c) of[c] = ByteClassOf(c);
  }
};

inline constexpr ByteClassTable kByteClasses{};

inline bool HasByteClass(char c, uint8_t classes) {
  return (kByteClasses.of[static_cast<unsigned char>(c)] & classes) != 0;
}
inline bool IsLineEndByte(char c) { return HasByteClass(c, kLineEndByte); }
inline bool IsBlankByte(char c) { return HasByteClass(c, kBlankByte); }
inline bool IsSpaceByte(char c) { return HasByteClass(c, kSpaceByte); }
inline bool IsWordEndByte(char c) { return HasByteClass(c, kWordEndByte); }
inline bool IsLetterByte(char c) { return HasByteClass(c, kLetterByte); }

// The first byte in [p, limit) of one of `classes`, or `limit`.
inline const char* FindByteClass(const char* p, const char* limit,
                                 uint8_t classes) {
  while (p < limit && !HasByteClass(*p, classes)) ++p;
  return p;
}

// Blanks after "%%" and after a keyword: a longer run is taken as text, so
// a line of blanks costs no more than its first bytes.
constexpr int kBlankRunLimit = 1000;

// `p` moved past up to kBlankRunLimit blanks, never to `end` or beyond it.
inline char* SkipBlanks(char* p, const char* end) {
  for (int n = 0; n < kBlankRunLimit && p < end && IsBlankByte(*p); ++n) ++p;
  return p;
}

// The first byte at or after `p` (up to last + 1) that is not a "%": runs of
// "%" are stepped over sixteen or eight bytes at a time.
inline char* SkipPercentRun(char* p, const char* last) {
#if defined(__SSE2__)
  const __m128i percents = _mm_set1_epi8('%');
  while (last - p >= 15) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int same = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, percents));
    if (same != 0xFFFF) return p + __builtin_ctz(~same & 0xFFFF);
    p += 16;
  }
#endif
  constexpr uint64_t kPercents = 0x2525252525252525ULL;
  while (last - p >= 7) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const uint64_t other = word ^ kPercents;
    if (other != 0) {
      // The first byte in memory that differs.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      return p + __builtin_clzll(other) / 8;
#else
      return p + __builtin_ctzll(other) / 8;
#endif
    }
    p += sizeof word;
  }
  while (p <= last && *p == '%') ++p;
  return p;
}

// The first "%" in [from, last] (`last` inclusive) that starts a comment:
// one at a line start (the byte before it is a line end) whose next byte is
// ASCII, or any "%" followed by an ASCII byte when `any_line` is set (a
// counted section is awaited: its closing comment may stand anywhere).
// Null when there is none. p[-1] must be readable for every p in the range,
// and last[1] too.
inline char* FindCommentStart(char* from, char* last, bool any_line) {
  char* p = from;
  while (p <= last) {
    char* pct;
    if (p < last && *p != '%' && p[1] == '%' && IsLineEndByte(*p)) {
      // A comment line follows a line end: the common case of a run of
      // comment lines needs no search.
      pct = p + 1;
    } else {
      pct = p;
      if (*p != '%') {
        pct = static_cast<char*>(
            std::memchr(p, '%', static_cast<size_t>(last - p + 1)));
        if (pct == nullptr) return nullptr;
      }
      if (!any_line && !IsLineEndByte(pct[-1])) {
        // A run of "%" holds no line start: step over it at once rather
        // than searching again from each of its bytes.
        p = SkipPercentRun(pct + 1, last);
        continue;
      }
    }
    if (static_cast<unsigned char>(pct[1]) < 0x80) return pct;
    p = any_line ? pct + 1 : SkipPercentRun(pct + 1, last);
  }
  return nullptr;
}

// What stands at the start of a comment line.
struct LexedComment {
  char* text;  // past "%" or "%%" and the blanks after it
  char lead;   // the byte at `text`, or NUL at the end of the data
};

// Lexes the comment whose "%" is at `pct`, reading no further than `end`.
inline LexedComment LexComment(char* pct, const char* end) {
  char* p = pct + 1;
  if (p < end && *p == '%') ++p;
  p = SkipBlanks(p, end);
  return {p, p < end ? *p : '\0'};
}

// The first place in [from, stop) where `pattern` (of `length` bytes)
// starts, the match lying within the data that ends at `data_end` (it may
// run past `stop`), or `stop`. The search runs on the pattern's byte at
// `rare`, chosen as the one least common in PostScript text.
char* FindPattern(char* from, char* stop, const char* data_end,
                  const char* pattern, size_t length, size_t rare);

// Type of a "%!" line given the text at its "!": 1 EPS ("PS" and "EPSF-"),
// 2 PostScript ("PS"), 3 VPS, 0 other. Reads no further than `end`.
int ParserFileType(const char* text, const char* end);

// True when "EPSF-" occurs in `text` before the next "%". Reads no further
// than `end`.
bool ParserIsEPSF(const char* text, const char* end);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_COMMENT_LEXER_H_
