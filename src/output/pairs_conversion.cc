// The RIP conversion: the property map becomes a flat array of key/value
// pairs.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "platform/number_text.h"
#include "store/property_map.h"
#include "vantrel/kal_parser.h"

namespace {

char* CopyText(const std::string& text) {
  char* copy = new (std::nothrow) char[text.size() + 1];
  if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

}  // namespace

// Records of a type code that has no conversion (0, 7, above 8) get an empty
// text and pair type 0, never the value of another record.
int VantrelPairValue(const CKalProperty& record, std::string& text) {
  char buf[64];
  auto integer = [&](long value, int type) {
    std::snprintf(buf, sizeof buf, "%ld", value);
    text = buf;
    return type;
  };
  auto real = [&](double value, int type) {
    text = vantrel::FixedText(value);
    return type;
  };
  text.clear();
  switch (record.getPropertyType()) {
    case CKalProperty::kTypeInt: {
      int v = 0;
      record.getValue(v);
      return integer(v, 1);
    }
    case CKalProperty::kTypeLong: {
      long v = 0;
      record.getValue(v);
      return integer(v, 2);
    }
    case CKalProperty::kTypeDouble: {
      double v = 0;
      record.getValue(v);
      return real(v, 3);
    }
    case CKalProperty::kTypeFloat: {
      float v = 0;
      record.getValue(v);
      return real(v, 4);
    }
    case CKalProperty::kTypeBool: {
      int v = 0;
      record.getBoolValue(v);
      return integer(v, 5);
    }
    case CKalProperty::kTypeText:
      record.getValue(text);
      return 6;
    case CKalProperty::kTypeShort: {
      short v = 0;
      record.getValue(v);
      return integer(v, 7);
    }
    default:
      return 0;
  }
}

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
  // scan's status says why.
  try {
    std::vector<vantrel::PropertyMap::Entry> entries = properties.TakeAll();
    if (entries.empty()) return 1;
    std::unique_ptr<_tPairProperty[]> made(new (std::nothrow)
                                               _tPairProperty[entries.size()]);
    if (made == nullptr) {
      lose_answer();
      return 1;
    }
    std::string value;
    for (size_t i = 0; i < entries.size(); ++i) {
      const int type = VantrelPairValue(*entries[i].second, value);
      made[i].propName = CopyText(entries[i].first);
      made[i].propValue = CopyText(value);
      made[i].propType = type;
      if (made[i].propName == nullptr || made[i].propValue == nullptr) {
        lose_answer();
        return 1;
      }
    }
    count = static_cast<int>(entries.size());
    pairs = made.release();
  } catch (const std::bad_alloc&) {
    lose_answer();
  }
  return 1;
}
