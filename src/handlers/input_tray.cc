#include "handlers/input_tray.h"

#include <cstdint>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "handlers/rule_output.h"
#include "handlers/value_text.h"
#include "platform/trace.h"

namespace vantrel {
namespace {

// Reads the next word of `*text` into `word`, cut to kPageRangeWordMax
// characters (the rest of a longer word is passed over, so it does not
// become the next field). Answers false when no word is left.
bool ReadWord(const char** text, char (&word)[kPageRangeWordMax + 1]) {
  const char* p = *text;
  while (IsSpaceByte(*p)) ++p;
  if (*p == '\0') return false;
  int n = 0;
  for (; *p != '\0' && !IsSpaceByte(*p); ++p) {
    if (n < kPageRangeWordMax) word[n++] = *p;
  }
  word[n] = '\0';
  *text = p;
  return true;
}

void AddInputTrayKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "InputSlotTray", ParserInputSlotTray, 0, nullptr,
                       0);
}

}  // namespace

void RegisterInputTraySet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddInputTrayKeys, 0);
}

int64_t ParserInputSlotTray(char* context, CommentStruct*, long, char*,
                            char** position, char*, int64_t, int64_t, long*,
                            void*, void* caller) {
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  const char* rest = value;
  char key[kPageRangeWordMax + 1];
  char text[kPageRangeWordMax + 1];
  if (!ReadWord(&rest, key) || !ReadWord(&rest, text)) return 0;
  int32_t begin = 0;
  int32_t end = 0;
  const char* next = nullptr;
  // Page numbers are unsigned in the rule: a negative one would come out as
  // a page near four billion. One beyond 32 bits is no page either.
  if (!ReadCount(rest, 0, kCountMax, &begin, &next) ||
      !ReadCount(next, 0, kCountMax, &end)) {
    return 0;
  }
  savePageRangeProperty(static_cast<CRuleKalPropArrArray*>(caller), key, text,
                        begin, end);
  return 0;
}

void savePageRangeProperty(CRuleKalPropArrArray* rules, const char* key,
                           const char* value, int begin, int end) {
  if (rules == nullptr) return;
  CKalProperty property;
  property.setPropertyName(key);
  property.setValue(value);
  AppendPageRangeRule(rules, static_cast<unsigned>(begin),
                      static_cast<unsigned>(end), property);
  VTRACE(
      "savePageRangeProperty a_key = %s a_value = %s a_begin = %d a_end = %d",
      key, value, begin, end);
}

}  // namespace vantrel
