// The rules and property library: typed property records, rules, and the two
// rule containers that the job-ticket road fills.
//
// All four classes have value semantics: copies are independent, so a caller
// may destroy its local record, rule or array right after handing it to Add()
// or SetRuleValue().
#ifndef VANTREL_KAL_PROPERTY_H_
#define VANTREL_KAL_PROPERTY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "vantrel/export.h"

// Rule layers. A rule's layer says what scope its properties apply to.
struct RulesLayer_e {
  enum enumLayers : int {
    Document = 0,     // the whole document
    Booklet = 2,      // one booklet
    PageRange = 101,  // a range of pages
  };
};

// One named, typed value.
//
// The type code decides how a reader should read the value back:
//   1 32-bit integer, 2 long integer, 3 double, 4 float, 5 yes/no flag,
//   6 text, 8 16-bit integer; 0 while nothing has set a type.
// The type name sets the code ("int" 1, "long" 2, "double" 3, "FLOAT" 4,
// "bool" 5, "STRING" and "string" 6, "short" 8). A value write on a record
// that has no type yet gives the record the code of the write's own form;
// on a typed record the value is kept and the code stays. Every typed read
// converts from whatever form the value was given in: text parses as a
// number, numbers print as text (integers "%d", floating point "%f").
// Floating-point text is read and printed as in the C locale ("612.5"),
// whatever locale the host has set.
class VANTREL_API CKalProperty {
 public:
  enum TypeCode : unsigned {
    kTypeNone = 0,
    kTypeInt = 1,
    kTypeLong = 2,
    kTypeDouble = 3,
    kTypeFloat = 4,
    kTypeBool = 5,
    kTypeText = 6,
    kTypeShort = 8,
  };

  CKalProperty();
  CKalProperty(const CKalProperty& other);
  virtual ~CKalProperty();
  virtual CKalProperty& operator=(const CKalProperty& other);

  // Typed reads. Each answers true when the value reads as a number of that
  // form (text always reads), and always writes its out-parameter (0 or the
  // empty text when nothing can be read).
  virtual bool getValue(std::string& out) const;
  virtual bool getValue(double& out) const;
  virtual bool getValue(float& out) const;
  virtual bool getValue(short& out) const;
  virtual bool getValue(int& out) const;
  virtual bool getValue(long& out) const;
  virtual bool getBoolValue(int& out) const;

  virtual void setPropertyName(const char* name);
  // Sets the type code from a type name; an unknown name leaves the code.
  virtual void setPropertyTypeName(const char* type_name);
  virtual void setPropertyID(int id);
  // Value from text. `code` -1 keeps the type that the type name set; any
  // other code becomes the record's type code.
  virtual void setPropertyValue(const char* text, int code);
  virtual void setValue(const char* text);
  virtual void setValue(const short* value);
  virtual void setValue(const int* value);
  virtual void setValue(const long* value);
  virtual void setBoolValue(const int* value);

  const char* getPropertyName() const { return name_.c_str(); }
  const char* getPropertyTypeName() const { return type_name_.c_str(); }
  unsigned getPropertyType() const { return type_; }
  int getPropertyID() const { return id_; }

 private:
  friend struct CKalPropertyAccess;  // the library's own code and tests

  enum class Form : unsigned char { kNone, kText, kInteger, kReal };

  void SetInteger(int64_t value, unsigned own_code);
  bool ReadInteger(int64_t& out) const;
  bool ReadReal(double& out) const;

  std::string name_;
  std::string type_name_;
  unsigned type_ = kTypeNone;
  int id_ = 0;
  Form form_ = Form::kNone;
  std::string text_;
  int64_t integer_ = 0;
  double real_ = 0.0;
};

// The scope a group of properties applies to.
class VANTREL_API CRule {
 public:
  CRule();
  CRule(const CRule& other) = default;
  CRule& operator=(const CRule& other) = default;
  virtual ~CRule();

  void SetRuleLayer(RulesLayer_e::enumLayers layer) { m_layer = layer; }
  void SetRangeValues(unsigned first, unsigned last) {
    m_firstPage = first;
    m_lastPage = last;
  }
  void SetBookletNumber(unsigned booklet) { m_booklet = booklet; }
  void SetRuleType(int type) { m_ruleType = type; }
  void SetRuleID(int id) { m_ruleID = id; }

  int GetRuleType() const { return m_ruleType; }
  int GetRuleID() const { return m_ruleID; }
  RulesLayer_e::enumLayers GetRuleLayer() const { return m_layer; }
  unsigned GetFirstPage() const { return m_firstPage; }
  unsigned GetLastPage() const { return m_lastPage; }
  unsigned GetBookletNumber() const { return m_booklet; }

 private:
  int m_ruleID = 0;
  RulesLayer_e::enumLayers m_layer = RulesLayer_e::Document;
  unsigned m_firstPage = 0;
  unsigned m_lastPage = 0;
  int m_ruleType = 0;
  unsigned m_booklet = 0;
};

// One rule and the ordered properties that it scopes.
class VANTREL_API CRuleKalPropArray {
 public:
  CRuleKalPropArray();
  CRuleKalPropArray(const CRuleKalPropArray& other);
  CRuleKalPropArray& operator=(const CRuleKalPropArray& other);
  virtual ~CRuleKalPropArray();

  void SetRuleValue(const CRule& rule) { m_rule = rule; }
  const CRule& GetRuleValue() const { return m_rule; }
  void Add(const CKalProperty& property) { m_properties.push_back(property); }
  int GetSize() const { return static_cast<int>(m_properties.size()); }
  // REQUIRES: 0 <= index < GetSize(). Answers a copy.
  CKalProperty GetAt(int index) const { return m_properties.at(index); }

 private:
  CRule m_rule;
  std::vector<CKalProperty> m_properties;
};

// The job-ticket container: an ordered list of rule arrays.
class VANTREL_API CRuleKalPropArrArray {
 public:
  CRuleKalPropArrArray();
  CRuleKalPropArrArray(const CRuleKalPropArrArray& other);
  CRuleKalPropArrArray& operator=(const CRuleKalPropArrArray& other);
  virtual ~CRuleKalPropArrArray();

  void Add(const CRuleKalPropArray& array) { m_arrays.push_back(array); }
  int GetSize() const { return static_cast<int>(m_arrays.size()); }
  // REQUIRES: 0 <= index < GetSize(). Answers a copy.
  CRuleKalPropArray GetAt(int index) const { return m_arrays.at(index); }

 private:
  std::vector<CRuleKalPropArray> m_arrays;
};

#endif  // VANTREL_KAL_PROPERTY_H_
