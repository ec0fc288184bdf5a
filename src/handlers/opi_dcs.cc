#include "handlers/opi_dcs.h"

#include <cstring>
#include <memory>

#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

// The bits an OPI or DCS comment sets in "OPIDCS".
constexpr uint16_t kOpiDcsBits = 0x30;

const char* const kProcessColors[] = {"Cyan", "Magenta", "Yellow", "Black"};

// Sets the bits in the flag word and stores it as "OPIDCS", keeping the bits
// an earlier "OPIDCS" carried. Answers the flag word.
int16_t MarkOpiDcs(PropertyMap& properties, uint16_t* flags) {
  *flags = static_cast<uint16_t>(*flags | kOpiDcsBits);
  *flags = static_cast<uint16_t>(StoreOpiDcsBits(properties, *flags) & 0xFFFF);
  return static_cast<int16_t>(*flags);
}

// The plate name: the text after the first "(" from `pos` on, up to the
// next ")" or the end of the data, cut to kPlateNameMax characters. Answers
// false when no "(" is left.
bool ReadPlateName(const char* pos, const char* end,
                   char (&name)[kPlateNameMax + 1]) {
  if (pos >= end) return false;
  const char* open = static_cast<const char*>(
      std::memchr(pos, '(', static_cast<size_t>(end - pos)));
  if (open == nullptr) return false;
  int n = 0;
  for (const char* p = open + 1; p < end && *p != ')' && n < kPlateNameMax;
       ++p) {
    name[n++] = *p;
  }
  name[n] = '\0';
  return true;
}

}  // namespace

int StoreOpiDcsBits(PropertyMap& properties, int bits) {
  std::unique_ptr<CKalProperty> record = NewProperty(properties);
  if (!record) return bits;
  if (const CKalProperty* old = FindProperty(properties, "OPIDCS")) {
    int stored = 0;
    old->getValue(stored);
    bits |= stored;
  }
  record->setPropertyName("OPIDCS");
  record->setPropertyTypeName("long");
  record->setPropertyID(0);
  record->setValue(&bits);
  StoreProperty(properties, std::move(record));
  return bits;
}

namespace {

void AddOpiDcsKeys(ParserContext* table, int /*variant*/) {
  static const struct {
    const char* key;
    CommentHandler handler;
  } kEntries[] = {
      {"ALDImageFileName:", ParserOPIGeneral},
      {"ALDImageDimensions:", ParserOPIGeneral},
      {"ALDImageCropRect:", ParserOPIGeneral},
      {"ALDImagePosition:", ParserOPIGeneral},
      {"BeginOPI:", ParserOPIGeneral},
      {"HeliosIncludeEPS", ParserOPIGeneral},
      {"CyanPlate", ParserDCSGeneral},
      {"MagentaPlate", ParserDCSGeneral},
      {"YellowPlate", ParserDCSGeneral},
      {"BlackPlate", ParserDCSGeneral},
      {"PlateFile", ParserDCSGeneral},
  };
  for (const auto& entry : kEntries) {
    ParserAddEntryToList(table, entry.key, entry.handler, 0, nullptr, 0);
  }
}

}  // namespace

void RegisterOpiDcsSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  HandlerVars(context).opiDcsFlags = 0;
  AddKeywordSet(context, AddOpiDcsKeys, 0);
}

int64_t ParserOPIGeneral(char* context, CommentStruct*, long, char*, char**,
                         char*, int64_t, int64_t, long*, void*, void*) {
  const int16_t flags =
      MarkOpiDcs(PropertiesOf(context), &HandlerVars(context).opiDcsFlags);
  VTRACE("ParserOPIGeneral Return, GetCount = %d, value = %d",
         PropertiesOf(context).Count(), flags);
  return 0;
}

int64_t ParserDCSGeneral(char* context, CommentStruct* record, long, char*,
                         char** position, char* comment_start, int64_t, int64_t,
                         long*, void*, void*) {
  const int16_t flags =
      MarkOpiDcs(PropertiesOf(context), &HandlerVars(context).opiDcsFlags);
  VTRACE("ParserDCSGeneral Return, GetCount = %d, value = %d",
         PropertiesOf(context).Count(), flags);
  // The plates of an embedded document are that document's business.
  if (record == nullptr || record->m_documentDepth != 0) return 0;
  if (position == nullptr || *position == nullptr) return 0;
  char name[kPlateNameMax + 1];
  if (!ReadPlateName(*position,
                     CommentWindowEnd(context, comment_start, *position),
                     name)) {
    return 0;
  }
  for (const char* process : kProcessColors) {
    if (std::strcmp(name, process) == 0) return 0;
  }
  std::unique_ptr<CKalProperty> gap = NewProperty(PropertiesOf(context));
  if (gap) {
    const int yes = 1;
    gap->setPropertyName("IsGapFile");
    gap->setBoolValue(&yes);
    StoreProperty(PropertiesOf(context), std::move(gap));
  }
  // The trace facility ends the line itself.
  VTRACE("ParserDCSGeneral: spot color %s detected; force GAP mode", name);
  return 0;
}

}  // namespace vantrel
