#include "engine/sections.h"

#include <cstdint>
#include <cstring>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "platform/number_text.h"

namespace vantrel {

namespace {

// Sections shorter than this are examined like any text: skipping them
// would save less than the check costs.
constexpr int64_t kMinSkippedSection = 100;
// How far the handlers walk to reach the end of the opening line.
constexpr int kLineEndWalk = 255;
constexpr int kWordMax = 32;

// Reads a section's length at *p, within the line, through the one integer
// reader. Answers false (and leaves *p) when there is no length there, or
// when it is negative or beyond 64 bits: no section has such a length.
bool ReadLength(const char** p, const char* end, int64_t* out) {
  const char* q = *p;
  while (q < end && IsBlankByte(*q)) ++q;
  // The reader would step over line ends to a number on a later line.
  if (q >= end || !(*q == '+' || *q == '-' || (*q >= '0' && *q <= '9'))) {
    return false;
  }
  const char* after = ReadIntegerText(q, end, 0, INT64_MAX, out);
  if (after == nullptr) return false;
  *p = after;
  return true;
}

// Reads the next blank-separated word of the line into `word`; false at the
// end of the line.
bool ReadWord(const char** p, const char* end, char (&word)[kWordMax + 1]) {
  const char* q = *p;
  while (q < end && IsBlankByte(*q)) ++q;
  int n = 0;
  for (; q < end && !IsBlankByte(*q) && !IsLineEndByte(*q); ++q) {
    if (n < kWordMax) word[n++] = *q;
  }
  word[n] = '\0';
  *p = q;
  return n > 0;
}

// Moves the position to the end of the opening line; answers the distance
// walked.
int64_t WalkToLineEnd(char** position, const char* end) {
  char* p = *position;
  int n = 0;
  while (n < kLineEndWalk && p < end && !IsLineEndByte(*p)) {
    ++p;
    ++n;
  }
  *position = p;
  return n;
}

void AwaitEnd(ParserContext* ctx, long* wait_index, const char* key,
              const char* fallback) {
  if (wait_index == nullptr) return;
  int index = ParserFindKey(ctx, key);
  if (index == -1) index = ParserFindKey(ctx, fallback);
  *wait_index = index;
}

int64_t DataSection(char* context, CommentStruct* /*record*/, long /*param*/,
                    char* /*keyword*/, char** position, char* /*start*/,
                    int64_t /*continuation*/, int64_t value_offset,
                    long* wait_index, void* /*user_data*/, void* /*caller*/) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || position == nullptr || *position == nullptr) return 0;
  const char* end = ctx->dataEnd;
  const char* p = *position;
  // A length that cannot be read (none, negative, too large) is no length:
  // the section is examined as text.
  int64_t count = 0;
  if (!ReadLength(&p, end, &count)) count = 0;
  if (count < kMinSkippedSection) return 0;

  char type[kWordMax + 1];
  char unit[kWordMax + 1];
  bool skip;
  if (!ReadWord(&p, end, type)) {
    skip = true;
  } else if (!ReadWord(&p, end, unit)) {
    skip = std::strcmp(type, "Binary") == 0 || std::strcmp(type, "Bytes") == 0;
  } else {
    // Sections counted in lines, or of other types, are examined.
    skip =
        (std::strcmp(type, "Binary") == 0 || std::strcmp(type, "Hex") == 0) &&
        std::strcmp(unit, "Bytes") == 0;
  }

  int64_t walked = WalkToLineEnd(position, end);
  if (!skip) return 0;
  AwaitEnd(ctx, wait_index, "EndData", "%%EndData");
  // Saturate rather than overflow: such a target lies beyond any file.
  if (count > INT64_MAX - value_offset - walked) return INT64_MAX;
  return value_offset + walked + count;
}

int64_t BinarySection(char* context, CommentStruct* /*record*/, long /*param*/,
                      char* /*keyword*/, char** position, char* /*start*/,
                      int64_t /*continuation*/, int64_t value_offset,
                      long* wait_index, void* /*user_data*/, void* /*caller*/) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || position == nullptr || *position == nullptr) return 0;
  const char* p = *position;
  int64_t count = 0;
  if (!ReadLength(&p, ctx->dataEnd, &count)) return 0;
  if (count < kMinSkippedSection) return 0;
  int64_t walked = WalkToLineEnd(position, ctx->dataEnd);
  AwaitEnd(ctx, wait_index, "EndBinary", "%%EndBinary");
  // Saturate rather than overflow: such a target lies beyond any file.
  if (count > INT64_MAX - value_offset - walked) return INT64_MAX;
  return value_offset + walked + count;
}

int64_t SectionEnd(char* /*context*/, CommentStruct* /*record*/, long /*param*/,
                   char* /*keyword*/, char** /*position*/, char* /*start*/,
                   int64_t /*continuation*/, int64_t /*value_offset*/,
                   long* wait_index, void* /*user_data*/, void* /*caller*/) {
  if (wait_index != nullptr) *wait_index = 0;
  return 0;
}

void AddSectionKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "BeginBinary", BinarySection, 2, nullptr, 0);
  ParserAddEntryToList(table, "BeginData", DataSection, 2, nullptr, 0);
  ParserAddEntryToList(table, "EndBinary", SectionEnd, 2, nullptr, 0);
  ParserAddEntryToList(table, "EndData", SectionEnd, 2, nullptr, 0);
}

}  // namespace

int RegisterSectionSet(ParserContext* context) {
  AddKeywordSet(context, AddSectionKeys, 0);
  return 0;
}

}  // namespace vantrel
