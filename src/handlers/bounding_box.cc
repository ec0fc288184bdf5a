#include "handlers/bounding_box.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/kal_property_access.h"
#include "platform/number_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int kRankBoundingBox = 1;
constexpr int kRankHiResBoundingBox = 2;
constexpr int kRankPageBoundingBox = 3;
constexpr int kRankPaperArea = 4;
constexpr int kRankPressPaperSize = 5;

// How many bytes of a comment's line the numbers are read from.
constexpr int kLineBudget = 256;
// At most this many blanks and tabs are looked past for a "?" or "(atend)".
constexpr int kBlankLimit = 255;

// The end of the comment's line, at most kLineBudget bytes on. The numbers
// of a box are read up to there only: a read that went on over the line end
// would take the numbers of the following lines for a box that is short of
// values.
const char* LineEnd(const char* pos, const char* end) {
  const char* limit = end - pos > kLineBudget ? pos + kLineBudget : end;
  return FindByteClass(pos, limit, kLineEndByte);
}

// Reads up to `count` numbers from the comment's line, in order, stopping at
// the first one that cannot be read. "nan", "inf" and values beyond the
// float range count as unreadable: they would slip through the area test
// (every comparison with a NaN is false) and reach the crop values.
int ReadNumbers(const char* pos, const char* end, float* out, int count) {
  const char* line_end = LineEnd(pos, end);
  int read = 0;
  while (read < count) {
    float value = 0;
    pos = ReadFloatText(pos, line_end, &value);
    if (pos == nullptr || !std::isfinite(value)) break;
    out[read++] = value;
  }
  return read;
}

const char* SkipBlanks(const char* pos, const char* end) {
  for (int i = 0; i < kBlankLimit && pos < end && IsBlankByte(*pos); ++i) {
    ++pos;
  }
  return pos;
}

bool StartsWith(const char* pos, const char* end, const char* text) {
  size_t len = std::strlen(text);
  return static_cast<size_t>(end - pos) >= len &&
         std::memcmp(pos, text, len) == 0;
}

// Whether a box comment of rank `rank` counts, given where the scan stands.
// Also schedules the tail pass for an "(atend)" in the header.
bool Accepts(CommentStruct* record, ParserBoundingBoxStruct* box, int rank,
             const char* value, const char* end) {
  // Comments of embedded documents describe the embedded page, not the job;
  // a Helios server marks its own inclusions, so they count there.
  if (record->m_documentDepth > 0 && record->m_heliosSupport == 0) {
    return false;
  }
  const char* first = SkipBlanks(value, end);
  if (first < end && *first == '?') return false;
  if (record->m_headerState == 0) return false;
  if (box->awaitedRank == kRankBoundingBox && record->m_inTailPass == 0) {
    return false;
  }
  if (record->m_inTailPass != 0) {
    return box->awaitedRank != 0 && box->awaitedRank <= rank &&
           box->rank <= rank;
  }
  if (record->m_headerState == 2) return true;
  // In the header.
  if (box->rank >= rank) return false;
  if (StartsWith(first, end, "(atend)") && box->awaitedRank < rank) {
    // A whole-file scan reaches the trailer anyway.
    if (record->m_scanMode == kScanWholeFile) return false;
    box->awaitedRank = rank;
    record->m_scanMode |= kScanTailBit;
    record->m_passBits |= kScanTailBit;
    return false;
  }
  return true;
}

// The crop values are 32-bit floats. A box whose extent they cannot hold
// (in points, the unit of the largest values) is as unreadable as one with a
// NaN: an infinite crop would reach the RIP.
bool FitsCrop(float lower, float upper) {
  return static_cast<double>(upper) - lower <=
         std::numeric_limits<float>::max();
}

void TakeBox(ParserBoundingBoxStruct* box, int rank, float lower_x,
             float lower_y, float upper_x, float upper_y) {
  if (!FitsCrop(lower_x, upper_x) || !FitsCrop(lower_y, upper_y)) return;
  // A box whose upper corner lies up and right of the origin stays; a
  // better-ranked comment only records that it was seen.
  if (box->upperY > 0 && box->upperX > 0) {
    box->rank = rank;
    return;
  }
  if (upper_y - lower_y <= 0 || upper_x - lower_x <= 0) return;
  box->lowerX = lower_x;
  box->lowerY = lower_y;
  box->upperX = upper_x;
  box->upperY = upper_y;
  box->rank = rank;
  if (box->awaitedRank <= rank) box->awaitedRank = 0;
}

enum class BoxForm { kCorners, kNegatedLowerCorner, kSize };

int64_t HandleBox(char* context, CommentStruct* record, char** position,
                  int rank, BoxForm form) {
  if (record == nullptr || position == nullptr || *position == nullptr) {
    return 0;
  }
  ParserBoundingBoxStruct* box = &HandlerVars(context).boundingBox;
  const char* value = *position;
  const char* end = ValueDataEnd(context, value);
  if (!Accepts(record, box, rank, value, end)) return 0;

  float n[4];
  int wanted = form == BoxForm::kSize ? 2 : 4;
  if (ReadNumbers(value, end, n, wanted) < wanted) return 0;
  if (record->m_inTailPass != 0 && box->tailTentative == 0) {
    box->beforeTail = {box->lowerY, box->lowerX, box->upperY,
                       box->upperX, box->rank,   box->awaitedRank};
    box->tailTentative = 1;
  }
  switch (form) {
    case BoxForm::kCorners:
      TakeBox(box, rank, n[0], n[1], n[2], n[3]);
      break;
    case BoxForm::kNegatedLowerCorner:
      TakeBox(box, rank, -n[0], -n[1], n[2], n[3]);
      break;
    case BoxForm::kSize:
      TakeBox(box, rank, 0, 0, n[0], n[1]);
      break;
  }
  return 0;
}

// Stores one crop property `key`, a "FLOAT" record holding the number that
// the value's "%f" text reads as: every reader (text, float, double,
// integer) answers what the printed 32-bit result gives, and the text is
// printed only when one is read.
void StoreCrop(PropertyMap& properties, const char* key, float value) {
  // A negated zero offset (an area comment with a zero corner) prints as
  // "0.000000", not "-0.000000".
  if (value == 0) value = 0;
  std::unique_ptr<CKalProperty> record = NewProperty(properties);
  if (!record) return;
  record->setPropertyName(key);
  record->setPropertyTypeName("FLOAT");
  record->setPropertyID(0);
  CKalPropertyAccess::SetReal(*record, FixedTextValue(value));
  properties.Store(key, std::move(record));
  if (CKalTrace::Enabled()) {
    VTRACE("SetAtBoundingBox RipKey_%s, output = %d, value = %s", key,
           properties.Count(), FixedText(value).c_str());
  }
}

void AddBoundingBoxKeys(ParserContext* table, int /*variant*/) {
  static const struct {
    const char* key;
    CommentHandler handler;
  } kEntries[] = {
      {"BoundingBox", ParserBoundingBox},
      {"ImpostripPressPaperSize", ParserPressPaperSize},
      {"ADO_PaperArea", ParserPaperArea},
      {"ADO_ImageableArea", ParserPaperArea},
      {"PageBoundingBox", ParserPageBoundingBox},
      {"HiResBoundingBox", ParserHiResBoundingBox},
      {"HeliosIncludeFont", ParserHeliosIncludeFont},
      {"FixHWMargins", ParserFixHWMargins},
  };
  for (const auto& entry : kEntries) {
    ParserAddEntryToList(table, entry.key, entry.handler, 1, nullptr, 0);
  }
}

}  // namespace

void RegisterBoundingBoxSet(ParserContext* context, char unit) {
  if (context == nullptr || context->state == nullptr) return;
  ParserBoundingBoxStruct& box = HandlerVars(context).boundingBox;
  std::memset(&box, 0, sizeof box);
  box.unit = unit;
  AddKeywordSet(context, AddBoundingBoxKeys, 0);
}

int64_t ParserBoundingBox(char* context, CommentStruct* record, long, char*,
                          char** position, char*, int64_t, int64_t, long*,
                          void*, void*) {
  return HandleBox(context, record, position, kRankBoundingBox,
                   BoxForm::kCorners);
}

int64_t ParserHiResBoundingBox(char* context, CommentStruct* record, long,
                               char*, char** position, char*, int64_t, int64_t,
                               long*, void*, void*) {
  return HandleBox(context, record, position, kRankHiResBoundingBox,
                   BoxForm::kCorners);
}

int64_t ParserPageBoundingBox(char* context, CommentStruct* record, long, char*,
                              char** position, char*, int64_t, int64_t, long*,
                              void*, void*) {
  return HandleBox(context, record, position, kRankPageBoundingBox,
                   BoxForm::kCorners);
}

int64_t ParserPaperArea(char* context, CommentStruct* record, long, char*,
                        char** position, char*, int64_t, int64_t, long*, void*,
                        void*) {
  // The area is given as distances from the origin: the lower corner lies at
  // minus the first two values.
  return HandleBox(context, record, position, kRankPaperArea,
                   BoxForm::kNegatedLowerCorner);
}

int64_t ParserPressPaperSize(char* context, CommentStruct* record, long, char*,
                             char** position, char*, int64_t, int64_t, long*,
                             void*, void*) {
  return HandleBox(context, record, position, kRankPressPaperSize,
                   BoxForm::kSize);
}

int64_t ParserHeliosIncludeFont(char* context, CommentStruct* record, long,
                                char*, char**, char*, int64_t, int64_t, long*,
                                void*, void*) {
  // Fonts included by a Helios server may bring comments anywhere in the
  // file, so the rest of it is read.
  if (record == nullptr) return 0;
  record->m_scanMode = kScanWholeFile;
  record->m_passBits = kScanWholeFile;
  // The whole-file pass replaces the tail pass that an "(atend)" asked for:
  // the box the header deferred is then taken in the trailer as a
  // whole-file scan takes it, not awaited from a tail pass that never runs.
  if (record->m_inTailPass == 0)
    HandlerVars(context).boundingBox.awaitedRank = 0;
  return 0;
}

int64_t ParserFixHWMargins(char* context, CommentStruct*, long, char*,
                           char** position, char*, int64_t, int64_t, long*,
                           void*, void*) {
  if (position == nullptr || *position == nullptr) return 0;
  ParserBoundingBoxStruct* box = &HandlerVars(context).boundingBox;
  float n[4];
  int read = ReadNumbers(*position, ValueDataEnd(context, *position), n, 4);
  float* fields[4] = {&box->leftMargin, &box->bottomMargin, &box->rightMargin,
                      &box->topMargin};
  for (int i = 0; i < read; ++i) *fields[i] = n[i];
  return 0;
}

void ParserForgetTailBox(ParserBoundingBoxStruct* box) {
  if (box == nullptr || box->tailTentative == 0) return;
  box->lowerY = box->beforeTail.lowerY;
  box->lowerX = box->beforeTail.lowerX;
  box->upperY = box->beforeTail.upperY;
  box->upperX = box->beforeTail.upperX;
  box->rank = box->beforeTail.rank;
  box->awaitedRank = box->beforeTail.awaitedRank;
  box->tailTentative = 0;
}

}  // namespace vantrel

void CKalParser::SetAtBoundingBox(ParserBoundingBoxStruct* box,
                                  vantrel::PropertyMap& properties) {
  if (box == nullptr || box->rank == 0) return;
  float k;
  if (box->unit == 'I') {
    k = 0.013888889f;  // 1/72
  } else if (box->unit == 'P') {
    k = 1.0f;
  } else {
    k = 0.35277778f;  // 25.4/72
  }
  // Every result is computed from the collected box before any field is
  // overwritten with a result.
  const double left = static_cast<double>(box->lowerX) - box->leftMargin;
  const double bottom = static_cast<double>(box->lowerY) - box->bottomMargin;
  const double right = static_cast<double>(box->upperX) + box->rightMargin;
  const double top = static_cast<double>(box->upperY) + box->topMargin;
  const double results[4] = {bottom * k, left * k, (top - bottom) * k,
                             (right - left) * k};
  for (double result : results) {
    // Margins may push a box that fits over the float range: no crop is
    // better than an infinite one.
    if (!(std::fabs(result) <= std::numeric_limits<float>::max())) {
      VTRACE("SetAtBoundingBox crop beyond the float range, not stored");
      box->rank = 0;
      return;
    }
  }
  const float height_offset = static_cast<float>(results[0]);
  const float width_offset = static_cast<float>(results[1]);
  const float height = static_cast<float>(results[2]);
  const float width = static_cast<float>(results[3]);
  box->lowerY = height_offset;
  box->lowerX = width_offset;
  box->upperY = height;
  box->upperX = width;

  vantrel::StoreCrop(properties, "CropWidth", width);
  vantrel::StoreCrop(properties, "CropHeight", height);
  vantrel::StoreCrop(properties, "CropWOffset", width_offset);
  vantrel::StoreCrop(properties, "CropHOffset", height_offset);
  // A second call for the same scan (the pairs conversion makes one) must
  // not convert the converted values again.
  box->rank = 0;
  box->cropStored = 1;
}
