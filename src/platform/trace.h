// The trace facility: diagnostic lines under the instance "Rip\Vantrel".
//
// Silent by default. VANTREL_TRACE=stderr writes each line to stderr;
// VANTREL_TRACE=<path> appends to that file, where a path is a value that
// holds a "/" ("/var/log/vantrel.log", "./vantrel.log"). Each line reads
// "[Rip\Vantrel] <text>". The variable is read when a parser creates the
// trace instance, so a host may change it between parses. Any other value
// ("1", "on"), or a file that cannot be opened for appending, leaves the
// trace off and is told once on stderr (TellSettingProblem).
//
// Process-wide and thread-safe: each line is written whole, never mixed with
// another thread's. A parse takes the configuration in force when it starts
// (TraceSnapshot) and writes its lines there until it ends (TraceScope), so
// one parse starting never re-points the lines of another that runs.
#ifndef VANTREL_PLATFORM_TRACE_H_
#define VANTREL_PLATFORM_TRACE_H_

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

extern const char kTraceInstance[];  // "Rip\Vantrel"

class CKalTrace {
 public:
  unsigned CreateTraceInstance(const char* name);
  // printf-style; writes one line. Answers the number of bytes formatted, or
  // 0 when tracing is off.
  int OutputEx(const char* name, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;
  void ReleaseInstance(const char* name);
  // True when lines go anywhere; callers may skip costly argument work.
  static bool Enabled();
};

// The process-wide trace object.
CKalTrace& Trace();

// Where lines go: one configuration, never changed once made.
struct TraceSink;

// The configuration in force now (as the last CreateTraceInstance read it).
std::shared_ptr<const TraceSink> TraceSnapshot();

// While it lives, the lines written on this thread go to `sink` (null: to
// the configuration in force). Nestable; the previous sink comes back.
class TraceScope {
 public:
  explicit TraceScope(const TraceSink* sink);
  ~TraceScope();
  TraceScope(const TraceScope&) = delete;
  TraceScope& operator=(const TraceScope&) = delete;

 private:
  const TraceSink* previous_;
};

// A short text for an errno value, without the C library's shared buffer.
const char* ErrnoText(int error);

// "VARIABLE 'value'" for a message about a setting; control bytes and "'"
// in the value show as "\xNN".
std::string SettingText(const char* variable, const char* value);

// Tells the user about a setting that cannot be used, once per process for
// each distinct `problem`: "vantrel: <problem>" on stderr, and the problem as
// a trace line when the trace is on. An empty problem tells nothing.
void TellSettingProblem(const std::string& problem);

// Captures trace lines in memory while it lives (tests assert exact lines).
// Lines are stored without the "[Rip\Vantrel] " prefix. Not nestable.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }
  void Clear() { lines_.clear(); }
  // Called by the trace facility.
  void Append(std::string line) { lines_.push_back(std::move(line)); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace vantrel

namespace vantrel {
namespace trace_detail {
// How many configurations that write lines exist, in force or kept by a
// running parse; and whether the configuration in force, or a capture,
// takes lines.
extern std::atomic<int> g_live_sinks;
extern std::atomic<bool> g_enabled;
}  // namespace trace_detail

// False when no trace line can be written anywhere: a trace call then costs
// two loads, with its arguments never formatted.
inline bool TraceMayWrite() {
  return trace_detail::g_live_sinks.load(std::memory_order_relaxed) != 0 ||
         trace_detail::g_enabled.load(std::memory_order_relaxed);
}
}  // namespace vantrel

#define VTRACE(...)                                                        \
  do {                                                                     \
    if (::vantrel::TraceMayWrite()) {                                      \
      ::vantrel::Trace().OutputEx(::vantrel::kTraceInstance, __VA_ARGS__); \
    }                                                                      \
  } while (0)

#endif  // VANTREL_PLATFORM_TRACE_H_
