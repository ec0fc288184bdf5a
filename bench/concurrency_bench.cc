// The concurrency benchmark: how the library behaves when a host parses on
// several threads at once.
//
//   (a) Latency of the short RIP-road calls (head, tail, head+tail) while K
//       threads loop whole-file job-ticket scans of large files, against the
//       same calls on an idle library, measured in the same run.
//   (b) N threads, 1 up to the core count, scanning distinct files and one
//       shared file on both roads: aggregate MB/s, speed-up over one
//       thread, and resident memory per thread; and N threads running read()
//       loops over the distinct files, the speed-up that the machine itself
//       allows, which the scans' speed-up is held to.
//
// Like the scan benchmark it writes its own inputs to a temporary folder and
// reports figures against targets (PASS/MISS); the exit status is 0 whatever
// the figures say, non-zero only when the inputs cannot be made.
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/scanner.h"
#include "inputs.h"
#include "measure.h"
#include "vantrel/vantrel.h"
#include "vantrel/version.h"

namespace vantrel_bench {
namespace {

constexpr int64_t kMB = 1000 * 1000;
constexpr size_t kReadBuffer = vantrel::kLargestReadSize;

// Targets on the loaded calls with one loading thread.
constexpr double kP99OverUnloadedMedian = 3.0;
constexpr double kMaxLoadedSeconds = 0.005;
// Target on the aggregate scan rate of N threads.
constexpr double kSpeedupPerThread = 0.85;
// Target on the job-ticket road's speed-up over distinct files against the
// read() loops' speed-up over the same files: page-cache copies share the
// memory bus and the kernel, which caps what N threads can gain whatever
// the library does; this target holds the library to that cap.
constexpr double kSpeedupOverReadLoops = 0.9;

struct Options {
  int64_t size_mb = 200;
  int calls = 3000;     // short calls per phase, the three modes in turn
  double seconds = 60;  // cap on one loaded phase
  double gap_us = 200;  // pause between two short calls
  int repeats = 5;      // rounds per throughput case, best kept
  int scans = 4;        // whole-file scans per thread per round
  int threads = 0;      // 0: the number of cores
  std::string dir;
  bool keep = false;
  bool scan_vs_read = false;  // only (b)'s distinct-file scans and read loops
};

void Usage(FILE* out) {
  std::fprintf(
      out,
      "usage: vantrel_concurrency_bench [options]\n"
      "  --size-mb N    size of the large inputs in MB (default 200)\n"
      "  --calls N      short calls per latency phase (default 3000)\n"
      "  --seconds S    cap on one loaded latency phase (default 60)\n"
      "  --gap-us U     pause between two short calls (default 200)\n"
      "  --repeat N     rounds per throughput case, best kept (default 5)\n"
      "  --scans N      whole-file scans per thread per round (default 4)\n"
      "  --threads N    most threads (default: the number of cores)\n"
      "  --dir PATH     where to make the temporary folder (default $TMPDIR "
      "or /tmp)\n"
      "  --keep         leave the inputs in place\n"
      "  --scan-vs-read only the job-ticket road and the read() loops over\n"
      "                 distinct files (no (a), no shared file, no RIP "
      "road)\n");
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string v;
    if (vantrel_bench::TakeValue(argc, argv, &i, "--size-mb", &v)) {
      o->size_mb = std::atoll(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--calls", &v)) {
      o->calls = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--seconds", &v)) {
      o->seconds = std::atof(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--gap-us", &v)) {
      o->gap_us = std::atof(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--repeat", &v)) {
      o->repeats = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--scans", &v)) {
      o->scans = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--threads", &v)) {
      o->threads = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--dir", &v)) {
      o->dir = v;
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      o->keep = true;
    } else if (std::strcmp(argv[i], "--scan-vs-read") == 0) {
      o->scan_vs_read = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      Usage(stdout);
      std::exit(0);
    } else {
      std::fprintf(stderr, "vantrel_concurrency_bench: unknown option %s\n",
                   argv[i]);
      return false;
    }
  }
  if (o->size_mb < 1 || o->calls < 30 || o->seconds <= 0 || o->gap_us < 0 ||
      o->repeats < 1 || o->scans < 1 || o->threads < 0) {
    std::fprintf(stderr,
                 "vantrel_concurrency_bench: --size-mb, --repeat and --scans "
                 "need at least 1, --calls at least 30, --seconds more than "
                 "0\n");
    return false;
  }
  if (o->threads == 0) {
    o->threads = static_cast<int>(std::thread::hardware_concurrency());
    if (o->threads < 1) o->threads = 1;
  }
  return true;
}

// The inputs, for removal on the way out and from a signal handler.
constexpr int kMaxInputs = 64;
char g_paths[kMaxInputs][512];
int g_path_count = 0;
char g_dir[512];

void RemoveInputs() {
  for (int i = 0; i < g_path_count; ++i) ::unlink(g_paths[i]);
  if (g_dir[0] != '\0') ::rmdir(g_dir);
}

void OnSignal(int sig) {
  RemoveInputs();
  ::_exit(128 + sig);
}

void Remember(const std::string& path) {
  if (g_path_count < kMaxInputs && path.size() < sizeof g_paths[0]) {
    std::memcpy(g_paths[g_path_count++], path.c_str(), path.size() + 1);
  }
}

void PrintLoad(const char* what) {
  double load[3] = {-1, -1, -1};
  if (::getloadavg(load, 3) == 3) {
    std::printf("%s: %.2f %.2f %.2f\n", what, load[0], load[1], load[2]);
  }
}

// One whole-file scan on the job-ticket road; answers the scan status.
int ScanRules(CParserObjectIF* parser, const char* path) {
  CRuleKalPropArrArray rules;
  parser->ParseToRules(path, rules, 0, 0);
  return parser->GetLastScanStatus();
}

// One RIP-road call; answers the scan status.
int ScanPairs(CRipBaseParserIF* rip, const char* path, int mode) {
  _tPairProperty* pairs = nullptr;
  int count = 0;
  rip->ParseToPairs(path, pairs, count, 1, mode, 'M');
  delete[] pairs;
  return rip->GetLastScanStatus();
}

void SleepMicroseconds(double us) {
  if (us > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::micro>(us));
  }
}

void SpinMicroseconds(double us) {
  const double end = Now() + us * 1e-6;
  while (Now() < end) {
  }
}

// ---------------------------------------------------------------------------
// (a) Short calls beside whole-file scans.

constexpr int kModes[] = {1, 2, 3};
constexpr const char* kModeNames[] = {"head", "tail", "head+tail"};
constexpr int kModeCount = 3;

struct Latency {
  double p50 = 0;
  double p99 = 0;
  double p999 = 0;
  double max = 0;
  size_t calls = 0;
};

Latency Percentiles(std::vector<double> samples) {
  Latency l;
  l.calls = samples.size();
  if (samples.empty()) return l;
  std::sort(samples.begin(), samples.end());
  auto at = [&samples](double q) {
    return samples[static_cast<size_t>(
        std::ceil(q * static_cast<double>(samples.size())) - 1)];
  };
  l.p50 = at(0.5);
  l.p99 = at(0.99);
  l.p999 = at(0.999);
  l.max = samples.back();
  return l;
}

struct LatencyPhase {
  int loaders = 0;
  Latency modes[kModeCount];
  double seconds = 0;
  int64_t loader_scans = 0;  // whole-file scans finished during the phase
  bool capped = false;       // stopped by --seconds before every call ran
  bool failed = false;       // a call's scan did not succeed
};

// Runs `calls` short calls on this thread, the modes in turn, while
// `loaders` threads loop whole-file scans over `big` (thread k on file
// k % size). The loaders stop at the end of the calls or at the deadline,
// whichever is first, so a call blocked behind them ends too.
LatencyPhase MeasureLatency(const Options& opt, const std::string& target,
                            const std::vector<InputFile>& big, int loaders) {
  LatencyPhase phase;
  phase.loaders = loaders;
  std::atomic<bool> stop{false};
  std::atomic<int> started{0};
  std::atomic<int64_t> finished{0};
  const double deadline = Now() + opt.seconds;
  std::vector<std::thread> pool;
  for (int k = 0; k < loaders; ++k) {
    pool.emplace_back([&, k] {
      std::unique_ptr<CParserObjectIF> parser(CreateParserObject(0));
      const std::string& path = big[static_cast<size_t>(k) % big.size()].path;
      ++started;
      while (!stop && Now() < deadline) {
        ScanRules(parser.get(), path.c_str());
        ++finished;
      }
    });
  }
  while (started < loaders) SleepMicroseconds(1000);
  // The loaders are inside their first scan.
  SleepMicroseconds(20000);
  const int64_t finished_at_start = finished;

  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  std::vector<double> samples[kModeCount];
  const double t0 = Now();
  for (int i = 0; i < opt.calls; ++i) {
    if (Now() >= deadline) {
      phase.capped = true;
      break;
    }
    const int m = i % kModeCount;
    const double a = Now();
    const int status = ScanPairs(rip.get(), target.c_str(), kModes[m]);
    const double b = Now();
    samples[m].push_back(b - a);
    if (status != VANTREL_SCAN_OK) phase.failed = true;
    // A busy wait, not a sleep: a sleeping thread wakes on a cold core
    // (caches, idle states), which on a virtual machine puts a tail of 5-7x
    // the median on every call, loaded or not. The lock-free or locked
    // library is what the figures are about; the spacing is what gives the
    // loaders their chances at a lock.
    SpinMicroseconds(opt.gap_us);
  }
  phase.seconds = Now() - t0;
  phase.loader_scans = finished - finished_at_start;
  stop = true;
  for (std::thread& t : pool) t.join();
  for (int m = 0; m < kModeCount; ++m) {
    phase.modes[m] = Percentiles(samples[m]);
  }
  return phase;
}

void PrintLatencyPhase(const LatencyPhase& phase) {
  std::printf("\n  %s", phase.loaders == 0 ? "unloaded" : "loaded");
  if (phase.loaders > 0) {
    std::printf(", K = %d thread%s looping whole-file scans", phase.loaders,
                phase.loaders == 1 ? "" : "s");
  }
  std::printf(" (%.1f s, %" PRId64
              " whole-file scans finished meanwhile%s%s)\n",
              phase.seconds, phase.loader_scans,
              phase.capped ? ", CAPPED by --seconds" : "",
              phase.failed ? ", A CALL FAILED" : "");
  std::printf("    %-10s %7s %12s %12s %12s %12s\n", "mode", "calls", "p50 us",
              "p99 us", "p99.9 us", "max us");
  for (int m = 0; m < kModeCount; ++m) {
    const Latency& l = phase.modes[m];
    std::printf("    %-10s %7zu %12.1f %12.1f %12.1f %12.1f\n", kModeNames[m],
                l.calls, l.p50 * 1e6, l.p99 * 1e6, l.p999 * 1e6, l.max * 1e6);
  }
}

// ---------------------------------------------------------------------------
// (b) Aggregate scan rate of N threads.

// kRead is no road: a read() loop over the file, in the chunks of the
// scanner's whole-file reads.
enum class Road { kRules, kPairs, kRead };

double ThreadCpuSeconds() {
  struct timespec ts {};
  if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0;
  return static_cast<double>(ts.tv_sec) +
         static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Throughput {
  double seconds = 0;  // best round
  double mbps = 0;
  double kb_per_thread = 0;
  double read_per_scan = -1;  // bytes read() / pread() returned, per scan
  // MB scanned per second of the threads' own CPU time: unlike the wall
  // time it does not count the time the threads waited for a core that
  // other programs held, so it shows contention inside the library.
  double mb_per_cpu_second = 0;
  bool failed = false;
};

// Each of `threads` threads makes its own parser object, waits for the
// others, then scans its file `opt.scans` times. The round's time runs from
// the common start to the last thread's end.
Throughput MeasureThroughput(const Options& opt, Road road, int threads,
                             const std::vector<const InputFile*>& files) {
  Throughput best;
  int64_t bytes = 0;
  for (int t = 0; t < threads; ++t) {
    bytes += files[static_cast<size_t>(t) % files.size()]->size * opt.scans;
  }
  for (int round = 0; round < opt.repeats; ++round) {
#if defined(__GLIBC__)
    // Memory freed by earlier rounds goes back to the system first, so that
    // what this round's scans touch shows in the high-water mark.
    malloc_trim(0);
#endif
    ResetPeakRss();
    const int64_t rss_before = CurrentRssKb();
    const IoCounters io_before = ReadIoCounters();
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::atomic<bool> failed{false};
    std::vector<double> ends(static_cast<size_t>(threads), 0);
    std::vector<double> cpu(static_cast<size_t>(threads), 0);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&, t] {
        const char* path =
            files[static_cast<size_t>(t) % files.size()]->path.c_str();
        std::unique_ptr<CParserObjectIF> parser;
        std::unique_ptr<CRipBaseParserIF> rip;
        if (road == Road::kRules) {
          parser.reset(CreateParserObject(0));
        } else if (road == Road::kPairs) {
          rip.reset(RipCreateParserObject());
        }
        ++ready;
        while (!go) std::this_thread::yield();
        const double cpu0 = ThreadCpuSeconds();
        for (int s = 0; s < opt.scans; ++s) {
          if (road == Road::kRead) {
            if (ReadLoop(path, vantrel::kWholeFileReadSize) < 0) failed = true;
            continue;
          }
          const int status = road == Road::kRules
                                 ? ScanRules(parser.get(), path)
                                 : ScanPairs(rip.get(), path, 15);
          if (status != VANTREL_SCAN_OK) failed = true;
        }
        ends[static_cast<size_t>(t)] = Now();
        cpu[static_cast<size_t>(t)] = ThreadCpuSeconds() - cpu0;
      });
    }
    while (ready < threads) std::this_thread::yield();
    const double t0 = Now();
    go = true;
    for (std::thread& th : pool) th.join();
    const double seconds = *std::max_element(ends.begin(), ends.end()) - t0;
    const int64_t hwm = HighWaterRssKb();
    const IoCounters io = IoDelta(io_before, ReadIoCounters());
    if (failed) best.failed = true;
    if (best.seconds == 0 || seconds < best.seconds) {
      best.seconds = seconds;
      best.mbps = static_cast<double>(bytes) / seconds / 1e6;
      best.kb_per_thread = hwm >= 0 && rss_before >= 0
                               ? static_cast<double>(hwm - rss_before) /
                                     static_cast<double>(threads)
                               : -1;
      double cpu_seconds = 0;
      for (double c : cpu) cpu_seconds += c;
      best.mb_per_cpu_second =
          cpu_seconds > 0 ? static_cast<double>(bytes) / cpu_seconds / 1e6 : 0;
      best.read_per_scan =
          io.ok ? static_cast<double>(io.rchar) / (threads * opt.scans) : -1;
    }
  }
  return best;
}

const char* Verdict(bool pass) { return pass ? "PASS" : "MISS"; }

}  // namespace
}  // namespace vantrel_bench

int main(int argc, char** argv) {
  using namespace vantrel_bench;
  Options opt;
  if (!ParseOptions(argc, argv, &opt)) {
    Usage(stderr);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("command:");
  for (int i = 0; i < argc; ++i) std::printf(" %s", argv[i]);
  std::printf("\ncores online: %ld, threads used up to %d\n",
              ::sysconf(_SC_NPROCESSORS_ONLN), opt.threads);
  std::printf("build: %s, library: vantrel %s\n", VANTREL_BENCH_BUILD_TYPE,
              VANTREL_VERSION_STRING);
  PrintLoad("load average at start");
  CalibrateIoCounters();

  std::string parent = opt.dir;
  if (parent.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    parent = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string templ = parent + "/vantrel-cbench-XXXXXX";
  std::vector<char> dir_buf(templ.begin(), templ.end());
  dir_buf.push_back('\0');
  if (::mkdtemp(dir_buf.data()) == nullptr) {
    std::fprintf(stderr, "vantrel_concurrency_bench: %s: %s\n", templ.c_str(),
                 std::strerror(errno));
    return 1;
  }
  const std::string dir = dir_buf.data();
  if (!opt.keep && dir.size() < sizeof g_dir) {
    std::memcpy(g_dir, dir.c_str(), dir.size() + 1);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
  }

  // One large text-heavy file per thread (distinct files for (b), the
  // loaders' files for (a)); the first doubles as the shared file.
  const int file_count = std::min(std::max(opt.threads, 2), kMaxInputs);
  std::vector<InputFile> big(static_cast<size_t>(file_count));
  std::printf("\ninputs in %s: %d text-heavy files of %" PRId64
              " MB (written before any timing%s)\n",
              dir.c_str(), file_count, opt.size_mb,
              opt.keep ? ", kept" : ", removed at the end");
  std::string error;
  for (int i = 0; i < file_count; ++i) {
    const std::string path = dir + "/text" + std::to_string(i) + ".ps";
    Remember(path);
    if (!WriteDocument(path, opt.size_mb * kMB, 0, 0,
                       &big[static_cast<size_t>(i)], &error)) {
      std::fprintf(stderr, "vantrel_concurrency_bench: %s\n", error.c_str());
      RemoveInputs();
      return 1;
    }
  }
  for (const InputFile& f : big) ReadLoop(f.path.c_str(), kReadBuffer);

  // (a) The short calls go to the last file, which the loaders scan too
  // when there are more loaders than other files.
  std::printf(
      "\n(a) short calls: RipCreateParserObject()->ParseToPairs(path, pairs, "
      "count, 1, mode, 'M') on %s, modes head (1), tail (2), head+tail (3) in "
      "turn, %.0f us apart, %d calls per phase (capped at %.0f s); loaders: "
      "K threads looping CreateParserObject(0)->ParseToRules(path, rules, 0, "
      "0) over the large files\n",
      big.back().path.c_str(), opt.gap_us, opt.calls, opt.seconds);
  const std::string& target = big.back().path;
  LatencyPhase unloaded;
  std::vector<LatencyPhase> loaded;
  if (opt.scan_vs_read) {
    std::printf("  skipped (--scan-vs-read)\n");
  } else {
    unloaded = MeasureLatency(opt, target, big, 0);
    PrintLatencyPhase(unloaded);
    for (int k = 1; k <= std::max(1, opt.threads - 1); ++k) {
      loaded.push_back(MeasureLatency(opt, target, big, k));
      PrintLatencyPhase(loaded.back());
    }
  }

  // (b)
  std::printf(
      "\n(b) N threads, each with its own parser object, %d whole-file "
      "scan%s each per round, best of %d rounds; MB/s over all threads; "
      "memory: growth of the resident-set high-water mark (VmHWM, reset "
      "after malloc_trim before each round) over the resident set before "
      "the round, divided by N\n",
      opt.scans, opt.scans == 1 ? "" : "s", opt.repeats);
  struct Case {
    const char* name;
    Road road;
    bool shared;
  };
  // The read loops run right after the scans they are compared with, so
  // that both see about the same state of the machine.
  const Case kScans = {"job-ticket road, distinct files", Road::kRules, false};
  const Case kReads = {"read() loops, distinct files", Road::kRead, false};
  std::vector<Case> cases = {kScans, kReads};
  if (!opt.scan_vs_read) {
    cases.push_back({"job-ticket road, one shared file", Road::kRules, true});
    cases.push_back(
        {"RIP road (mode 15), distinct files", Road::kPairs, false});
    cases.push_back(
        {"RIP road (mode 15), one shared file", Road::kPairs, true});
  }
  std::vector<const InputFile*> distinct;
  for (const InputFile& f : big) distinct.push_back(&f);
  const std::vector<const InputFile*> shared{&big.front()};
  struct Row {
    const char* name;
    Road road;
    bool shared;
    int threads;
    double speedup;
  };
  std::vector<Row> rows;
  for (const Case& c : cases) {
    std::printf("\n  %s\n    %3s %10s %10s %9s %14s %14s %9s\n", c.name, "N",
                "seconds", "MB/s", "speed-up", "KiB per thread",
                "read per scan", "MB/CPU-s");
    double one = 0;
    for (int n = 1; n <= opt.threads; ++n) {
      const Throughput t =
          MeasureThroughput(opt, c.road, n, c.shared ? shared : distinct);
      if (n == 1) one = t.mbps;
      const double speedup = one > 0 ? t.mbps / one : 0;
      std::printf("    %3d %10.3f %10.1f %8.2fx %14.0f %14s %9.0f%s\n", n,
                  t.seconds, t.mbps, speedup, t.kb_per_thread,
                  Megabytes(t.read_per_scan).c_str(), t.mb_per_cpu_second,
                  t.failed ? "  (A SCAN FAILED)" : "");
      rows.push_back({c.name, c.road, c.shared, n, speedup});
    }
  }

  std::printf("\nTargets:\n");
  for (int m = 0; !loaded.empty() && m < kModeCount; ++m) {
    const LatencyPhase& one_loader = loaded.front();
    const double median = unloaded.modes[m].p50;
    const Latency& l = one_loader.modes[m];
    std::printf(
        "  %s (a) %-9s with 1 loaded thread: p99 %.1f us <= 3 x unloaded "
        "median %.1f us = %.1f us\n",
        Verdict(!one_loader.capped && l.p99 <= kP99OverUnloadedMedian * median),
        kModeNames[m], l.p99 * 1e6, median * 1e6,
        kP99OverUnloadedMedian * median * 1e6);
    std::printf("  %s (a) %-9s with 1 loaded thread: max %.3f ms <= 5 ms\n",
                Verdict(!one_loader.capped && l.max <= kMaxLoadedSeconds),
                kModeNames[m], l.max * 1e3);
  }
  if (!loaded.empty() && loaded.front().capped) {
    std::printf("       (the loaded phase was capped: not every call ran)\n");
  }
  for (const Row& r : rows) {
    if (r.threads < 2 || r.road == Road::kRead) continue;
    std::printf("  %s (b) %s, N = %d: speed-up %.2fx >= %.2fx\n",
                Verdict(r.speedup >= kSpeedupPerThread * r.threads), r.name,
                r.threads, r.speedup, kSpeedupPerThread * r.threads);
  }
  // The scans' speed-up against the read loops' on the same files, same N.
  for (const Row& scan : rows) {
    if (scan.threads < 2 || scan.road != Road::kRules || scan.shared) continue;
    for (const Row& read : rows) {
      if (read.road != Road::kRead || read.threads != scan.threads) continue;
      const double ratio = read.speedup > 0 ? scan.speedup / read.speedup : 0;
      std::printf(
          "  %s (b) N = %d: job-ticket road speed-up %.2fx / read() loops' "
          "speed-up %.2fx = %.2f >= %.2f\n",
          Verdict(ratio >= kSpeedupOverReadLoops), scan.threads, scan.speedup,
          read.speedup, ratio, kSpeedupOverReadLoops);
    }
  }
  PrintLoad("\nload average at end");
  if (!opt.keep) RemoveInputs();
  return 0;
}
