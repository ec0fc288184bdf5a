#include "handlers/orientation.h"

#include <cstddef>
#include <cstring>
#include <memory>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "engine/scanner.h"
#include "handlers/handler_state.h"
#include "handlers/pages.h"
#include "handlers/parse_state.h"
#include "handlers/rule_output.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int kOrientationId = 349;
constexpr int kViewingOrientationId = 268;
// Type code of the free-text value of a per-page rule.
constexpr int kRuleTextCode = 6;

constexpr char kLandscape[] = "Landscape";
constexpr char kPortrait[] = "Portrait";
// The two matrices that turn the page a quarter.
constexpr char kQuarterTurnLeft[] = "0 -1 1 0";
constexpr char kQuarterTurnRight[] = "0 1 -1 0";
// What a Mac client's driver writes to turn a landscape page.
constexpr char kMacLandscape[] = "translate -90 rotate";
constexpr size_t kMacLandscapeLength = sizeof kMacLandscape - 1;

bool BeginsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

void AddOrientationKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "Orientation", ParserOrientation, 0, nullptr, 0);
  ParserAddEntryToList(table, "ViewingOrientation", ParserViewingOrientation, 0,
                       nullptr, 0);
}

void AddMacClientKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "KalMACClient", ParserMacClient, 0, nullptr, 0);
}

}  // namespace

void RegisterOrientationSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddOrientationKeys, 0);
}

void RegisterMacClientSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddMacClientKeys, 0);
  // Once "KalMACClient" marked the job, the scanner looks for the landscape
  // turn that a Mac client's driver writes.
  context->hooks.macLandscapeCheck = MacLandscapeCheck;
  context->hooks.macLandscapeArmed = MacLandscapeArmed;
}

void AddOrientationNewEntry(PropertyMap& properties, const char* value) {
  if (StoreProperty(properties, "Orientation", "string", kOrientationId,
                    value) == nullptr) {
    return;
  }
  VTRACE("AddOrientationNewEntry Return, GetCount = %d, value = %s",
         properties.Count(), value);
}

void AddViewingOrientationNewEntry(char* context, CommentStruct* record,
                                   CRuleKalPropArrArray* rules,
                                   const char* value) {
  // The page texts that came since the last check are checked for a repeat
  // first, so the page index is the one they give.
  ResolvePageLabels(HandlerVars(context), record);
  const int32_t page = record != nullptr ? record->m_pageLabelCount : 0;
  if (page > 0) {
    CKalProperty property;
    property.setPropertyName("ViewingOrientation");
    property.setPropertyValue(value, kRuleTextCode);
    AppendPageRangeRule(rules, static_cast<unsigned>(page),
                        static_cast<unsigned>(page), property);
    if (FindProperty(PropertiesOf(context), "MultiViewingOrientation") ==
        nullptr) {
      const int yes = 1;
      if (StoreProperty(PropertiesOf(context), "MultiViewingOrientation",
                        "bool", 0, yes) != nullptr) {
        VTRACE(
            "AddViewingOrientationNewEntry Return, GetCount = %d, "
            "MultiViewingOrientation value = %d",
            PropertiesOf(context).Count(), yes);
      }
    }
    VTRACE(
        "AddViewingOrientationNewEntry Add ViewingOrientation to ext JT, "
        "GetCount = %d, value = %s curPageIndexInPage = %d",
        PropertiesOf(context).Count(), value, page);
    return;
  }
  if (StoreProperty(PropertiesOf(context), "ViewingOrientation", "string",
                    kViewingOrientationId, value) == nullptr) {
    return;
  }
  VTRACE("AddViewingOrientationNewEntry Return, GetCount = %d, value = %s",
         PropertiesOf(context).Count(), value);
}

void AddNewStrEntry(PropertyMap& properties, const char* key, int id,
                    const char* value) {
  if (StoreProperty(properties, key, "string", id, value) == nullptr) return;
  VTRACE(
      "AddNewStrEntry in parseMAC Return, GetCount = %d, a_key = %s "
      "a_value = %s",
      properties.Count(), key, value);
}

void removeKey(PropertyMap& properties, const char* key) {
  RemoveProperty(properties, key);
  VTRACE("removeKey in parseMAC Return, GetCount = %d, a_key = %s",
         properties.Count(), key);
}

int64_t ParserOrientation(char* context, CommentStruct*, long, char*,
                          char** position, char*, int64_t, int64_t, long*,
                          void*, void*) {
  char value[kValueBufferSize];
  ReadCommentValue(context, position, value, /*advance=*/false);
  HandlerVars(context).matrixOrientation = false;
  // Anything but a landscape value, "(atend)" and an empty value among them,
  // means portrait.
  AddOrientationNewEntry(
      PropertiesOf(context),
      StartsWithIgnoringAsciiCase(value, kLandscape) ? kLandscape : kPortrait);
  return 0;
}

int64_t ParserViewingOrientation(char* context, CommentStruct* record, long,
                                 char*, char** position, char*, int64_t,
                                 int64_t, long*, void*, void* caller) {
  char value[kValueBufferSize];
  ReadCommentValue(context, position, value, /*advance=*/false);
  // An embedded page's matrix is not the job's; a Helios server marks its
  // own inclusions, so they count there.
  if (record != nullptr && record->m_documentDepth > 0 &&
      record->m_heliosSupport == 0) {
    return 0;
  }
  ++HandlerVars(context).viewingOrientationCount;
  AddViewingOrientationNewEntry(
      context, record, static_cast<CRuleKalPropArrArray*>(caller), value);
  if (HandlerVars(context).matrixOrientation) {
    // The matrix text is compared as written: "[0 1 -1 0]" is not a turn.
    const bool turned = BeginsWith(value, kQuarterTurnLeft) ||
                        BeginsWith(value, kQuarterTurnRight);
    AddOrientationNewEntry(PropertiesOf(context),
                           turned ? kLandscape : kPortrait);
  }
  return 0;
}

int64_t ParserMacClient(char* context, CommentStruct*, long, char*, char**,
                        char*, int64_t, int64_t, long*, void*, void*) {
  const int32_t taken = HandlerVars(context).viewingOrientationCount;
  if (taken >= 2) {
    // Jobs that carry two matrices before the Mac marker turn their pages
    // with the matrices themselves.
    VTRACE(
        "parseMAC. Detected MAC PS file with 2 ViewingOrientation Acrobat "
        "from Mac10.4. Thus we continue works according last "
        "ViewingOrientation.");
    return 0;
  }
  removeKey(PropertiesOf(context), "ViewingOrientation");
  removeKey(PropertiesOf(context), "Orientation");
  // The orientation comments of a Mac client's job do not describe the
  // page as printed; for the rest of this scan they reach no handler.
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx != nullptr) {
    ParserRemoveEntry(ctx, "ViewingOrientation");
    ParserRemoveEntry(ctx, "Orientation");
  }
  HandlerVars(context).macClient = true;
  VTRACE("parseMAC. Detected MAC PS file.");
  return 0;
}

int MacLandscapeCheck(ParserContext* context, CommentStruct*, char* text) {
  if (!MacLandscapeArmed(context, nullptr) || text == nullptr) return 0;
  if (context != nullptr && context->dataEnd != nullptr &&
      context->dataEnd - text <
          static_cast<std::ptrdiff_t>(kMacLandscapeLength)) {
    return 0;
  }
  // strncmp stops at a NUL, so without a context nothing past the text's end
  // is read either.
  if (std::strncmp(text, kMacLandscape, kMacLandscapeLength) != 0) return 0;
  VTRACE("parseMAC. PS file is Landscape from MAC");
  PropertyMap& properties = PropertiesOf(context);
  AddNewStrEntry(properties, "Orientation", kOrientationId, kLandscape);
  AddNewStrEntry(properties, "ViewingOrientation", kViewingOrientationId,
                 kQuarterTurnLeft);
  return 1;
}

bool MacLandscapeArmed(ParserContext* context, CommentStruct*) {
  return context != nullptr && context->state != nullptr &&
         HandlerVars(context).macClient;
}

}  // namespace vantrel

void CKalParser::setOrientation() {
  if (m_engine == nullptr) return;
  if (vantrel::FindProperty(vantrel::PropertiesOf(m_engine), "Orientation") !=
      nullptr)
    return;
  const ParserBoundingBoxStruct& box =
      vantrel::HandlerVars(m_engine).boundingBox;
  if (box.cropStored == 0) return;
  // The crop width and height: wider than high is landscape; a square, or a
  // box whose sizes do not compare, is portrait.
  vantrel::AddOrientationNewEntry(
      vantrel::PropertiesOf(m_engine),
      box.upperX > box.upperY ? "Landscape" : "Portrait");
}
