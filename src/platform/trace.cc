#include "platform/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include "platform/wide_text.h"
#else
#include <unistd.h>
#endif

namespace vantrel {

const char kTraceInstance[] = "Rip\\Vantrel";

namespace {

enum class Sink { kNone, kStderr, kFile };

// A host that keeps changing the variables could make the set of problems
// told grow without end; past this many, nothing more is told.
constexpr size_t kMaxTold = 64;

}  // namespace

namespace trace_detail {
std::atomic<int> g_live_sinks{0};
std::atomic<bool> g_enabled{false};
}  // namespace trace_detail

using trace_detail::g_enabled;
using trace_detail::g_live_sinks;

struct TraceSink {
  TraceSink() = default;
  TraceSink(Sink sink_kind, std::string sink_path)
      : kind(sink_kind), path(std::move(sink_path)) {
    if (kind != Sink::kNone)
      g_live_sinks.fetch_add(1, std::memory_order_relaxed);
  }
  ~TraceSink() {
    if (kind != Sink::kNone)
      g_live_sinks.fetch_sub(1, std::memory_order_relaxed);
  }
  TraceSink(const TraceSink&) = delete;
  TraceSink& operator=(const TraceSink&) = delete;

  const Sink kind = Sink::kNone;
  const std::string path;
};

namespace {

// Trace configuration. `current` is replaced (never changed in place) when
// an instance is created and the variable says something else; a parse
// keeps the configuration it started with.
struct TraceState {
  std::mutex mutex;  // guards everything here, and serialises the lines
  std::shared_ptr<const TraceSink> current = std::make_shared<TraceSink>();
  std::string value;  // the VANTREL_TRACE text `current` was made from
  TraceCapture* capture = nullptr;
  std::atomic<bool> configured{false};  // read outside the mutex
  std::set<std::string> told;           // settings problems already told
};

TraceState& State() {
  static TraceState* state = new TraceState;  // lives as long as the process
  return *state;
}

// The sink of the parse running on this thread, if any.
thread_local const TraceSink* t_sink = nullptr;

void UpdateEnabled(TraceState& s) {
  g_enabled.store(s.current->kind != Sink::kNone || s.capture != nullptr,
                  std::memory_order_relaxed);
}

// A trace file is named by a path with a folder part ("/var/log/x.log",
// "./x.log"). A bare word is refused rather than taken as a file name in
// whatever folder the host runs in: "1", "on" or "yes" is someone switching
// the trace on, not naming a file.
bool IsTracePath(const char* value) {
#if defined(_WIN32)
  if (std::strchr(value, '\\') != nullptr) return true;
#endif
  return std::strchr(value, '/') != nullptr;
}

// Appends `text` to the file at `path`, creating it. Answers 0 or the errno
// of the failed open. Non-blocking, so that a FIFO with no reader fails
// instead of stalling the parse; one write per line keeps the lines of
// processes that share the file whole.
int AppendToFile(const std::string& path, const std::string& text) {
#if defined(_WIN32)
  // The name as UTF-8 through the wide-character API; bytes written as
  // they are (no CR before LF), each write at the end of the file.
  const std::wstring wide = WideText(path.c_str());
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return EISDIR;
  }
  // Never through a link or junction: the file itself is opened, and one
  // that turns out to be a reparse point is refused.
  HANDLE file = CreateFileW(
      wide.c_str(), FILE_APPEND_DATA,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
      nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      CloseHandle(file);
      return ELOOP;
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
        return ENOENT;
      case ERROR_ACCESS_DENIED:
      case ERROR_SHARING_VIOLATION:
        return EACCES;
      case ERROR_WRITE_PROTECT:
        return EROFS;
      case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
      default:
        return EIO;
    }
  }
  size_t done = 0;
  while (done < text.size()) {
    DWORD n = 0;
    if (!WriteFile(file, text.data() + done,
                   static_cast<DWORD>(text.size() - done), &n, nullptr) ||
        n == 0) {
      break;  // a full disk drops the rest of the line
    }
    done += n;
  }
  CloseHandle(file);
  return 0;
#else
  // Never through a link: one planted at the path would have job text
  // appended to whatever file it points at. Job text is private: 0600.
  int fd;
  do {
    fd = ::open(
        path.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW,
        0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a full disk or pipe drops the rest of the line
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return 0;
#endif
}

}  // namespace

const char* ErrnoText(int error) {
  switch (error) {
    case ENOENT:
      return "no such directory";
    case ENOTDIR:
      return "not a directory";
    case EACCES:
    case EPERM:
      return "permission denied";
    case EISDIR:
      return "is a directory";
    case EROFS:
      return "read-only file system";
    case ENXIO:
      return "a FIFO with no reader";
    case ENAMETOOLONG:
      return "path too long";
    case EEXIST:
      return "file exists";
    case ENOSPC:
      return "no space left on device";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    case ELOOP:
      return "a symbolic link";
    default:
      return "cannot be opened";
  }
}

namespace {

// Reads VANTREL_TRACE. Answers the problem with its value to tell the user,
// or the empty text. A value that cannot be used leaves the trace off.
std::string Configure(TraceState& s) {
  const char* value = std::getenv("VANTREL_TRACE");
  const std::string text = value != nullptr ? value : "";
  // The same setting as before keeps the configuration in force (a file
  // that could not be opened is tried again).
  if (s.configured && text == s.value &&
      (text.empty() || s.current->kind != Sink::kNone)) {
    return std::string();
  }
  std::string problem;
  Sink kind = Sink::kNone;
  if (text.empty()) {
    // Off.
  } else if (text == "stderr") {
    kind = Sink::kStderr;
  } else if (!IsTracePath(value)) {
    problem = SettingText("VANTREL_TRACE", value) +
              " is neither 'stderr' nor a file path (a path holds a '/'); "
              "no trace is written";
  } else if (int error = AppendToFile(value, std::string())) {
    problem = SettingText("VANTREL_TRACE", value) + ": cannot open the file (" +
              ErrnoText(error) + "); no trace is written";
  } else {
    kind = Sink::kFile;
  }
  s.current = std::make_shared<TraceSink>(
      kind, kind == Sink::kFile ? text : std::string());
  s.value = text;
  s.configured = true;
  UpdateEnabled(s);
  return problem;
}

}  // namespace

std::string SettingText(const char* variable, const char* value) {
  std::string text = std::string(variable) + " '";
  for (const char* p = value; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7f || c == '\'') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      text += escaped;
    } else {
      text += *p;
    }
  }
  return text + "'";
}

void TellSettingProblem(const std::string& problem) {
  if (problem.empty()) return;
  {
    TraceState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.told.size() >= kMaxTold || !s.told.insert(problem).second) return;
  }
  std::fprintf(stderr, "vantrel: %s\n", problem.c_str());
  VTRACE("%s", problem.c_str());
}

unsigned CKalTrace::CreateTraceInstance(const char* /*name*/) {
  TraceState& s = State();
  std::string problem;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    problem = Configure(s);
  }
  TellSettingProblem(problem);
  return 1;
}

void CKalTrace::ReleaseInstance(const char* /*name*/) {}

bool CKalTrace::Enabled() {
  if (g_live_sinks.load(std::memory_order_relaxed) == 0) {
    // No sink writes anywhere: only a capture takes lines.
    if (g_enabled.load(std::memory_order_relaxed)) return true;
  } else if (t_sink != nullptr && t_sink->kind != Sink::kNone) {
    return true;
  }
  if (g_enabled.load(std::memory_order_relaxed)) {
    // A capture takes every line; otherwise a parse's own sink decides.
    return t_sink == nullptr || State().capture != nullptr;
  }
  TraceState& s = State();
  if (s.configured) return false;
  std::string problem;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.configured) problem = Configure(s);
  }
  TellSettingProblem(problem);
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
  const TraceSink& sink = t_sink != nullptr ? *t_sink : *s.current;
  const char* instance = name != nullptr ? name : kTraceInstance;
  if (sink.kind == Sink::kStderr) {
    std::fprintf(stderr, "[%s] %s\n", instance, line.c_str());
  } else if (sink.kind == Sink::kFile) {
    // Opened for each line, so that the file may be rotated between lines;
    // a line that cannot be written is dropped.
    AppendToFile(sink.path, "[" + std::string(instance) + "] " + line + "\n");
  }
  return n;
}

std::shared_ptr<const TraceSink> TraceSnapshot() {
  TraceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.current;
}

TraceScope::TraceScope(const TraceSink* sink) : previous_(t_sink) {
  t_sink = sink;
}

TraceScope::~TraceScope() { t_sink = previous_; }

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
