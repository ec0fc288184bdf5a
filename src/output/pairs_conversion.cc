// The RIP conversion: the property map becomes a flat array of key/value
// pairs.
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "output/pair_value.h"
#include "platform/kal_property_access.h"
#include "platform/number_text.h"
#include "store/property_map.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

PairValue Integer(long value, int type, char* buffer) {
  // Integers print the same in every locale: "%ld".
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + kFixedTextSize, value);
  return {buffer, static_cast<size_t>(r.ptr - buffer), type};
}

PairValue Real(double value, int type, char* buffer) {
  return {buffer, FixedText(value, buffer), type};
}

}  // namespace

// Records of a type code that has no conversion (0, 7, above 8) get an empty
// text and pair type 0, never the value of another record.
PairValue PairValueOf(const CKalProperty& record, char* buffer) {
  switch (record.getPropertyType()) {
    case CKalProperty::kTypeInt: {
      int v = 0;
      record.getValue(v);
      return Integer(v, 1, buffer);
    }
    case CKalProperty::kTypeLong: {
      long v = 0;
      record.getValue(v);
      return Integer(v, 2, buffer);
    }
    case CKalProperty::kTypeDouble: {
      double v = 0;
      record.getValue(v);
      return Real(v, 3, buffer);
    }
    case CKalProperty::kTypeFloat: {
      float v = 0;
      record.getValue(v);
      return {buffer, FixedFloatText(v, buffer), 4};
    }
    case CKalProperty::kTypeBool: {
      int v = 0;
      record.getBoolValue(v);
      return Integer(v, 5, buffer);
    }
    case CKalProperty::kTypeText: {
      PairValue value{nullptr, 0, 6};
      value.size = CKalPropertyAccess::ValueText(record, buffer, &value.text);
      return value;
    }
    case CKalProperty::kTypeShort: {
      short v = 0;
      record.getValue(v);
      return Integer(v, 7, buffer);
    }
    default:
      return {buffer, 0, 0};
  }
}

}  // namespace vantrel

int VantrelPairValue(const CKalProperty& record, std::string& text) {
  char buffer[vantrel::kFixedTextSize];
  const vantrel::PairValue value = vantrel::PairValueOf(record, buffer);
  text.assign(value.text, value.size);
  return value.type;
}

namespace {

// A new[] copy of `size` bytes and a NUL; null when out of memory.
char* CopyText(const char* text, size_t size) {
  char* copy = new (std::nothrow) char[size + 1];
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, size);
  copy[size] = '\0';
  return copy;
}

// Writes one pair: its name and value texts straight into their own
// allocations. False when either could not be made.
bool FillPair(const vantrel::PropertyMap::Entry& entry, _tPairProperty& pair) {
  char buffer[vantrel::kFixedTextSize];
  const vantrel::PairValue value = vantrel::PairValueOf(*entry.second, buffer);
  pair.propName = CopyText(entry.first.data(), entry.first.size());
  pair.propValue = CopyText(value.text, value.size);
  pair.propType = value.type;
  return pair.propName != nullptr && pair.propValue != nullptr;
}

}  // namespace

int CKalParser::GetRipDataFromParser(_tPairProperty*& pairs, int& count) {
  if (pairs != nullptr) {
    delete[] pairs;
    pairs = nullptr;
  }
  count = 0;
  if (m_engine == nullptr) return 1;
  const vantrel::ParseTraceScope trace(m_engine);
  vantrel::PropertyMap& properties = vantrel::PropertiesOf(m_engine);
  // No whole answer: the host gets no pairs, and the status says why (unless
  // the scan had already failed for a reason of its own).
  const auto lose_answer = [this] {
    if (m_scanStatus == VANTREL_SCAN_OK) {
      m_scanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
    }
  };
  SetAtBoundingBox(&vantrel::HandlerVars(m_engine).boundingBox, properties);
  if (properties.lost()) {
    properties.Clear();
    lose_answer();
    return 1;
  }
  // The array is handed over whole or not at all: a host prints and compares
  // every name and value, so a pair without one must never reach it. When
  // memory runs out on the way, the host gets no pairs (count 0) and the
  // scan's status says why; the half-made array is released with its texts.
  const std::vector<vantrel::PropertyMap::Entry> entries = properties.TakeAll();
  if (entries.empty()) return 1;
  std::unique_ptr<_tPairProperty[]> made(new (std::nothrow)
                                             _tPairProperty[entries.size()]);
  if (made == nullptr) {
    lose_answer();
    return 1;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!FillPair(entries[i], made[i])) {
      lose_answer();
      return 1;
    }
  }
  count = static_cast<int>(entries.size());
  pairs = made.release();
  return 1;
}
