// The RIP conversion: the property map becomes a flat array of key/value
// pairs.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "handlers/handler_state.h"
#include "parser/parse_state.h"
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
  SetAtBoundingBox(&vantrel::HandlerVars(m_engine).boundingBox, properties);
  std::vector<vantrel::PropertyMap::Entry> entries = properties.TakeAll();
  count = static_cast<int>(entries.size());
  if (count == 0) return 1;
  pairs = new (std::nothrow) _tPairProperty[entries.size()];
  if (pairs == nullptr) {
    // Nothing can be handed back; the records go with `entries`.
    count = 0;
    return 1;
  }
  std::string value;
  for (size_t i = 0; i < entries.size(); ++i) {
    int type = VantrelPairValue(*entries[i].second, value);
    pairs[i].propName = CopyText(entries[i].first);
    pairs[i].propValue = CopyText(value);
    pairs[i].propType = type;
  }
  return 1;
}
