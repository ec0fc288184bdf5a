// Reading a comment value in place.
#ifndef VANTREL_HANDLERS_VALUE_TEXT_H_
#define VANTREL_HANDLERS_VALUE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantrel {

// How many characters a value read may cover (skipping and copying).
constexpr int kValueBudget = 256;
// A buffer that holds any value read and its NUL.
constexpr int kValueBufferSize = kValueBudget + 1;

// The common value read: steps over blanks and tabs; a "(" makes the value
// parenthesised and is stepped over; copies until a line feed, carriage
// return or NUL (unparenthesised), a ")" (parenthesised; it does not stop at
// a line end), a byte of 0x80 or above, 255 bytes copied, or the end of the
// budget, which covers the skipping too (the "(" is not counted). The stop
// byte is neither copied nor stepped over. Never reads at or past `end`.
// Answers the number of bytes copied into `out` (NUL-terminated); `*stop`
// (when not null) receives where the read ended: the stop byte, or the first
// byte not read.
int ReadValueText(const char* pos, const char* end,
                  char (&out)[kValueBufferSize], const char** stop = nullptr);

// Bytes that end a raw read (ReadRawText), combined with "|".
enum RawStop : unsigned {
  kStopLineEnd = 1u << 0,   // line feed, carriage return, NUL
  kStopTab = 1u << 1,       // tab
  kStopFormFeed = 1u << 2,  // form feed
  kStopBlank = 1u << 3,     // blank
  // Not a stop: "(" and ")" are stepped over without being copied.
  kDropParentheses = 1u << 4,
};

// The raw read of the free-text families: copies from `pos` as it stands (no
// blank skipping, no meaning for "(" unless kDropParentheses), stopping
// before a byte that `stops` names, after `walk` bytes walked (dropped
// parentheses count), or at `end`. Answers the number of bytes copied into
// `out` (NUL-terminated).
// REQUIRES: 0 <= walk <= kValueBudget.
int ReadRawText(const char* pos, const char* end, unsigned stops, int walk,
                char (&out)[kValueBufferSize]);

// The first parenthesised run within kValueBudget bytes of `pos`, read
// across line ends and NULs: a "(" starts collecting (a further "(" is
// stepped over), the first ")" ends the walk; at most 255 bytes collected.
// Empty when no "(" is in reach. Never reads at or past `end`. Answers the
// number of bytes collected into `out` (NUL-terminated).
int ReadParenthesisedRun(const char* pos, const char* end,
                         char (&out)[kValueBufferSize]);

// Reads a count or a page number from the NUL-terminated `text` through the
// one integer reader (ReadIntegerText): white space, an optional sign,
// digits, up to the first byte that cannot belong to the number. Every
// count of the comment families is kept in 32 bits; a number outside
// [min, max] (beyond 32 bits, or negative where the caller's range says so)
// is read as no number at all, as text without a digit is. Answers false,
// leaving `*value` alone, then. `*next` (when not null) receives the byte
// after the number when one was read.
// Producers write DSC words in any letter case ("landscape", "True"). ASCII
// only, whatever the locale a host has set.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// True when `text` begins with `prefix`, in any letter case.
bool StartsWithIgnoringAsciiCase(std::string_view text,
                                 std::string_view prefix);

bool ReadCount(const char* text, int32_t min, int32_t max, int32_t* value,
               const char** next = nullptr);

// The largest count: the 32-bit range.
constexpr int32_t kCountMax = INT32_MAX;

// End of the valid data that a handler may read: the context's dataEnd, or
// the NUL ending `pos` when the handler is called without a context.
// `context` is a handler's first argument.
const char* ValueDataEnd(const char* context, const char* pos);

// Where a walk from `pos` that may cross line ends must stop so that the
// answer does not depend on where the scan's chunks begin: every chunking
// holds the kNearEndMargin bytes that follow the start of a comment (fewer
// only at the end of the file). `comment_start` is the handler's sixth
// argument; without it, ValueDataEnd.
const char* CommentWindowEnd(const char* context, const char* comment_start,
                             const char* pos);

// ReadValueText at a handler's text position, bounded by ValueDataEnd. With
// `advance` the position moves to where the read stopped, so the next
// handler of the chain goes on from there. Answers false, with `out` empty,
// when there is no position to read from.
bool ReadCommentValue(const char* context, char** position,
                      char (&out)[kValueBufferSize], bool advance);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_VALUE_TEXT_H_
