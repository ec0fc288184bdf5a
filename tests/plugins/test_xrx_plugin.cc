// A scripted XRX plug-in for the loader's and the XRX handler's tests. It
// uses no code of the vantrel library, so a test program that links the
// library statically can load it.
//
// VANTREL_TEST_XRX_LOG names a file to which every call appends one line;
// VANTREL_TEST_XRX_SCRIPT sets the answers, e.g. "init=0", "parse=2",
// "fill=0", "object=null", "throw=parse" (comma-separated). By default
// parseBuffer answers 3 when "%XRXend" lies within the text, else 2.
// Built once more with VANTREL_TEST_NO_FACTORY, it exports no factory.
#include <vantrel/xrx_plugin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// Not std::to_string: its digit table is a unique symbol, which would keep
// the library from ever being unloaded.
std::string Number(long n) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", n);
  return text;
}

void Log(const std::string& line) {
  const char* path = std::getenv("VANTREL_TEST_XRX_LOG");
  if (path == nullptr) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

// The value of `key=` in the script, or `fallback`.
std::string Script(const char* key, const char* fallback) {
  const char* script = std::getenv("VANTREL_TEST_XRX_SCRIPT");
  const std::string text = script != nullptr ? script : "";
  const std::string wanted = std::string(key) + "=";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    if (text.compare(at, wanted.size(), wanted) == 0) {
      return text.substr(at + wanted.size(), end - at - wanted.size());
    }
    at = end + 1;
  }
  return fallback;
}

void MaybeThrow(const char* call) {
  if (Script("throw", "") == call) throw std::runtime_error(call);
}

// Runs when the library is unloaded.
struct UnloadLog {
  ~UnloadLog() { Log("unload"); }
} g_unload_log;

class ScriptedParser : public CParseXRXCommentsIf {
 public:
  ~ScriptedParser() override { Log("destroy"); }

  int init() override {
    Log("init");
    MaybeThrow("init");
    return std::atoi(Script("init", "1").c_str());
  }
  int setMode(int mode) override {
    Log("setMode " + Number(mode));
    return 0;
  }
  int parseBuffer(const char* text, int length) override {
    std::string first;
    for (int i = 0; i < length && text[i] != '\n' && text[i] != '\r'; ++i) {
      first += text[i];
    }
    long end = -1;
    for (int i = 0; i + 7 <= length; ++i) {
      if (std::memcmp(text + i, "%XRXend", 7) == 0) {
        end = i;
        break;
      }
    }
    Log("parseBuffer " + Number(length) + " [" + first + "] end@" +
        Number(end));
    MaybeThrow("parse");
    return std::atoi(Script("parse", end >= 0 ? "3" : "2").c_str());
  }
  int fillRules(void* container) override {
    char pointer[32];
    std::snprintf(pointer, sizeof pointer, "%p", container);
    Log(std::string("fillRules ") + pointer);
    return std::atoi(Script("fill", "1").c_str());
  }
};

}  // namespace

#if !defined(VANTREL_TEST_NO_FACTORY)
extern "C" VANTREL_PLUGIN_EXPORT void* VantrelCreateObject(const char* name,
                                                           long arg) {
  Log(std::string("create ") + (name != nullptr ? name : "(null)") + " " +
      Number(arg));
  if (Script("object", "") == "null") return nullptr;
  CParseXRXCommentsIf* parser = new (std::nothrow) ScriptedParser;
  return parser;
}
#else
extern "C" VANTREL_PLUGIN_EXPORT int VantrelNoFactoryHere() { return 0; }
#endif
