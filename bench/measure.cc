#include "measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "inputs.h"

namespace vantrel_bench {

namespace {

IoCounters g_sample_cost;

// Reads a small /proc file whole with plain calls (no stdio buffering, so a
// sample costs the same every time).
int ReadSmallFile(const char* path, char* buffer, size_t size) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  size_t used = 0;
  while (used + 1 < size) {
    ssize_t n = ::read(fd, buffer + used, size - 1 - used);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  buffer[used] = '\0';
  return static_cast<int>(used);
}

int64_t FieldValue(const char* text, const char* name) {
  const char* p = std::strstr(text, name);
  if (p == nullptr) return -1;
  return std::strtoll(p + std::strlen(name), nullptr, 10);
}

}  // namespace

double Now() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

IoCounters ReadIoCounters() {
  IoCounters c;
  char text[1024];
  if (ReadSmallFile("/proc/self/io", text, sizeof text) <= 0) return c;
  c.rchar = FieldValue(text, "rchar:");
  c.syscr = FieldValue(text, "syscr:");
  c.ok = c.rchar >= 0 && c.syscr >= 0;
  return c;
}

void CalibrateIoCounters() {
  IoCounters best;
  for (int i = 0; i < 5; ++i) {
    IoCounters a = ReadIoCounters();
    IoCounters b = ReadIoCounters();
    if (!a.ok || !b.ok) return;
    IoCounters d{true, b.rchar - a.rchar, b.syscr - a.syscr};
    if (!best.ok || d.rchar < best.rchar) best = d;
  }
  g_sample_cost = best;
}

IoCounters IoDelta(const IoCounters& before, const IoCounters& after) {
  IoCounters d;
  d.ok = before.ok && after.ok;
  if (!d.ok) return d;
  d.rchar = after.rchar - before.rchar - g_sample_cost.rchar;
  d.syscr = after.syscr - before.syscr - g_sample_cost.syscr;
  return d;
}

int64_t PeakRssKb() {
  struct rusage usage {};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return static_cast<int64_t>(usage.ru_maxrss);
}

int64_t HighWaterRssKb() {
  char text[4096];
  if (ReadSmallFile("/proc/self/status", text, sizeof text) <= 0) return -1;
  return FieldValue(text, "VmHWM:");
}

int64_t CurrentRssKb() {
  char text[256];
  if (ReadSmallFile("/proc/self/statm", text, sizeof text) <= 0) return -1;
  long long total = 0;
  long long resident = 0;
  if (std::sscanf(text, "%lld %lld", &total, &resident) != 2) return -1;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

bool ResetPeakRss() {
  int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::write(fd, "5", 1) == 1;
  ::close(fd);
  return ok;
}

namespace {

// Reads `path` from start to end with read() into `buffer` in chunks of
// `chunk_size` bytes, handing each chunk to `on_chunk`; answers the bytes
// read or -1.
template <typename OnChunk>
int64_t ReadChunks(const char* path, std::vector<char>& buffer,
                   size_t chunk_size, OnChunk on_chunk) {
  if (buffer.size() < chunk_size) buffer.resize(chunk_size);
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int64_t total = 0;
  for (;;) {
    ssize_t n = ::read(fd, buffer.data(), chunk_size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      total = -1;
      break;
    }
    if (n == 0) break;
    total += n;
    on_chunk(buffer.data(), buffer.data() + n);
  }
  ::close(fd);
  return total;
}

}  // namespace

int64_t ReadLoop(const char* path, size_t buffer_size) {
  static std::vector<char> buffer;
  return ReadChunks(path, buffer, buffer_size, [](const char*, const char*) {});
}

int64_t ReadPercentLoop(const char* path, size_t chunk_size,
                        int64_t* percent_signs) {
  // Not ReadLoop's buffer: the two baselines may alternate with different
  // sizes, and neither should pay for resizing the other's.
  static std::vector<char> buffer;
  int64_t found = 0;
  const int64_t total = ReadChunks(path, buffer, chunk_size,
                                   [&found](const char* p, const char* end) {
                                     found += CountPercentSigns(p, end);
                                   });
  if (percent_signs != nullptr) *percent_signs = found;
  return total;
}

SyscallCosts MeasureSyscallCosts(const char* path) {
  constexpr int kCalls = 20000;
  SyscallCosts best;
  char buffer[4096];
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return best;
  auto keep = [](double* slot, double seconds) {
    const double us = seconds * 1e6 / kCalls;
    if (*slot == 0 || us < *slot) *slot = us;
  };
  for (int round = 0; round < 3; ++round) {
    double t0 = Now();
    for (int i = 0; i < kCalls; ++i) ::syscall(SYS_getppid);
    double t1 = Now();
    for (int i = 0; i < kCalls; ++i) {
      if (::pread(fd, buffer, sizeof buffer, 0) < 0) break;
    }
    double t2 = Now();
    for (int i = 0; i < kCalls; ++i) {
      int f = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      struct stat st {};
      if (f >= 0) {
        ::fstat(f, &st);
        ::close(f);
      }
    }
    double t3 = Now();
    keep(&best.trivial, t1 - t0);
    keep(&best.pread_small, t2 - t1);
    keep(&best.open_close, t3 - t2);
  }
  ::close(fd);
  return best;
}

Stats Summarize(std::vector<double> samples) {
  Stats s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  auto at = [&samples](double q) {
    return samples[static_cast<size_t>(
        q * static_cast<double>(samples.size() - 1) + 0.5)];
  };
  s.min = samples.front();
  s.p25 = at(0.25);
  s.median = at(0.5);
  s.p75 = at(0.75);
  s.max = samples.back();
  return s;
}

std::string Megabytes(double bytes) {
  char text[32];
  if (bytes >= 1e6) {
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  } else if (bytes >= 1e3) {
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  }
  return text;
}

bool TakeValue(int argc, char** argv, int* i, const char* name,
               std::string* value) {
  const size_t n = std::strlen(name);
  if (std::strncmp(argv[*i], name, n) != 0) return false;
  if (argv[*i][n] == '=') {
    *value = argv[*i] + n + 1;
    return true;
  }
  if (argv[*i][n] != '\0' || *i + 1 >= argc) return false;
  *value = argv[++*i];
  return true;
}

}  // namespace vantrel_bench
