// The hostile-job benchmark: jobs that repeat one comment as often as their
// size allows, each scanned at two sizes (the second four times the first),
// with the time and the peak memory of the scan. Linear cost shows as a
// growth of about 4 in both; anything that searches itself, or hands the
// same bytes on again, shows as 16. A plain reporting program (see
// README.md); it does not judge a build.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)

int main() {
  std::printf(
      "vantrel_hostile_bench: measures through fork() and /proc; "
      "Linux only\n");
  return 0;
}

#else

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "measure.h"
#include "vantrel/vantrel_c.h"

namespace {

using vantrel_bench::CurrentRssKb;
using vantrel_bench::HighWaterRssKb;
using vantrel_bench::Now;
using vantrel_bench::ResetPeakRss;

// Repeats `unit(i)` until the job holds `size` bytes.
std::string Job(size_t size, const char* head,
                const std::function<std::string(size_t)>& unit,
                const char* tail) {
  std::string job = head;
  job.reserve(size + 64);
  for (size_t i = 0; job.size() < size; ++i) job += unit(i);
  return job + tail;
}

// A ticket whose data holds a ticket, `levels` deep, each level with a
// kilobyte of its own.
std::string NestedTickets(size_t size) {
  std::string data(1000, 'x');
  data += '\n';
  while (data.size() < size) {
    std::string outer(1000, 'x');
    outer += "\n%%BeginDexJTData: " + std::to_string(data.size()) + "\n";
    data = outer + data;
  }
  return "%!PS-Adobe-3.0\n%%BeginDexJTData: " + std::to_string(data.size()) +
         "\n" + data + "%%EOF\n";
}

struct Case {
  const char* name;
  size_t size;  // bytes of the smaller job; the larger holds four times that
  std::function<std::string(size_t)> make;
  const char* plugin_path;  // VANTREL_PLUGIN_PATH for the scan
  bool dex;                 // tickets go to a folder of their own
};

struct Figures {
  double seconds = -1;
  double peak_mb = -1;  // resident set the scan added at its peak
  int rules = -1;       // what the job gave: rules, and the document rule's
  int properties = -1;  // properties
};

// Builds the job and scans it through the C interface in a child process,
// so that each figure starts from a clean heap and a reset peak.
Figures Measure(const Case& c, size_t size, const std::string& folder) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    close(fds[0]);
    if (c.plugin_path != nullptr)
      setenv("VANTREL_PLUGIN_PATH", c.plugin_path, 1);
    const std::string job = c.make(size);
    ResetPeakRss();
    const int64_t base = CurrentRssKb();
    double start = Now();
    vantrel_result* r = vantrel_rules_memory(
        job.data(), job.size(), "job.ps", 0, c.dex ? folder.c_str() : nullptr);
    double seconds = Now() - start;
    const int64_t peak = HighWaterRssKb();
    // The time is the best of three scans (the machine may be shared); the
    // peak is the first one's. Tickets written by a scan are removed before
    // the next.
    for (int run = 0; run < 2; ++run) {
      std::error_code ec;
      for (const auto& entry :
           std::filesystem::directory_iterator(folder, ec)) {
        std::filesystem::remove(entry.path(), ec);
      }
      start = Now();
      vantrel_result_free(
          vantrel_rules_memory(job.data(), job.size(), "job.ps", 0,
                               c.dex ? folder.c_str() : nullptr));
      seconds = std::min(seconds, Now() - start);
    }
    Figures f;
    f.rules = vantrel_result_rule_count(r);
    vantrel_rule_info document;
    if (vantrel_result_rule(r, f.rules - 1, &document) != 0) {
      f.properties = document.property_count;
    }
    vantrel_result_free(r);
    f.seconds = seconds;
    f.peak_mb = base >= 0 && peak >= 0 ? (peak - base) / 1024.0 : -1;
    if (write(fds[1], &f, sizeof f) != static_cast<ssize_t>(sizeof f)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Figures f;
  if (read(fds[0], &f, sizeof f) != static_cast<ssize_t>(sizeof f)) f = {};
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string example_dir = VANTREL_BENCH_EXAMPLE_PLUGIN_DIR;
  size_t scale = 1;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "usage: vantrel_hostile_bench [--scale N]\n"
          "Scans each hostile job at two sizes (N times the default ones)\n"
          "and prints time and peak memory, and how each grew (about 4 is\n"
          "linear), with the rules the job gave and the properties of its\n"
          "document rule.\n");
      return 0;
    }
    if (vantrel_bench::TakeValue(argc, argv, &i, "--scale", &value)) {
      scale = std::strtoul(value.c_str(), nullptr, 10);
      if (scale == 0) scale = 1;
    }
  }
  namespace fs = std::filesystem;
  char folder_template[] = "/tmp/vantrel-hostile-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) {
    std::perror("vantrel_hostile_bench: mkdtemp");
    return 1;
  }
  const std::string folder = folder_template;
  const std::string empty = folder + "/no-plugin";
  const std::string tickets = folder + "/tickets";
  fs::create_directory(empty);
  fs::create_directory(tickets);

  const Case kCases[] = {
      {"XRX blocks, example plug-in", 61 * 1024 * 4,
       [](size_t n) {
         return Job(
             n, "%!PS-Adobe-3.0\n",
             [](size_t) { return std::string("%%XRXbegin:\n%XRXa: b\n"); },
             "%XRXend\n");
       },
       example_dir.c_str(), false},
      {"XRXbegin without a plug-in", 3600 * 1024,
       [](size_t n) {
         return Job(
             n, "%!PS-Adobe-3.0\n",
             [](size_t) { return std::string("%%XRXbegin:\n"); }, "");
       },
       empty.c_str(), false},
      {"custom colours", 1000 * 1024,
       [](size_t n) {
         return Job(
             n, "%!PS-Adobe-3.0\n%%DocumentCustomColors: (c)\n",
             [](size_t i) {
               return "%%+ (PANTONE " + std::to_string(i) + " C)\n";
             },
             "%%EndComments\n");
       },
       empty.c_str(), false},
      {"CMYK custom colours", 1000 * 1024,
       [](size_t n) {
         return Job(
             n, "%!PS-Adobe-3.0\n",
             [](size_t i) {
               return "%%CMYKCustomColor: 0 0 0 1 (Spot " + std::to_string(i) +
                      ")\n";
             },
             "");
       },
       empty.c_str(), false},
      {"tray rules", 6 * 1000 * 1000,
       [](size_t n) {
         return Job(
             n, "%!PS-Adobe-3.0\n",
             [](size_t) { return std::string("%%InputSlotTray: a b 1 2\n"); },
             "");
       },
       empty.c_str(), false},
      {"tickets in tickets", 1024 * 1024, NestedTickets, empty.c_str(), true},
  };

  std::printf("%-30s %10s %10s %10s %8s %8s %8s %6s\n", "job", "size",
              "seconds", "peak MB", "rules", "props", "time x", "mem x");
  for (const Case& c : kCases) {
    Figures previous;
    for (size_t size : {scale * c.size, 4 * scale * c.size}) {
      const Figures f = Measure(c, size, tickets);
      char growth[64] = "";
      if (previous.seconds > 0 && previous.peak_mb > 0) {
        std::snprintf(growth, sizeof growth, "%8.1f %6.1f",
                      f.seconds / previous.seconds,
                      f.peak_mb / previous.peak_mb);
      }
      std::printf("%-30s %10s %10.4f %10.1f %8d %8d %s\n", c.name,
                  vantrel_bench::Megabytes(static_cast<double>(size)).c_str(),
                  f.seconds, f.peak_mb, f.rules, f.properties, growth);
      std::fflush(stdout);
      previous = f;
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(tickets, ec)) {
        fs::remove(entry.path(), ec);
      }
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return 0;
}

#endif
