#include "handlers/copies.h"

#include <cstring>
#include <memory>
#include <utility>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int kCopiesNumberId = 237;
// NumCopies carries a param that it does not use; kept as registered.
constexpr long kNumCopiesParam = 21;

constexpr char kNumCopiesWord[] = "numcopies";
constexpr size_t kNumCopiesWordLength = sizeof kNumCopiesWord - 1;

// Takes `count` when no earlier source fixed a count above 1.
void TakeCount(PropertyMap& properties, int32_t* counter, int32_t count) {
  if (count == 0) return;
  *counter = count;
  numberOfCopies(properties, *counter);
}

void AddNumCopiesKeys(ParserContext* table, int /*variant*/) {
  static const struct {
    const char* key;
    CommentHandler handler;
  } kEntries[] = {
      {"Requirements:", ParserNumCopiesTerm},
      {"RBINumCopies:", ParserCopiesCount},
      {"BeginNonPPDFeature: NumCopies ", ParserCopiesCount},
      {"BeginFeature:\n/#copies ", ParserCopiesCount},
      {"BeginFeature:\r/#copies ", ParserCopiesCount},
  };
  for (const auto& entry : kEntries) {
    ParserAddEntryToList(table, entry.key, entry.handler, 0, nullptr, 0);
  }
  ParserAddEntryToList(table, "Requirements:", NumCopies, kNumCopiesParam,
                       nullptr, 0);
}

}  // namespace

void RegisterNumCopiesSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  HandlerVars(context).copiesCounter = 1;
  AddKeywordSet(context, AddNumCopiesKeys, 0);
}

void numberOfCopies(PropertyMap& properties, int32_t copies) {
  if (StoreProperty(properties, "CopiesNumber", "int", kCopiesNumberId,
                    copies) == nullptr) {
    return;
  }
  VTRACE("numberOfCopies Return, GetCount = %d, value = %d", properties.Count(),
         copies);
}

int64_t ParserCopiesCount(char* context, CommentStruct* /*record*/,
                          long /*param*/, char* /*keyword*/, char** position,
                          char* /*comment_start*/, int64_t /*continuation*/,
                          int64_t /*value_offset*/, long* /*wait_index*/,
                          void* /*user_data*/, void* /*caller*/) {
  int32_t* counter = &HandlerVars(context).copiesCounter;
  if (*counter > 1) return 0;
  if (position == nullptr || *position == nullptr) return 0;
  // The number is read from the comment's own line: a conversion in place
  // would step over line ends and take a number from the PostScript below.
  char line[kValueBufferSize];
  ReadRawText(*position, ValueDataEnd(context, *position), kStopLineEnd,
              kValueBudget, line);
  int32_t count = 0;
  if (ReadCount(line, 1, kCountMax, &count))
    TakeCount(PropertiesOf(context), counter, count);
  return 0;
}

int64_t ParserNumCopiesTerm(char* context, CommentStruct* /*record*/,
                            long /*param*/, char* /*keyword*/, char** position,
                            char* /*comment_start*/, int64_t /*continuation*/,
                            int64_t /*value_offset*/, long* /*wait_index*/,
                            void* /*user_data*/, void* /*caller*/) {
  int32_t* counter = &HandlerVars(context).copiesCounter;
  if (*counter > 1) return 0;
  if (position == nullptr || *position == nullptr) return 0;
  char value[kValueBufferSize];
  ReadValueText(*position, ValueDataEnd(context, *position), value);
  const char* word = std::strstr(value, kNumCopiesWord);
  if (word == nullptr) return 0;
  // The byte after the word ("(" as a rule) is stepped over whatever it is;
  // a value that ends with the word has no number.
  const char* after = word + kNumCopiesWordLength;
  if (*after == '\0') return 0;
  int32_t count = 0;
  if (ReadCount(after + 1, 1, kCountMax, &count))
    TakeCount(PropertiesOf(context), counter, count);
  return 0;
}

int64_t NumCopies(char* context, CommentStruct* /*record*/, long /*param*/,
                  char* /*keyword*/, char** position, char* /*comment_start*/,
                  int64_t /*continuation*/, int64_t /*value_offset*/,
                  long* /*wait_index*/, void* /*user_data*/, void* /*caller*/) {
  VTRACE("NumCopies Call, GetCount = %d", PropertiesOf(context).Count());
  if (position == nullptr || *position == nullptr) return 0;
  char term[kValueBufferSize];
  ReadParenthesisedRun(*position, ValueDataEnd(context, *position), term);
  if (StoreProperty(PropertiesOf(context), "TB_Use_Num_Copies", "int", 0,
                    term) == nullptr)
    return 0;
  VTRACE("NumCopies Return, GetCount = %d, value = %s",
         PropertiesOf(context).Count(), term);
  return 0;
}

}  // namespace vantrel
