#include "handlers/separations.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "handlers/opi_dcs.h"
#include "handlers/parse_state.h"
#include "handlers/rule_output.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int32_t kModePlateColor = 1;
constexpr int32_t kModePageLabel = 2;
constexpr int32_t kModeQuark = 3;
constexpr int32_t kModeKalmp = 4;

// Bit of "OPIDCS" that marks a pre-separated job.
constexpr int kPreSeparatedBit = 2;
// Type codes of the rule's page count and of the "PreSeparatedMode" flag.
constexpr int kRuleCountCode = 2;
constexpr int kFlagCode = 5;

void RemoveKeyword(char* context, const char* key) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx != nullptr) ParserRemoveEntry(ctx, key);
}

CRuleKalPropArrArray* Rules(void* caller) {
  return static_cast<CRuleKalPropArrArray*>(caller);
}

// The page change of the "Page" and "LogicalPage" comments: a number not
// above the current page is one more plate of it, a greater one starts a new
// page.
void ChangePage(char* context, CommentStruct* record, void* caller,
                int32_t page) {
  if (record->m_pageNumber >= page) {
    ++record->m_separationCount;
    // Unseparated pages stay at one plate: their count only matters once a
    // plate colour comment marks them.
    if (record->m_separated == 0) record->m_separationCount = 1;
    return;
  }
  saveSeparations(PropertiesOf(context), Rules(caller), record);
  record->m_pageNumber = page;
  record->m_separationCount = 1;
}

// A plate colour of modes 1 and 4: a repeated name closes the page.
void CountPlate(char* context, CommentStruct* record, void* caller,
                const char* colour) {
  if (RecordPlateColor(record, colour)) {
    saveSeparations(PropertiesOf(context), Rules(caller), record);
    ++record->m_pageNumber;
    record->m_separationCount = 1;
    // The repeated plate is the new page's first: that page is separated
    // too, so its rule is written when it closes, also when it is the last
    // page and holds this one plate.
    record->m_separated = 1;
    return;
  }
  ++record->m_separationCount;
}

void AddSeparationKeys(ParserContext* table, int /*variant*/) {
  static const struct {
    const char* key;
    CommentHandler handler;
  } kEntries[] = {
      {"Page", ParserPageSeparations},
      {"LogicalPage", ParserLogicalPage},
      {"QRKPageBegin", ParserQRKPageBegin},
      {"PlateColor", ParserPlateColor},
      {"KALmpPlateColor", ParserKALmpPlateColor},
  };
  for (const auto& entry : kEntries) {
    ParserAddEntryToList(table, entry.key, entry.handler, 0, nullptr, 0);
  }
}

}  // namespace

void RegisterSeparationSet(ParserContext* context) {
  AddKeywordSet(context, AddSeparationKeys, 0);
}

void ClearPlateColors(CommentStruct* record) {
  for (auto& slot : record->m_plateColors) {
    if (slot[0] == '\0') break;
    slot[0] = '\0';
  }
}

bool RecordPlateColor(CommentStruct* record, const char* colour) {
  char name[kPlateColorMaxLength + 1];
  std::snprintf(name, sizeof name, "%s", colour);
  // An empty name matches the first free slot and so starts a new page, as
  // a repeated name does.
  for (auto& slot : record->m_plateColors) {
    if (EqualsIgnoringAsciiCase(name, slot)) {
      ClearPlateColors(record);
      std::memcpy(record->m_plateColors[0], name, sizeof name);
      return true;
    }
    if (slot[0] == '\0') {
      std::memcpy(slot, name, sizeof name);
      return false;
    }
  }
  // More plates than slots: counted by the caller, but never a page break.
  return false;
}

int64_t ParserPageSeparations(char* context, CommentStruct* record, long, char*,
                              char** position, char*, int64_t, int64_t, long*,
                              void*, void* caller) {
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  if (record == nullptr || record->m_inTailPass != 0) return 0;
  // An included picture's page is no page, nor plate, of the job.
  if (record->m_documentDepth > 0) return 0;
  // The label number comes first; the ordinal after it is not used.
  int32_t label = 0;
  if (!ReadCount(value, 1, kCountMax, &label)) return 0;
  if (record->m_separationMode == kModePlateColor) {
    record->m_pageNumber = 1;
    record->m_separationCount = 0;
  } else if (record->m_separationMode == 0) {
    record->m_separationMode = kModePageLabel;
    record->m_pageNumber = 1;
  }
  if (record->m_separationMode != kModePageLabel) return 0;
  ChangePage(context, record, caller, label);
  return 0;
}

int64_t ParserLogicalPage(char* context, CommentStruct* record, long, char*,
                          char** position, char*, int64_t, int64_t, long*,
                          void*, void* caller) {
  // Applications that write logical pages number their "Page" comments by
  // sheet; from here on the logical pages identify the printed pages.
  RemoveKeyword(context, "Page");
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  if (record == nullptr || record->m_inTailPass != 0) return 0;
  int32_t page = 0;
  if (!ReadCount(value, 1, kCountMax, &page)) return 0;
  if (record->m_separationMode != kModePageLabel) return 0;
  ChangePage(context, record, caller, page);
  return 0;
}

int64_t ParserQRKPageBegin(char* context, CommentStruct* record, long, char*,
                           char** position, char*, int64_t, int64_t, long*,
                           void*, void* caller) {
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  if (record == nullptr || record->m_inTailPass != 0) return 0;
  int32_t page = 0;
  // Compared with the page held only: any 32-bit number serves.
  if (!ReadCount(value, INT32_MIN, kCountMax, &page)) return 0;
  if (record->m_separationMode != kModeQuark) {
    RemoveKeyword(context, "Page");
    record->m_pageNumber = 1;
    record->m_separationCount = 0;
  }
  record->m_separationMode = kModeQuark;
  if (record->m_pageNumber >= page) {
    ++record->m_separationCount;
    return 0;
  }
  saveSeparations(PropertiesOf(context), Rules(caller), record);
  record->m_pageNumber = page;
  record->m_separationCount = 1;
  return 0;
}

int64_t ParserPlateColor(char* context, CommentStruct* record, long, char*,
                         char** position, char*, int64_t, int64_t, long*, void*,
                         void* caller) {
  if (record == nullptr) return 0;
  record->m_separated = 1;
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  if (record->m_separationMode != kModePlateColor) return 0;
  RemoveKeyword(context, "Page");
  CountPlate(context, record, caller, value);
  if (record->m_pageNumber == 0) record->m_pageNumber = 1;
  return 0;
}

int64_t ParserKALmpPlateColor(char* context, CommentStruct* record, long, char*,
                              char** position, char*, int64_t, int64_t, long*,
                              void*, void* caller) {
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  if (record == nullptr) return 0;
  // The composite plate is the page itself, not a separation of it.
  if (EqualsIgnoringAsciiCase(value, "Composite")) return 0;
  record->m_separated = 1;
  if (record->m_separationMode != kModeKalmp) {
    RemoveKeyword(context, "Page");
    RemoveKeyword(context, "PlateColor");
    record->m_pageNumber = 1;
    record->m_separationCount = 0;
  }
  record->m_separationMode = kModeKalmp;
  CountPlate(context, record, caller, value);
  return 0;
}

void saveSeparations(PropertyMap& properties, CRuleKalPropArrArray* rules,
                     CommentStruct* record) {
  if (record == nullptr || record->m_separated == 0) return;
  char count[16];
  std::snprintf(count, sizeof count, "%d", record->m_separationCount);
  CKalProperty property;
  property.setPropertyName("NumberOfSeparations");
  property.setPropertyValue(count, kRuleCountCode);
  AppendPageRangeRule(rules, static_cast<unsigned>(record->m_pageNumber),
                      static_cast<unsigned>(record->m_pageNumber), property);
  VTRACE("saveSeparations Return, number page = %d, number separation = %d",
         record->m_pageNumber, record->m_separationCount);

  StoreOpiDcsBits(properties, kPreSeparatedBit);
  // The constant is what this line has always reported.
  VTRACE("saveSeparations OPIDCS, GetCount = %d, value = %d",
         properties.Count(), kPreSeparatedBit);
  if (FindProperty(properties, "PreSeparatedMode") == nullptr) {
    std::unique_ptr<CKalProperty> mode = NewProperty(properties);
    if (mode) {
      mode->setPropertyName("PreSeparatedMode");
      mode->setPropertyValue("1", kFlagCode);
      StoreProperty(properties, std::move(mode));
      VTRACE("saveSeparations PreSeparatedMode, GetCount = %d, value = true",
             properties.Count());
    }
  }
  record->m_separated = 0;
}

}  // namespace vantrel
