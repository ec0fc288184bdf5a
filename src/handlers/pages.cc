#include "handlers/pages.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "handlers/rule_output.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int32_t kFileTypeEps = 1;
constexpr int32_t kInTrailer = 2;

// Page-count values with a meaning of their own.
constexpr int32_t kAwaitingAtEnd = -1;
constexpr int32_t kCountRepeated = -2;
// A count of 63 is never stored, from "Pages" or "PagesPerBooklet"; kept for
// compatibility with the job tickets made so far, this one value only.
constexpr int32_t kIgnoredCount = 63;

// Page-label flag values.
constexpr int32_t kLabelsStale = -1;
constexpr int32_t kLabelRepeated = 1;
// A page label is compared on at most this many bytes of its line.
constexpr int kPageLabelLength = kValueBudget - 1;
// A repeated label gives the record's label count this value.
constexpr int32_t kLabelCountRepeated = -2;
// How many page texts wait to be checked together.
constexpr size_t kPageLabelBatch = 32;

constexpr int kBookletPagesId = 289;
// The booklet property's value is given as text of this type code.
constexpr int kLongCode = 2;

void AddPagesKeys(ParserContext* table, int /*variant*/) {
  static const struct {
    const char* key;
    CommentHandler handler;
    long param;
  } kEntries[] = {
      {"Pages", ParserNumPages, kCountsPages},
      {"Page", ParserPageLabel, 0},
      {"KAL_Pages", ParserKalPages, 0},
      {"PagesPerBooklet", ParserNumPagesPerBooklet, 0},
      {"BookletPages", ParserBookletPages, 0},
      {"NumberOfBooklets", ParserNumberOfBooklets, 0},
      {"VariablePagesPerBooklet", ParserVariablePagesPerBooklet, 0},
      {"BookletPages", ParserBookletPages, 0},
  };
  for (const auto& entry : kEntries) {
    ParserAddEntryToList(table, entry.key, entry.handler, entry.param, nullptr,
                         0);
  }
}

}  // namespace

void RegisterPagesSet(ParserContext* context) {
  if (context == nullptr) return;
  // The scanner asks this set for the page count of an EPS file at its "%!"
  // line.
  context->hooks.epsPageCount = ParserNumPages;
  AddKeywordSet(context, AddPagesKeys, 0);
}

int saveNumberPages(PropertyMap& properties, long count) {
  VTRACE("saveNumberPages Call");
  if (StoreProperty(properties, "NumPages", "long", 0,
                    static_cast<int32_t>(count)) != nullptr) {
    // The constant 1 is what this line has always reported.
    VTRACE("saveNumberPages Return, GetCount = %d, value = %d",
           properties.Count(), 1);
  }
  return 1;
}

int64_t ParserNumPages(char* context, CommentStruct* record, long param,
                       char* /*keyword*/, char** position,
                       char* /*comment_start*/, int64_t /*continuation*/,
                       int64_t /*value_offset*/, long* /*wait_index*/,
                       void* /*user_data*/, void* /*caller*/) {
  VTRACE("ParserNumPages Call");
  if (record == nullptr) return 0;
  // An EPS file is one page, whatever its comments say.
  if (record->m_fileType == kFileTypeEps) {
    saveNumberPages(PropertiesOf(context), 1);
    return 0;
  }
  // The scanner's call at an EPS "%!" line stops here.
  if (param != kCountsPages) return 0;
  int32_t* count = &HandlerVars(context).pageCountValue;
  // Embedded documents and resources state their own page counts, in their
  // headers and their trailers alike: such a count is neither the job's nor
  // a second count of the job's. A Helios server marks its own inclusions,
  // so they count there.
  if (record->m_documentDepth > 0 && record->m_heliosSupport == 0) return 0;
  if (FindProperty(PropertiesOf(context), "NumPages") != nullptr) {
    *count = kCountRepeated;
    return 0;
  }
  // An awaited (atend) count is taken from the trailer only.
  if (*count == kAwaitingAtEnd && record->m_headerState != kInTrailer) {
    return 0;
  }
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/true)) return 0;

  const bool at_end = std::strcmp(text, "atend") == 0;
  if (record->m_scanMode == kScanWholeFile) {
    if (at_end) {
      *count = kAwaitingAtEnd;
      return 0;
    }
  } else if (record->m_inTailPass == 0 && at_end) {
    // The head pass alone would never reach the trailer.
    record->m_scanMode |= kScanTailBit;
    record->m_passBits |= kScanTailBit;
    *count = kAwaitingAtEnd;
    return 0;
  }
  // A value without a number, also an empty one, leaves everything as it
  // was: storing the count held would put a stale or meaningless number in
  // place of the count that the trailer may still state.
  int32_t number = 0;
  if (!ReadCount(text, 0, kCountMax, &number)) return 0;
  *count = number;
  if (number == kIgnoredCount) return 0;
  saveNumberPages(PropertiesOf(context), number);
  return 0;
}

int64_t ParserPageLabel(char* context, CommentStruct* record, long /*param*/,
                        char* /*keyword*/, char** position,
                        char* /*comment_start*/, int64_t /*continuation*/,
                        int64_t /*value_offset*/, long* /*wait_index*/,
                        void* /*user_data*/, void* /*caller*/) {
  if (record == nullptr) return 0;
  HandlerState& state = HandlerVars(context);
  int32_t* flag = &state.pageLabelFlag;
  if (*flag == kLabelsStale) {
    state.pageLabels.Clear();
    *flag = 0;
  } else if (*flag == kLabelRepeated) {
    return 0;
  }
  if (record->m_inTailPass != 0) return 0;
  // The pages of an included picture are the picture's: its "%%Page: 1 1"
  // does not repeat the job's first page.
  if (record->m_documentDepth > 0) return 0;
  if (position == nullptr || *position == nullptr) return 0;
  char label[kValueBufferSize];
  const int length = ReadRawText(*position, ValueDataEnd(context, *position),
                                 kStopLineEnd, kPageLabelLength, label);
  // Counted now, checked for a repeat with the next few texts (see
  // ResolvePageLabels): whoever reads the count or the flag resolves first.
  state.pageLabels.Add(label, static_cast<size_t>(length));
  ++record->m_pageLabelCount;
  if (state.pageLabels.pending() >= kPageLabelBatch) {
    ResolvePageLabels(state, record, flag);
  }
  return 0;
}

void ResolvePageLabels(HandlerState& state, CommentStruct* record,
                       int32_t* flag) {
  if (flag == nullptr) flag = &state.pageLabelFlag;
  if (!state.pageLabels.Resolve()) return;
  // The first text that came twice ends the collection; the texts after it
  // were never to be counted.
  *flag = kLabelRepeated;
  if (record != nullptr) record->m_pageLabelCount = kLabelCountRepeated;
}

int64_t ParserKalPages(char* context, CommentStruct* /*record*/, long /*param*/,
                       char* /*keyword*/, char** position,
                       char* /*comment_start*/, int64_t /*continuation*/,
                       int64_t /*value_offset*/, long* /*wait_index*/,
                       void* /*user_data*/, void* /*caller*/) {
  int32_t* kal_pages = &HandlerVars(context).kalPages;
  if (*kal_pages != -1) return 0;
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/false)) return 0;
  int32_t number = 0;
  if (ReadCount(text, 0, kCountMax, &number)) *kal_pages = number;
  return 0;
}

int64_t ParserNumPagesPerBooklet(char* context, CommentStruct* /*record*/,
                                 long /*param*/, char* /*keyword*/,
                                 char** position, char* /*comment_start*/,
                                 int64_t /*continuation*/,
                                 int64_t /*value_offset*/, long* /*wait_index*/,
                                 void* /*user_data*/, void* /*caller*/) {
  VTRACE("ParserNumPagesPerBooklet Call");
  int32_t* count = &HandlerVars(context).pageCountValue;
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/true)) return 0;
  int32_t number = 0;
  if (!ReadCount(text, 0, kCountMax, &number)) return 0;
  *count = number;
  if (number == kIgnoredCount) return 0;
  if (StoreProperty(PropertiesOf(context), "PagesPerBooklet", "long", 0,
                    number) == nullptr)
    return 0;
  VTRACE("ParserNumPagesPerBooklet Return, output = %d, value = %d",
         PropertiesOf(context).Count(), number);
  return 0;
}

int64_t ParserNumberOfBooklets(char* context, CommentStruct* /*record*/,
                               long /*param*/, char* /*keyword*/,
                               char** position, char* /*comment_start*/,
                               int64_t /*continuation*/,
                               int64_t /*value_offset*/, long* /*wait_index*/,
                               void* /*user_data*/, void* /*caller*/) {
  VTRACE("ParserNumberOfBooklets Call");
  int32_t* booklets = &HandlerVars(context).bookletCount;
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/true)) return 0;
  int32_t number = 0;
  if (!ReadCount(text, 0, kCountMax, &number)) return 0;
  *booklets = number;
  if (StoreProperty(PropertiesOf(context), "NumberOfBooklets", "long", 0,
                    number) == nullptr) {
    return 0;
  }
  VTRACE("ParserNumberOfBooklets Return, output = %d, value = %ld",
         PropertiesOf(context).Count(), static_cast<long>(number));
  return 0;
}

int64_t ParserVariablePagesPerBooklet(char* context, CommentStruct* /*record*/,
                                      long /*param*/, char* /*keyword*/,
                                      char** position, char* /*comment_start*/,
                                      int64_t /*continuation*/,
                                      int64_t /*value_offset*/,
                                      long* /*wait_index*/, void* /*user_data*/,
                                      void* /*caller*/) {
  VTRACE("ParserVariablePagesPerBooklet Call");
  uint8_t* variable = &HandlerVars(context).variableBooklets;
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/true)) return 0;
  *variable = std::strcmp(text, "true") == 0 ? 1 : 0;
  if (StoreProperty(PropertiesOf(context), "VariablePagesPerBooklet", "bool", 0,
                    static_cast<int32_t>(*variable)) == nullptr) {
    return 0;
  }
  VTRACE("ParserVariablePagesPerBooklet Return, output = %d, value = %ld",
         PropertiesOf(context).Count(), static_cast<long>(*variable));
  return 0;
}

int64_t ParserBookletPages(char* context, CommentStruct* /*record*/,
                           long /*param*/, char* /*keyword*/, char** position,
                           char* /*comment_start*/, int64_t /*continuation*/,
                           int64_t /*value_offset*/, long* /*wait_index*/,
                           void* /*user_data*/, void* caller) {
  char text[kValueBufferSize];
  if (!ReadCommentValue(context, position, text, /*advance=*/true)) return 0;
  auto* rules = static_cast<CRuleKalPropArrArray*>(caller);
  if (rules == nullptr) return 0;
  int32_t booklet = 0;
  int32_t pages = 0;
  const char* next = nullptr;
  // Booklet numbers and page counts are unsigned in the rule: a negative one
  // would come out as a number near four billion.
  if (!ReadCount(text, 1, kCountMax, &booklet, &next) ||
      !ReadCount(next, 1, kCountMax, &pages)) {
    return 0;
  }

  CKalProperty property;
  property.setPropertyName("PagesPerBooklet");
  property.setPropertyID(kBookletPagesId);
  char value[16];
  std::snprintf(value, sizeof value, "%d", pages);
  property.setPropertyValue(value, kLongCode);
  AppendBookletRule(rules, static_cast<unsigned>(booklet), property);
  return 0;
}

}  // namespace vantrel
