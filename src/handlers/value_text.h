// Reading a comment value in place.
#ifndef VANTREL_HANDLERS_VALUE_TEXT_H_
#define VANTREL_HANDLERS_VALUE_TEXT_H_

#include <cstddef>

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

// Where the data that a handler may read from `pos` ends: the context's
// dataEnd, or, without a context (`context` is the handler's first
// argument and may be null), the NUL that ends the text at `pos`.
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
