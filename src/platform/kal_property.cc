#include "vantrel/kal_property.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/kal_property_access.h"
#include "platform/number_text.h"

namespace {

struct TypeName {
  const char* name;
  unsigned code;
};

const TypeName kTypeNames[] = {
    {"int", CKalProperty::kTypeInt},       {"long", CKalProperty::kTypeLong},
    {"double", CKalProperty::kTypeDouble}, {"FLOAT", CKalProperty::kTypeFloat},
    {"bool", CKalProperty::kTypeBool},     {"STRING", CKalProperty::kTypeText},
    {"string", CKalProperty::kTypeText},   {"short", CKalProperty::kTypeShort},
};

// Text reads as an integer when it starts with an optional sign and a digit
// (after blanks), as strtol would take it. Overflow saturates.
bool ParseInteger(const std::string& text, int64_t& out) {
  const char* s = text.c_str();
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s, &end, 10);
  out = v;
  return end != s;
}

// Text reads as a floating-point number when it starts with one (after white
// space), read as in the C locale whatever locale the host has set.
bool ParseReal(const std::string& text, double& out) {
  const char* s = text.c_str();
  if (vantrel::ReadDoubleText(s, s + text.size(), &out) != nullptr) {
    return true;
  }
  out = 0.0;
  return false;
}

// A floating-point value read as an integer, as reading its "%f" text with
// ParseInteger would: toward zero, saturating beyond the int64 range; the
// texts of an infinity or NaN do not read.
bool RealToInteger(double value, int64_t& out) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  out = 0;
  if (std::isnan(value) || std::isinf(value)) return false;
  if (value >= kLimit) {
    out = std::numeric_limits<int64_t>::max();
  } else if (value < -kLimit) {
    out = std::numeric_limits<int64_t>::min();
  } else {
    out = static_cast<int64_t>(value);
  }
  return true;
}

}  // namespace

CKalProperty::CKalProperty() = default;
CKalProperty::CKalProperty(const CKalProperty& other) = default;
CKalProperty::~CKalProperty() = default;

CKalProperty& CKalProperty::operator=(const CKalProperty& other) {
  if (this != &other) {
    name_ = other.name_;
    type_name_ = other.type_name_;
    type_ = other.type_;
    id_ = other.id_;
    form_ = other.form_;
    text_ = other.text_;
    integer_ = other.integer_;
    real_ = other.real_;
  }
  return *this;
}

bool CKalProperty::ReadInteger(int64_t& out) const {
  switch (form_) {
    case Form::kInteger:
      out = integer_;
      return true;
    case Form::kReal:
      return RealToInteger(real_, out);
    case Form::kText:
      return ParseInteger(text_, out);
    case Form::kNone:
      break;
  }
  out = 0;
  return false;
}

bool CKalProperty::ReadReal(double& out) const {
  switch (form_) {
    case Form::kInteger:
      out = static_cast<double>(integer_);
      return true;
    case Form::kReal:
      out = real_;
      return true;
    case Form::kText:
      return ParseReal(text_, out);
    case Form::kNone:
      break;
  }
  out = 0.0;
  return false;
}

bool CKalProperty::getValue(std::string& out) const {
  char buffer[vantrel::kFixedTextSize];
  const char* text = nullptr;
  const size_t size = CKalPropertyAccess::ValueText(*this, buffer, &text);
  out.assign(text, size);
  return true;
}

bool CKalProperty::getValue(double& out) const { return ReadReal(out); }

bool CKalProperty::getValue(float& out) const {
  double v = 0.0;
  bool ok = ReadReal(v);
  out = static_cast<float>(v);
  return ok;
}

bool CKalProperty::getValue(short& out) const {
  int64_t v = 0;
  bool ok = ReadInteger(v);
  out = static_cast<short>(v);
  return ok;
}

bool CKalProperty::getValue(int& out) const {
  int64_t v = 0;
  bool ok = ReadInteger(v);
  out = static_cast<int>(v);
  return ok;
}

bool CKalProperty::getValue(long& out) const {
  int64_t v = 0;
  bool ok = ReadInteger(v);
  out = static_cast<long>(v);
  return ok;
}

bool CKalProperty::getBoolValue(int& out) const {
  int64_t v = 0;
  bool ok = ReadInteger(v);
  out = v != 0 ? 1 : 0;
  return ok;
}

void CKalProperty::setPropertyName(const char* name) {
  name_ = name != nullptr ? name : "";
}

void CKalProperty::setPropertyTypeName(const char* type_name) {
  if (type_name == nullptr) return;
  for (const TypeName& t : kTypeNames) {
    if (t.name[0] == type_name[0] && std::strcmp(t.name, type_name) == 0) {
      type_name_ = type_name;
      type_ = t.code;
      return;
    }
  }
}

void CKalProperty::setPropertyID(int id) { id_ = id; }

void CKalProperty::setPropertyValue(const char* text, int code) {
  if (code != -1) type_ = static_cast<unsigned>(code);
  form_ = Form::kText;
  text_ = text != nullptr ? text : "";
}

void CKalProperty::setValue(const char* text) {
  if (type_ == kTypeNone) type_ = kTypeText;
  form_ = Form::kText;
  text_ = text != nullptr ? text : "";
}

void CKalProperty::SetInteger(int64_t value, unsigned own_code) {
  if (type_ == kTypeNone) type_ = own_code;
  form_ = Form::kInteger;
  integer_ = value;
  text_.clear();
}

void CKalProperty::setValue(const short* value) {
  if (value != nullptr) SetInteger(*value, kTypeShort);
}

void CKalProperty::setValue(const int* value) {
  if (value != nullptr) SetInteger(*value, kTypeInt);
}

void CKalProperty::setValue(const long* value) {
  if (value != nullptr) SetInteger(*value, kTypeLong);
}

void CKalProperty::setBoolValue(const int* value) {
  if (value != nullptr) SetInteger(*value != 0 ? 1 : 0, kTypeBool);
}

CRule::CRule() = default;
CRule::~CRule() = default;

CRuleKalPropArray::CRuleKalPropArray() = default;
CRuleKalPropArray::CRuleKalPropArray(const CRuleKalPropArray& other) = default;
CRuleKalPropArray& CRuleKalPropArray::operator=(
    const CRuleKalPropArray& other) = default;
CRuleKalPropArray::~CRuleKalPropArray() = default;

CRuleKalPropArrArray::CRuleKalPropArrArray() = default;
CRuleKalPropArrArray::CRuleKalPropArrArray(const CRuleKalPropArrArray& other) =
    default;
CRuleKalPropArrArray& CRuleKalPropArrArray::operator=(
    const CRuleKalPropArrArray& other) = default;
CRuleKalPropArrArray::~CRuleKalPropArrArray() = default;

void CKalPropertyAccess::SetReal(CKalProperty& record, double value) {
  if (record.type_ == CKalProperty::kTypeNone) {
    record.type_ = CKalProperty::kTypeDouble;
  }
  record.form_ = CKalProperty::Form::kReal;
  record.real_ = value;
  record.text_.clear();
}

size_t CKalPropertyAccess::ValueText(const CKalProperty& record, char* buffer,
                                     const char** text) {
  *text = buffer;
  switch (record.form_) {
    case CKalProperty::Form::kText:
      *text = record.text_.data();
      return record.text_.size();
    case CKalProperty::Form::kInteger: {
      // Integers print the same in every locale.
      const std::to_chars_result r = std::to_chars(
          buffer, buffer + vantrel::kFixedTextSize, record.integer_);
      return static_cast<size_t>(r.ptr - buffer);
    }
    case CKalProperty::Form::kReal:
      return vantrel::FixedText(record.real_, buffer);
    case CKalProperty::Form::kNone:
      break;
  }
  return 0;
}
