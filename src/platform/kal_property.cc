#include "vantrel/kal_property.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
      out = static_cast<int64_t>(real_);
      return true;
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
  char buf[64];
  switch (form_) {
    case Form::kText:
      out = text_;
      return true;
    case Form::kInteger:
      std::snprintf(buf, sizeof buf, "%" PRId64, integer_);
      out = buf;
      return true;
    case Form::kReal:
      out = vantrel::FixedText(real_);
      return true;
    case Form::kNone:
      break;
  }
  out.clear();
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
    if (std::strcmp(t.name, type_name) == 0) {
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
