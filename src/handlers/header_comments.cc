#include "handlers/header_comments.h"

#include <memory>
#include <utility>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/document_structure.h"
#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

// The job-ticket comment carries four bytes of its own before the name; what
// they say is not used.
constexpr int kKALPPDLeadBytes = 4;
// The white space between a job-ticket name and its value may run over line
// ends. The run is cut short here so that it stays within the data the
// scanner always holds after a comment: a longer run would make the answer
// depend on where the file's chunks happen to end.
constexpr int kKALPPDWhiteRunLimit = kValueBudget;

// Comments that stand only after the header. Producers that leave out
// "EndComments" go on with one of these (a prolog, most often); the first
// ends the header for the title.
const char* const kAfterHeaderKeys[] = {
    "BeginDefaults", "BeginProlog", "EndProlog", "BeginSetup",
    "EndSetup",      "Page",        "Trailer",
};

// The job's header has ended for the title.
void EndTitleHeader(char* context) {
  HandlerVars(context).titleHeaderOver = true;
  StorePendingTitle(context);
}

void AddKALPPDKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "KALPPD:", ParserKALPPD, 0, nullptr, 0);
}

}  // namespace

void RegisterKALPPDSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddKALPPDKeys, 0);
}

namespace {

void AddTitleKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "Title:", ParserTitle, 0, nullptr, 0);
  ParserAddEntryToList(table, "EndComments", ParserTitleEndComments, 0, nullptr,
                       0);
  for (const char* key : kAfterHeaderKeys) {
    ParserAddEntryToList(table, key, ParserTitleHeaderOver, 0, nullptr, 0);
  }
  for (const char* key : kEmbeddedBlockBeginKeys) {
    ParserAddEntryToList(table, key, ParserTitleHeaderOver, 0, nullptr, 0);
  }
}

}  // namespace

void RegisterTitleSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddTitleKeys, 0);
}

void StorePendingTitle(char* context) {
  std::unique_ptr<CKalProperty>& pending = HandlerVars(context).pendingTitle;
  if (pending)
    StoreProperty(PropertiesOf(context),
                  std::move(pending));  // leaves it empty
}

int64_t GlobalComment(char* context, CommentStruct* /*record*/, long /*param*/,
                      char* keyword, char** position, char* /*comment_start*/,
                      int64_t /*continuation*/, int64_t /*value_offset*/,
                      long* /*wait_index*/, void* /*user_data*/,
                      void* /*caller*/) {
  std::unique_ptr<CKalProperty> record = NewProperty(PropertiesOf(context));
  VTRACE("GlobalComment Call, GetCount = %d", PropertiesOf(context).Count());
  if (keyword == nullptr || position == nullptr || *position == nullptr) {
    return 0;
  }
  char value[kValueBufferSize];
  ReadRawText(*position, ValueDataEnd(context, *position), kStopLineEnd,
              kValueBudget, value);
  if (!record) return 0;
  record->setPropertyName(keyword);
  record->setPropertyTypeName("STRING");
  record->setPropertyID(0);
  record->setPropertyValue(value, -1);
  StoreProperty(PropertiesOf(context), std::move(record));
  VTRACE("KALPPD Return, GetCount = %d, value = %s",
         PropertiesOf(context).Count(), value);
  return 0;
}

int64_t ParserKALPPD(char* context, CommentStruct* /*record*/, long /*param*/,
                     char* /*keyword*/, char** position,
                     char* /*comment_start*/, int64_t /*continuation*/,
                     int64_t /*value_offset*/, long* /*wait_index*/,
                     void* /*user_data*/, void* /*caller*/) {
  VTRACE("KALPPD Call, GetCount = %d", PropertiesOf(context).Count());
  if (position == nullptr || *position == nullptr) return 0;
  const char* end = ValueDataEnd(context, *position);
  const char* p = *position;
  for (int i = 0; i < kKALPPDLeadBytes && p < end; ++i) ++p;

  char name[kValueBufferSize];
  const int name_length =
      ReadRawText(p, end, kStopLineEnd | kStopTab | kStopFormFeed | kStopBlank,
                  kValueBudget, name);
  // A property without a name would reach the job ticket as an empty key.
  if (name_length == 0) return 0;
  p += name_length;
  for (int i = 0; i < kKALPPDWhiteRunLimit && p < end && IsWordEndByte(*p);
       ++i) {
    ++p;
  }
  char value[kValueBufferSize];
  if (p < end && IsWordEndByte(*p)) {
    value[0] = '\0';  // no value within reach
  } else {
    ReadRawText(p, end, kStopLineEnd | kStopTab | kStopFormFeed, kValueBudget,
                value);
  }

  if (StoreProperty(PropertiesOf(context), name, "STRING", 0, value) == nullptr)
    return 0;
  VTRACE("KALPPD Return, GetCount = %d, keywordKALPPD = %s, value = %s",
         PropertiesOf(context).Count(), name, value);
  return 0;
}

int64_t ParserTitle(char* context, CommentStruct* record, long /*param*/,
                    char* /*keyword*/, char** position, char* /*comment_start*/,
                    int64_t /*continuation*/, int64_t /*value_offset*/,
                    long* /*wait_index*/, void* /*user_data*/,
                    void* /*caller*/) {
  VTRACE("Title Call, GetCount = %d", PropertiesOf(context).Count());
  // The first title stored is final.
  if (FindProperty(PropertiesOf(context), "Title") != nullptr) return 0;
  // A picture's or a font's title, or one in the job's body, is not the
  // job's.
  if (HandlerVars(context).titleHeaderOver) return 0;
  if (record != nullptr && record->m_documentDepth > 0) return 0;
  if (position == nullptr || *position == nullptr) return 0;

  char title[kValueBufferSize];
  const int length =
      ReadRawText(*position, ValueDataEnd(context, *position),
                  kStopLineEnd | kStopTab | kStopFormFeed | kDropParentheses,
                  kValueBudget, title);
  bool says_something = false;
  for (int i = 0; i < length && !says_something; ++i) {
    says_something = !IsSpaceByte(title[i]);
  }

  std::unique_ptr<CKalProperty>& pending = HandlerVars(context).pendingTitle;
  if (says_something) {
    std::unique_ptr<CKalProperty> fresh = NewProperty(PropertiesOf(context));
    if (fresh) pending = std::move(fresh);
  }
  // A later title of nothing but blanks still overwrites the pending text.
  if (!pending) return 0;
  pending->setPropertyName("Title");
  pending->setPropertyTypeName("STRING");
  pending->setPropertyID(0);
  pending->setPropertyValue(title, -1);
  return 0;
}

int64_t ParserTitleEndComments(char* context, CommentStruct* record,
                               long /*param*/, char* /*keyword*/,
                               char** /*position*/, char* /*comment_start*/,
                               int64_t /*continuation*/,
                               int64_t /*value_offset*/, long* /*wait_index*/,
                               void* /*user_data*/, void* /*caller*/) {
  if (record != nullptr && record->m_documentDepth > 0) return 0;
  const bool pending = HandlerVars(context).pendingTitle != nullptr;
  EndTitleHeader(context);
  if (pending)
    VTRACE("EndComments Return, output = %d ", PropertiesOf(context).Count());
  return 0;
}

int64_t ParserTitleHeaderOver(char* context, CommentStruct* /*record*/,
                              long /*param*/, char* /*keyword*/,
                              char** /*position*/, char* /*comment_start*/,
                              int64_t /*continuation*/,
                              int64_t /*value_offset*/, long* /*wait_index*/,
                              void* /*user_data*/, void* /*caller*/) {
  EndTitleHeader(context);
  return 0;
}

}  // namespace vantrel
