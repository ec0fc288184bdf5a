#include "platform/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vantrel {

const char kTraceInstance[] = "Rip\\Vantrel";

namespace {

enum class Sink { kNone, kStderr, kFile };

// Trace configuration. Written when an instance is created, read on every
// line; the parse lock serialises parses, the mutex keeps a host's own
// concurrent use of the facility safe.
struct TraceState {
  std::mutex mutex;
  Sink sink = Sink::kNone;
  std::string path;
  TraceCapture* capture = nullptr;
  std::atomic<bool> configured{false};  // read outside the mutex
};

TraceState& State() {
  static TraceState* state = new TraceState;  // lives as long as the process
  return *state;
}

std::atomic<bool> g_enabled{false};

void UpdateEnabled(TraceState& s) {
  g_enabled.store(s.sink != Sink::kNone || s.capture != nullptr,
                  std::memory_order_relaxed);
}

void Configure(TraceState& s) {
  const char* value = std::getenv("VANTREL_TRACE");
  if (value == nullptr || *value == '\0') {
    s.sink = Sink::kNone;
    s.path.clear();
  } else if (std::strcmp(value, "stderr") == 0) {
    s.sink = Sink::kStderr;
  } else {
    s.sink = Sink::kFile;
    s.path = value;
  }
  s.configured = true;
  UpdateEnabled(s);
}

}  // namespace

unsigned CKalTrace::CreateTraceInstance(const char* /*name*/) {
  TraceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  Configure(s);
  return 1;
}

void CKalTrace::ReleaseInstance(const char* /*name*/) {}

bool CKalTrace::Enabled() {
  if (g_enabled.load(std::memory_order_relaxed)) return true;
  TraceState& s = State();
  if (s.configured) return false;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.configured) Configure(s);
  return g_enabled.load(std::memory_order_relaxed);
}

int CKalTrace::OutputEx(const char* name, const char* format, ...) {
  if (!Enabled()) return 0;
  char small[512];
  std::string line;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(copy);
    return 0;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    line.assign(small, static_cast<size_t>(n));
  } else {
    line.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&line[0], line.size(), format, copy);
    line.resize(static_cast<size_t>(n));
  }
  va_end(copy);

  TraceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.capture != nullptr) s.capture->Append(line);
  const char* instance = name != nullptr ? name : kTraceInstance;
  if (s.sink == Sink::kStderr) {
    std::fprintf(stderr, "[%s] %s\n", instance, line.c_str());
  } else if (s.sink == Sink::kFile) {
    if (FILE* f = std::fopen(s.path.c_str(), "a")) {
      std::fprintf(f, "[%s] %s\n", instance, line.c_str());
      std::fclose(f);
    }
  }
  return n;
}

CKalTrace& Trace() {
  static CKalTrace trace;
  return trace;
}

TraceCapture::TraceCapture() {
  TraceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.capture = this;
  UpdateEnabled(s);
}

TraceCapture::~TraceCapture() {
  TraceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.capture == this) s.capture = nullptr;
  UpdateEnabled(s);
}

}  // namespace vantrel
