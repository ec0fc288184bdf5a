#include "call_floor.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "measure.h"

// pread must stay its own symbol here: with 64-bit file offsets the header
// would rename the definition below to pread64, which is defined too.
#if defined(_FILE_OFFSET_BITS) && _FILE_OFFSET_BITS == 64
#error "call_floor.cc must be built without _FILE_OFFSET_BITS=64"
#endif

namespace vantrel_bench {
namespace {

constexpr int kMaxRecorded = 64;

// Written only between StartPreadRecording and StopPreadRecording, by the
// one thread that records; the flag is atomic so that other threads reading
// meanwhile (there are none in the scan benchmark) never race on it.
std::atomic<bool> g_recording{false};
PreadCall g_calls[kMaxRecorded];
int g_count = 0;
bool g_overflow = false;

using PreadFunction = ssize_t (*)(int, void*, size_t, off64_t);

// The C library's pread64, found once. Both names lead there: on 64-bit
// Linux they are the same function.
PreadFunction RealPread() {
  static const PreadFunction real =
      reinterpret_cast<PreadFunction>(::dlsym(RTLD_NEXT, "pread64"));
  return real;
}

ssize_t Forward(int fd, void* buffer, size_t count, off64_t offset) {
  if (g_recording.load(std::memory_order_relaxed)) {
    if (g_count < kMaxRecorded) {
      g_calls[g_count++] = PreadCall{static_cast<int64_t>(offset), count};
    } else {
      g_overflow = true;
    }
  }
  if (PreadFunction real = RealPread()) return real(fd, buffer, count, offset);
  return ::syscall(SYS_pread64, fd, buffer, count, offset);
}

}  // namespace

void StartPreadRecording() {
  g_count = 0;
  g_overflow = false;
  g_recording.store(true, std::memory_order_relaxed);
}

std::vector<PreadCall> StopPreadRecording(bool* complete) {
  g_recording.store(false, std::memory_order_relaxed);
  if (complete != nullptr) *complete = !g_overflow;
  return std::vector<PreadCall>(g_calls, g_calls + g_count);
}

double TimeCallFloor(const char* path, const std::vector<PreadCall>& calls) {
  // One buffer for every pass, made before the first is timed: the library's
  // chunk buffer is no part of what the floor stands for.
  static std::unique_ptr<char[]> buffer;
  static size_t buffer_size = 0;
  size_t largest = 1;
  for (const PreadCall& c : calls)
    largest = c.count > largest ? c.count : largest;
  if (buffer_size < largest) {
    buffer.reset(new char[largest]);
    buffer_size = largest;
  }
  const double t0 = Now();
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    for (const PreadCall& c : calls) {
      if (::pread(fd, buffer.get(), c.count, static_cast<off_t>(c.offset)) < 0)
        break;
    }
  }
  ::close(fd);
  return Now() - t0;
}

}  // namespace vantrel_bench

// The definitions the program's (and the static library's) calls bind to.
extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  return vantrel_bench::Forward(fd, buffer, count, offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
  return vantrel_bench::Forward(fd, buffer, count, offset);
}
