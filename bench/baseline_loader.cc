#include "baseline_loader.h"

#include <libspectre/spectre.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "measure.h"

namespace vantrel_bench {

namespace {

// What the child reports after each load.
struct LoadRecord {
  double seconds;
  int status;
  unsigned pages;
};

[[noreturn]] void RunChild(int fd, const std::string& path, int repeats,
                           double cap_seconds) {
  const double start = Now();
  for (int i = 0; i < repeats; ++i) {
    SpectreDocument* doc = spectre_document_new();
    if (doc == nullptr) break;
    const double t0 = Now();
    spectre_document_load(doc, path.c_str());
    const double t1 = Now();
    LoadRecord record{t1 - t0, static_cast<int>(spectre_document_status(doc)),
                      0};
    if (record.status == SPECTRE_STATUS_SUCCESS) {
      record.pages = spectre_document_get_n_pages(doc);
    }
    spectre_document_free(doc);
    if (::write(fd, &record, sizeof record) != sizeof record) break;
    if (record.status != SPECTRE_STATUS_SUCCESS) break;
    // Start another load only if it should end within the cap.
    if (t1 - start + record.seconds > cap_seconds) break;
  }
  ::close(fd);
  ::_exit(0);
}

}  // namespace

BaselineResult TimeSpectreLoad(const std::string& path, int repeats,
                               double cap_seconds) {
  BaselineResult result;
  int fds[2];
  if (::pipe(fds) != 0) {
    result.failed = true;
    result.note = std::string("pipe: ") + std::strerror(errno);
    return result;
  }
  std::fflush(nullptr);
  const double start = Now();
  pid_t pid = ::fork();
  if (pid < 0) {
    result.failed = true;
    result.note = std::string("fork: ") + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return result;
  }
  if (pid == 0) {
    ::close(fds[0]);
    RunChild(fds[1], path, repeats, cap_seconds);
  }
  ::close(fds[1]);

  double longest = 0;
  bool killed = false;
  bool open = true;
  LoadRecord record;
  size_t got = 0;
  while (open) {
    const double deadline = start + cap_seconds + longest;
    const double left = deadline - Now();
    if (left <= 0) {
      ::kill(pid, SIGKILL);
      killed = true;
      break;
    }
    struct pollfd p {
      fds[0], POLLIN, 0
    };
    int ready = ::poll(&p, 1, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // timed out: the deadline check kills
    ssize_t n = ::read(fds[0], reinterpret_cast<char*>(&record) + got,
                       sizeof record - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      open = false;
      break;
    }
    got += static_cast<size_t>(n);
    if (got < sizeof record) continue;
    got = 0;
    if (record.status != SPECTRE_STATUS_SUCCESS) {
      result.failed = true;
      result.note =
          spectre_status_to_string(static_cast<SpectreStatus>(record.status));
      continue;
    }
    longest = std::max(longest, record.seconds);
    if (result.runs == 0 || record.seconds < result.best_seconds) {
      result.best_seconds = record.seconds;
    }
    result.pages = record.pages;
    ++result.runs;
  }
  ::close(fds[0]);

  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.peak_rss_kb = static_cast<int64_t>(usage.ru_maxrss);
  if (killed) {
    if (result.runs == 0) {
      result.timed_out = true;
      result.note = "no load finished within the cap; skipped";
    } else {
      result.stopped_early = true;
    }
  } else if (WIFSIGNALED(status)) {
    result.failed = true;
    result.note =
        std::string("child died of signal ") + std::to_string(WTERMSIG(status));
  } else if (result.runs == 0 && !result.failed) {
    result.failed = true;
    result.note = "no result";
  }
  return result;
}

}  // namespace vantrel_bench
