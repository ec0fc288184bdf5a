// An XRX job-ticket plug-in for vantrel.
//
// It reads a block of the form
//
//   %XRXbegin:
//   %XRXMedia: A4 plain white
//   %XRXFinishing: staple top-left
//   %XRXend
//
// and fills one rule (document layer, rule type 2) holding one "STRING"
// property per "%XRX<Name>: <value>" line, named <Name>, in the order of the
// lines. Other lines inside the block (blank lines, for instance) are
// skipped. A block without "%XRXend" in the text handed over is incomplete;
// a second "%XRXbegin:" before the end is an error. Both leave the
// container as it was. Objects share nothing, so the plug-in declares that
// parses on several threads may call it at once.
#include <vantrel/kal_property.h>
#include <vantrel/xrx_plugin.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

// parseBuffer's answers.
constexpr int kComplete = 3;
constexpr int kIncomplete = 2;
constexpr int kMalformed = 1;

// The mode the library asks for: results as rules.
constexpr int kRulesMode = 2;
constexpr int kRuleType = 2;

bool StartsWith(const char* p, const char* end, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return static_cast<size_t>(end - p) >= n && std::memcmp(p, prefix, n) == 0;
}

const char* LineEnd(const char* p, const char* end) {
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

const char* SkipLineBreaks(const char* p, const char* end) {
  while (p < end && (*p == '\n' || *p == '\r')) ++p;
  return p;
}

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  return p;
}

class XRXParser : public CParseXRXCommentsIf {
 public:
  int init() override {
    lines_.clear();
    mode_ = 0;
    return 1;
  }

  int setMode(int mode) override {
    mode_ = mode;
    return 1;
  }

  int parseBuffer(const char* text, int length) override {
    lines_.clear();
    if (text == nullptr || length <= 0) return kIncomplete;
    const char* end = text + length;
    // The rest of the "XRXbegin:" line belongs to no property.
    const char* p = SkipLineBreaks(LineEnd(text, end), end);
    while (p < end) {
      const char* eol = LineEnd(p, end);
      if (StartsWith(p, eol, "%XRXend")) {
        const char* rest = p + 7;
        if (rest == eol || *rest == ' ' || *rest == '\t' || *rest == ':') {
          return kComplete;
        }
      }
      if (StartsWith(p, eol, "%XRXbegin:")) return kMalformed;
      if (StartsWith(p, eol, "%XRX")) {
        const char* name = p + 4;
        const char* colon =
            static_cast<const char*>(std::memchr(name, ':', eol - name));
        if (colon != nullptr && colon > name) {
          const char* value = SkipBlanks(colon + 1, eol);
          lines_.emplace_back(std::string(name, colon),
                              std::string(value, eol));
        }
      }
      p = SkipLineBreaks(eol, end);
    }
    lines_.clear();
    return kIncomplete;
  }

  int fillRules(void* container) override {
    if (container == nullptr || mode_ != kRulesMode || lines_.empty()) return 0;
    CRule rule;
    rule.SetRuleLayer(RulesLayer_e::Document);
    rule.SetRuleType(kRuleType);
    CRuleKalPropArray array;
    array.SetRuleValue(rule);
    for (const auto& line : lines_) {
      CKalProperty property;
      property.setPropertyName(line.first.c_str());
      property.setPropertyTypeName("STRING");
      property.setPropertyID(0);
      property.setPropertyValue(line.second.c_str(), -1);
      array.Add(property);
    }
    static_cast<CRuleKalPropArrArray*>(container)->Add(array);
    return static_cast<int>(lines_.size());
  }

 private:
  std::vector<std::pair<std::string, std::string>> lines_;
  int mode_ = 0;
};

}  // namespace

extern "C" VANTREL_PLUGIN_EXPORT void* VantrelCreateObject(const char* name,
                                                           long /*arg*/) {
  if (name == nullptr || std::strcmp(name, VANTREL_XRX_OBJECT_NAME) != 0) {
    return nullptr;
  }
  CParseXRXCommentsIf* parser = new (std::nothrow) XRXParser;
  return parser;
}

// Each object keeps its own lines and the plug-in shares nothing between
// objects, so scans on several threads may use it at once.
extern "C" VANTREL_PLUGIN_EXPORT int VantrelPluginConcurrent(void) { return 1; }
