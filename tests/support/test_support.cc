#include "support/test_support.h"

#include <stdlib.h>

#include "entry/roads.h"
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "store/property_map.h"
#include "vantrel/vantrel.h"

namespace vantrel_test {

TempDir::TempDir() {
#if defined(_WIN32)
  // No mkdtemp: a random name, made anew until one is free.
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "vantrel-test-" + std::to_string(random() % 1000000000);
    std::error_code ec;
    if (std::filesystem::create_directory(base / name, ec)) {
      // With "/" only, so that paths built from it read alike everywhere
      // (and need no escaping in JSON).
      path_ = (base / name).generic_string();
      return;
    }
  }
  path_ = (base / "vantrel-test").generic_string();
#else
  std::string pattern =
      (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
  char* made = mkdtemp(&pattern[0]);
  path_ = made != nullptr ? made : pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

namespace {

// A file name as the library reads it: UTF-8; on Windows, text that is no
// UTF-8 in the ANSI code page (the form a narrow name has there anyway).
std::filesystem::path FsPath(const std::string& name) {
#if defined(_WIN32)
  try {
    return std::filesystem::u8path(name);
  } catch (const std::exception&) {
    return std::filesystem::path(name);
  }
#else
  return std::filesystem::path(name);
#endif
}

}  // namespace

std::string TempDir::Write(const std::string& name,
                           const std::string& contents) const {
  std::string full = path_ + "/" + name;
  std::ofstream out(FsPath(full), std::ios::binary);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return full;
}

std::string TempDir::Read(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
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

vantrel::ParseState& TestState() {
  thread_local vantrel::ParseState state;
  return state;
}

vantrel::PropertyMap& TestMap() { return TestState().properties; }

vantrel::HandlerState& TestVars() { return TestState().handlers; }

vantrel::ParseState& StateOf(CKalParser& parser) {
  return *CKalParserAccess::Engine(parser)->state;
}

std::string DumpPropertyMap(const vantrel::PropertyMap& map) {
  std::string out;
  for (const auto& entry : map.entries()) {
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

std::string Pick(const std::string& dump,
                 std::initializer_list<const char*> prefixes) {
  std::string out;
  size_t at = 0;
  while (at < dump.size()) {
    if (dump[at] == '[') {
      at = dump.find(']', at) + 1;
      if (at < dump.size() && dump[at] == ' ') ++at;
    }
    size_t next = std::min(dump.find("; ", at), dump.find('\n', at));
    const std::string entry = dump.substr(at, next - at);
    for (const char* prefix : prefixes) {
      if (entry.rfind(prefix, 0) == 0) {
        out += (out.empty() ? "" : "; ") + entry;
        break;
      }
    }
    if (next == std::string::npos) break;
    at = next + (dump[next] == '\n' ? 1 : 2);
  }
  return out;
}

std::string Filler(size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "0 0 moveto 612 792 lineto stroke\n";
  text.resize(bytes);
  if (bytes > 0) text.back() = '\n';
  return text;
}

std::string DosEps(const std::string& before, const std::string& postscript,
                   const std::string& after, int64_t offset) {
  auto le32 = [](uint64_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  const uint64_t start = 30 + before.size();
  return std::string("\xC5\xD0\xD3\xC6", 4) +
         le32(offset < 0 ? start : static_cast<uint64_t>(offset)) +
         le32(postscript.size()) + le32(0) + le32(0) +
         le32(after.empty() ? 0 : start + postscript.size()) +
         le32(after.size()) + "\xFF\xFF" + before + postscript + after;
}

int64_t Feed(CommentHandler handler, const std::string& value,
             CommentStruct* record, void* user_data, void* caller,
             ParserContext* context, size_t data_end, size_t* moved) {
  std::string chunk = value;
  ParserContext local{};
  if (context == nullptr) context = &local;
  char* data = &chunk[0];
  vantrel::ParseState* const had_state = context->state;
  if (had_state == nullptr) context->state = &TestState();
  context->dataEnd = data + std::min(data_end, chunk.size());
  *context->dataEnd = '\0';
  char* position = data;
  long wait = 0;
  char keyword[] = "key";
  int64_t result = handler(reinterpret_cast<char*>(context), record, 0, keyword,
                           &position, data, 0, 0, &wait, user_data, caller);
  context->dataEnd = nullptr;
  context->state = had_state;
  if (moved != nullptr) *moved = static_cast<size_t>(position - data);
  return result;
}

std::string ScanJob(const std::string& text, int mode, int* status) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", text);
  CRuleKalPropArrArray rules;
  CKalParser parser(path.c_str());
  vantrel::AddJobTicketComments(parser, 'P', 0);
  parser.HandleFile(rules, mode);
  if (status != nullptr) *status = parser.GetScanStatus();
  std::string map = DumpPropertyMap(StateOf(parser).properties);
  for (const char* none : {"; DocumentCustomColors:string#904=",
                           "DocumentCustomColors:string#904="}) {
    const size_t at = map.size() - std::min(map.size(), std::strlen(none));
    if (map.compare(at, std::string::npos, none) == 0) {
      map.erase(at);
      break;
    }
  }
  return map + "\n" + DumpRules(rules);
}

namespace {

// "WIDTHxHEIGHT+WOFFSET+HOFFSET" of the entries "Crop<name><sep><value>" of
// a dump.
std::string CropText(const std::string& dump, const std::string& sep) {
  std::string crop[4];
  const char* const kNames[] = {"Width", "Height", "WOffset", "HOffset"};
  for (int k = 0; k < 4; ++k) {
    const std::string key = "Crop" + std::string(kNames[k]) + sep;
    const std::string entry = Pick(dump, {key.c_str()});
    if (!entry.empty()) crop[k] = entry.substr(key.size());
  }
  if (crop[0].empty()) return "";
  return crop[0] + "x" + crop[1] + "+" + crop[2] + "+" + crop[3];
}

void SetOrUnset(const char* name, const char* value) {
#if defined(_WIN32)
  // An empty value removes the variable here: Windows keeps no empty ones.
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

}  // namespace

std::string PairsCrop(const std::string& path, int mode, char unit) {
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  _tPairProperty* pairs = nullptr;
  int count = 0;
  rip->ParseToPairs(path.c_str(), pairs, count, 1, mode, unit);
  const std::string dump = DumpPairs(pairs, count);
  delete[] pairs;
  return CropText(dump, "(4)=");
}

std::string RulesCrop(const std::string& path) {
  std::unique_ptr<CParserObjectIF> jt(CreateParserObject(0));
  CRuleKalPropArrArray rules;
  jt->ParseToRules(path.c_str(), rules, 0, 0);
  return CropText(DumpRules(rules), ":FLOAT=");
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_old_ = old != nullptr;
  if (had_old_) old_ = old;
  SetOrUnset(name, value);
}

ScopedEnv::~ScopedEnv() {
  SetOrUnset(name_.c_str(), had_old_ ? old_.c_str() : nullptr);
}

ScopedLocale::ScopedLocale(const char* name) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  old_ = old != nullptr ? old : "C";
  ok_ = std::setlocale(LC_ALL, name) != nullptr;
}

ScopedLocale::~ScopedLocale() { std::setlocale(LC_ALL, old_.c_str()); }

}  // namespace vantrel_test
