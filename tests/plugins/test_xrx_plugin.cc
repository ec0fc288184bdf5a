// A scripted XRX plug-in for the loader's and the XRX handler's tests. It
// uses no code of the vantrel library, so a test program that links the
// library statically can load it.
//
// Every call appends a line to the file VANTREL_TEST_XRX_LOG names.
// VANTREL_TEST_XRX_SCRIPT sets answers: "init=0", "parse=2", "fill=0",
// "object=null", "throw=parse", "concurrent=1" (the plug-in declares that
// it may be called concurrently), "meet=1" (parseBuffer waits up to 2 s for
// a second call to be inside parseBuffer at the same time, and logs
// "overlap N" with the most calls seen inside at once). By default parseBuffer
// answers 3 when
// "%XRXend" lies within the text, else 2. Built with
// VANTREL_TEST_NO_FACTORY, it exports no factory.
#include <vantrel/xrx_plugin.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// Calls inside parseBuffer now, and the most seen at once.
std::atomic<int> g_inside{0};
std::atomic<int> g_most{0};

// printf-style, so that no std::to_string is needed: its digit table is a
// unique symbol, which would keep the library from ever being unloaded.
__attribute__((format(printf, 1, 2))) void Log(const char* format, ...) {
  const char* path = std::getenv("VANTREL_TEST_XRX_LOG");
  FILE* f = path != nullptr ? std::fopen(path, "a") : nullptr;
  if (f == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(f, format, args);
  va_end(args);
  std::fputc('\n', f);
  std::fclose(f);
}

// The value of `key=` in the script, or `fallback`.
std::string Script(const char* key, const char* fallback) {
  const char* script = std::getenv("VANTREL_TEST_XRX_SCRIPT");
  const std::string text = script != nullptr ? script : "";
  const size_t at = text.find(std::string(key) + "=");
  if (at == std::string::npos) return fallback;
  const size_t start = text.find('=', at) + 1;
  return text.substr(start, text.find(',', start) - start);
}

int Answer(const char* key, const char* fallback) {
  if (Script("throw", "") == key) throw std::runtime_error(key);
  return std::atoi(Script(key, fallback).c_str());
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
    return Answer("init", "1");
  }
  int setMode(int mode) override {
    Log("setMode %d", mode);
    return 0;
  }
  int parseBuffer(const char* text, int length) override {
    int first = 0;
    while (first < length && text[first] != '\n' && text[first] != '\r')
      ++first;
    int end = 0;
    while (end + 7 <= length && std::memcmp(text + end, "%XRXend", 7) != 0)
      ++end;
    if (end + 7 > length) end = -1;
    if (Script("meet", "0") == "1") {
      const int now = ++g_inside;
      for (int seen = g_most.load();
           now > seen && !g_most.compare_exchange_weak(seen, now);) {
      }
      const auto until =
          std::chrono::steady_clock::now() + std::chrono::seconds(2);
      while (g_most.load() < 2 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      --g_inside;
      Log("overlap %d", g_most.load());
      return Answer("parse", end >= 0 ? "3" : "2");
    }
    Log("parseBuffer %d [%.*s] end@%d", length, first, text, end);
    return Answer("parse", end >= 0 ? "3" : "2");
  }
  int fillRules(void* container) override {
    Log("fillRules %p", container);
    return Answer("fill", "1");
  }
};

}  // namespace

#if !defined(VANTREL_TEST_NO_FACTORY)
extern "C" VANTREL_PLUGIN_EXPORT void* VantrelCreateObject(const char* name,
                                                           long arg) {
  Log("create %s %ld", name != nullptr ? name : "(null)", arg);
  if (Script("object", "") == "null") return nullptr;
  CParseXRXCommentsIf* parser = new (std::nothrow) ScriptedParser;
  return parser;
}
extern "C" VANTREL_PLUGIN_EXPORT int VantrelPluginConcurrent(void) {
  return Script("concurrent", "0") == "1" ? 1 : 0;
}
#else
extern "C" VANTREL_PLUGIN_EXPORT int VantrelNoFactoryHere() { return 0; }
#endif
