#include "support/test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/property_map.h"
#include "vantrel/kal_parser.h"

namespace vantrel_test {

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
  char* made = mkdtemp(&pattern[0]);
  path_ = made != nullptr ? made : pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name,
                           const std::string& contents) const {
  std::string full = path_ + "/" + name;
  std::ofstream out(full, std::ios::binary);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return full;
}

std::string DumpProperty(const CKalProperty& property) {
  std::string value;
  property.getValue(value);
  std::ostringstream s;
  s << property.getPropertyName() << ':';
  if (*property.getPropertyTypeName() != '\0') {
    s << property.getPropertyTypeName();
  } else {
    s << property.getPropertyType();
  }
  if (property.getPropertyID() != 0) s << '#' << property.getPropertyID();
  s << '=' << value;
  return s.str();
}

std::string DumpPropertyMap() {
  std::string out;
  for (const auto& entry : vantrel::Properties().entries()) {
    if (!out.empty()) out += "; ";
    out += DumpProperty(*entry.second);
  }
  return out;
}

std::string DumpRules(const CRuleKalPropArrArray& rules) {
  std::ostringstream s;
  for (int i = 0; i < rules.GetSize(); ++i) {
    CRuleKalPropArray array = rules.GetAt(i);
    const CRule& rule = array.GetRuleValue();
    s << "[layer " << rule.GetRuleLayer() << " type " << rule.GetRuleType()
      << " pages " << rule.GetFirstPage() << '-' << rule.GetLastPage()
      << " booklet " << rule.GetBookletNumber() << ']';
    for (int j = 0; j < array.GetSize(); ++j) {
      s << (j == 0 ? " " : "; ") << DumpProperty(array.GetAt(j));
    }
    s << '\n';
  }
  return s.str();
}

std::string DumpPairs(const _tPairProperty* pairs, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (!out.empty()) out += "; ";
    out += pairs[i].propName != nullptr ? pairs[i].propName : "(null)";
    out += '(' + std::to_string(pairs[i].propType) + ")=";
    out += pairs[i].propValue != nullptr ? pairs[i].propValue : "(null)";
  }
  return out;
}

std::string ScanJobTicket(const std::string& text, int scan_mode,
                          CRuleKalPropArrArray* rules) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", text);
  CKalParser parser(path.c_str());
  parser.AddPSRipComments();
  parser.AddBoundingBox('P');
  parser.AddKALPPDComment();
  parser.AddNumCopiesComment();
  parser.AddXRXComment();
  parser.AddDexxmlComment();
  parser.AddTitleComment();
  CRuleKalPropArrArray scratch;
  parser.HandleFile(rules != nullptr ? *rules : scratch, scan_mode);
  std::string dump = DumpPropertyMap();
  static const std::string kNoColours = "DocumentCustomColors:string#904=";
  if (dump.size() >= kNoColours.size() &&
      dump.compare(dump.size() - kNoColours.size(), kNoColours.size(),
                   kNoColours) == 0) {
    dump.erase(dump.size() - kNoColours.size());
    if (dump.size() >= 2 && dump.compare(dump.size() - 2, 2, "; ") == 0) {
      dump.erase(dump.size() - 2);
    }
  }
  return dump;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_old_ = old != nullptr;
  if (had_old_) old_ = old;
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_old_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedLocale::ScopedLocale(const char* name) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  old_ = old != nullptr ? old : "C";
  ok_ = std::setlocale(LC_ALL, name) != nullptr;
}

ScopedLocale::~ScopedLocale() { std::setlocale(LC_ALL, old_.c_str()); }

}  // namespace vantrel_test
