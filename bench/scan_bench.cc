// The file scan benchmark: writes its own print files to a temporary folder,
// times the whole-file scan of the job-ticket road next to a read() loop over
// the same file in the same run, times head and tail scans of the RIP road on
// a large and a small file, and reports figures against the scan targets
// (PASS/MISS). It reports; it does not judge: the exit status is 0 whatever
// the figures say, and non-zero only when the inputs cannot be made.
//
// A plain program rather than a Google Benchmark binary: each input is a
// 200 MB file that must be made once, kept warm in the page cache and
// compared with its own read() baseline, and the figures wanted (ratios,
// bytes read per call, peak RSS, a capped third-party baseline in a child
// process) are run-level results, not per-iteration counters.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "call_floor.h"
#include "engine/scanner.h"
#include "entry/check_road.h"
#include "entry/roads.h"
#include "inputs.h"
#include "measure.h"
#include "pages_figure.h"
#include "vantrel/vantrel.h"

#if defined(VANTREL_BENCH_HAVE_SPECTRE)
#include "baseline_loader.h"
#endif

namespace vantrel_bench {
namespace {

constexpr int64_t kMB = 1000 * 1000;
constexpr int64_t kMiB = 1024 * 1024;
constexpr size_t kReadBuffer = vantrel::kLargestReadSize;
constexpr int64_t kSmallFileSize = 20 * 1000;
constexpr int64_t kTypicalJobSize = 1 * kMB;
// Large images: about 16 MB per counted section.
constexpr int64_t kLargeSectionTarget = 16 * kMB;
// Page text around each section, left out of the section size.
constexpr int64_t kTextPerSection = 6000;
// Whole-file runs of a small file are repeated until they add up to this.
constexpr double kMinTimedSeconds = 0.3;

struct Options {
  int64_t size_mb = 200;
  int repeats = 5;
  int calls = 2000;
  std::string dir;
  bool keep = false;
  bool spectre = true;
  double spectre_cap = 60;
  bool text_only = false;
};

void Usage(FILE* out) {
  std::fprintf(
      out,
      "usage: vantrel_scan_bench [options]\n"
      "  --size-mb N       size of the large inputs in MB (default 200)\n"
      "  --repeat N        whole-file runs per input, best kept (default 5)\n"
      "  --calls N         head/tail calls per file and mode (default 2000)\n"
      "  --dir PATH        where to make the temporary folder (default $TMPDIR "
      "or /tmp)\n"
      "  --keep            leave the inputs in place\n"
      "  --no-spectre      skip the libspectre baseline\n"
      "  --spectre-cap S   seconds before a libspectre load is given up "
      "(default 60)\n"
      "  --text-only       only (a): its whole-file scans from the file and\n"
      "                    from memory\n");
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string v;
    if (vantrel_bench::TakeValue(argc, argv, &i, "--size-mb", &v)) {
      o->size_mb = std::atoll(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--repeat", &v)) {
      o->repeats = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--calls", &v)) {
      o->calls = std::atoi(v.c_str());
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--dir", &v)) {
      o->dir = v;
    } else if (vantrel_bench::TakeValue(argc, argv, &i, "--spectre-cap", &v)) {
      o->spectre_cap = std::atof(v.c_str());
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      o->keep = true;
    } else if (std::strcmp(argv[i], "--text-only") == 0) {
      o->text_only = true;
    } else if (std::strcmp(argv[i], "--no-spectre") == 0) {
      o->spectre = false;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      Usage(stdout);
      std::exit(0);
    } else {
      std::fprintf(stderr, "vantrel_scan_bench: unknown option %s\n", argv[i]);
      return false;
    }
  }
  if (o->size_mb < 1 || o->repeats < 1 || o->calls < 100 ||
      o->spectre_cap <= 0) {
    std::fprintf(stderr,
                 "vantrel_scan_bench: --size-mb and --repeat need at least 1, "
                 "--calls at least 100, --spectre-cap more than 0\n");
    return false;
  }
  return true;
}

// The inputs, for removal on the way out and from a signal handler (plain
// arrays: the handler may only call async-signal-safe functions).
constexpr int kMaxInputs = 16;
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

// ---------------------------------------------------------------------------
// Whole-file scans.

struct WholeResult {
  int runs = 0;
  double read_best = 0;
  double scan_best = 0;
  double read_median = 0;
  double scan_median = 0;
  IoCounters read_io;  // one read loop
  IoCounters scan_io;  // one scan
  // The read() + memchr("%") pass in whole-file chunks, when measured.
  bool percent_pass = false;
  double percent_best = 0;
  double percent_median = 0;
  int64_t percent_signs = 0;
  int status = -1;
  int rules = 0;
  int properties = 0;
  int64_t rss_before_kb = -1;
  int64_t hwm_after_kb = -1;
  int64_t maxrss_after_kb = -1;
};

// One whole-file scan through the job-ticket road; answers the scan status.
int ScanWhole(CParserObjectIF* parser, const char* path, int* rules_out,
              int* properties_out) {
  CRuleKalPropArrArray rules;
  parser->ParseToRules(path, rules, 0, 0);
  if (rules_out != nullptr) {
    *rules_out = rules.GetSize();
    *properties_out = 0;
    for (int i = 0; i < rules.GetSize(); ++i) {
      *properties_out += rules.GetAt(i).GetSize();
    }
  }
  return parser->GetLastScanStatus();
}

// A whole-file check of `f` against a whole-file job-ticket scan of it,
// interleaved, best of `repeats`: answers check time / scan time.
double CheckOverScan(CParserObjectIF* parser, const InputFile& f, int repeats,
                     double* check_best, size_t* findings) {
  std::vector<double> checks;
  std::vector<double> scans;
  for (int i = 0; i < repeats; ++i) {
    vantrel::Job job;
    job.path = f.path.c_str();
    vantrel::CheckReport report;
    double t = Now();
    vantrel::RunCheckRoad(job, report);
    checks.push_back(Now() - t);
    *findings = report.findings.size();
    t = Now();
    ScanWhole(parser, f.path.c_str(), nullptr, nullptr);
    scans.push_back(Now() - t);
  }
  *check_best = Summarize(checks).min;
  return *check_best / Summarize(scans).min;
}

// With `percent_pass`, a third baseline joins the interleaved runs: the file
// read with read() in the scanner's whole-file chunk size, every "%" of each
// chunk found with memchr.
WholeResult MeasureWhole(CParserObjectIF* parser, const InputFile& f,
                         int repeats, bool percent_pass) {
  WholeResult r;
  const char* path = f.path.c_str();
  ReadLoop(path, kReadBuffer);  // warms the page cache
  r.percent_pass = percent_pass;
  if (percent_pass) {  // makes its buffer before any timing
    ReadPercentLoop(path, vantrel::kWholeFileReadSize, &r.percent_signs);
  }
  ResetPeakRss();
  r.rss_before_kb = CurrentRssKb();

  IoCounters a = ReadIoCounters();
  ReadLoop(path, kReadBuffer);
  IoCounters b = ReadIoCounters();
  r.read_io = IoDelta(a, b);

  a = ReadIoCounters();
  double t0 = Now();
  r.status = ScanWhole(parser, path, nullptr, nullptr);
  double first = Now() - t0;
  b = ReadIoCounters();
  r.scan_io = IoDelta(a, b);
  ScanWhole(parser, path, &r.rules, &r.properties);

  // Small files get more runs, so the best of them is not one lucky tick.
  int runs = repeats;
  if (first * repeats < kMinTimedSeconds && first > 0) {
    runs = std::min(20000, static_cast<int>(kMinTimedSeconds / first) + 1);
  }
  std::vector<double> reads;
  std::vector<double> scans;
  std::vector<double> percents;
  // Interleaved, so drift in the machine's state hits all alike.
  for (int i = 0; i < runs; ++i) {
    t0 = Now();
    ReadLoop(path, kReadBuffer);
    double t1 = Now();
    ScanWhole(parser, path, nullptr, nullptr);
    double t2 = Now();
    reads.push_back(t1 - t0);
    scans.push_back(t2 - t1);
    if (percent_pass) {
      t0 = Now();
      ReadPercentLoop(path, vantrel::kWholeFileReadSize, &r.percent_signs);
      percents.push_back(Now() - t0);
    }
  }
  Stats rs = Summarize(reads);
  Stats ss = Summarize(scans);
  if (percent_pass) {
    Stats ps = Summarize(percents);
    r.percent_best = ps.min;
    r.percent_median = ps.median;
  }
  r.runs = runs;
  r.read_best = rs.min;
  r.read_median = rs.median;
  r.scan_best = ss.min;
  r.scan_median = ss.median;
  r.hwm_after_kb = HighWaterRssKb();
  r.maxrss_after_kb = PeakRssKb();
  return r;
}

// ---------------------------------------------------------------------------
// Whole-file scans of a job held in memory.

struct MemoryResult {
  int runs = 0;
  double memchr_best = 0;
  double scan_best = 0;
  double memchr_median = 0;
  double scan_median = 0;
  int64_t percent_signs = 0;
  int status = -1;
  int properties = 0;
};

// The baseline: every "%" of the block found with memchr.
int64_t CountPercentSigns(const std::string& block) {
  return vantrel_bench::CountPercentSigns(block.data(),
                                          block.data() + block.size());
}

// A whole-file scan of the block with the job-ticket road's comment sets, as
// its service registers them; answers the scan status.
int ScanMemory(const std::string& block, int* properties_out) {
  CRuleKalPropArrArray rules;
  int status;
  {
    CKalParser parser("text.ps");
    parser.SetMemorySource(block.data(), block.size());
    vantrel::AddJobTicketComments(parser, 'M', 0);
    parser.HandleFile(rules, 15);
    parser.GetDataFromParser(rules);
    status = parser.GetScanStatus();
  }
  if (properties_out != nullptr) {
    *properties_out = 0;
    for (int i = 0; i < rules.GetSize(); ++i) {
      *properties_out += rules.GetAt(i).GetSize();
    }
  }
  return status;
}

MemoryResult MeasureMemory(const std::string& block, int repeats) {
  MemoryResult r;
  r.status = ScanMemory(block, &r.properties);
  std::vector<double> finds;
  std::vector<double> scans;
  // Interleaved, as the file figures are.
  for (int i = 0; i < repeats; ++i) {
    double t0 = Now();
    r.percent_signs = CountPercentSigns(block);
    double t1 = Now();
    ScanMemory(block, nullptr);
    double t2 = Now();
    finds.push_back(t1 - t0);
    scans.push_back(t2 - t1);
  }
  Stats fs = Summarize(finds);
  Stats ss = Summarize(scans);
  r.runs = repeats;
  r.memchr_best = fs.min;
  r.memchr_median = fs.median;
  r.scan_best = ss.min;
  r.scan_median = ss.median;
  return r;
}


double MBps(int64_t bytes, double seconds);

void PrintMemory(const InputFile& f, const MemoryResult& m) {
  std::printf(
      "\nWhole-file scan of (a) held in memory: CKalParser::SetMemorySource, "
      "the job-ticket road's comment sets, mode 15,\n"
      "against a memchr pass for \"%%\" over the same block, interleaved "
      "runs, best of N\n");
  std::printf("%-32s %10s %5s %11s %11s %10s %10s %11s  %s\n", "file", "size",
              "N", "memchr ms", "scan ms", "memchr MB/s", "scan MB/s",
              "scan/memchr", "status, props, \"%\" signs");
  std::printf(
      "%-32s %10s %5d %11.3f %11.3f %10.0f %10.0f %10.2fx  %s, %d, "
      "%" PRId64 "\n",
      f.label.c_str(), Megabytes(static_cast<double>(f.size)).c_str(), m.runs,
      m.memchr_best * 1e3, m.scan_best * 1e3, MBps(f.size, m.memchr_best),
      MBps(f.size, m.scan_best), m.scan_best / m.memchr_best,
      VantrelScanStatusText(m.status), m.properties, m.percent_signs);
  std::printf("medians (ms, memchr / scan): %.3f / %.3f\n",
              m.memchr_median * 1e3, m.scan_median * 1e3);
}

// ---------------------------------------------------------------------------
// Head and tail scans.

struct CallResult {
  Stats us;
  double bytes_per_call = -1;
  double reads_per_call = -1;
  int status = -1;
  int pairs = 0;
  // The floor: open, fstat, the preads one call made (recorded), close, of
  // the same file, timed in blocks between the calls' blocks. floor_ok is
  // false when the call's preads could not be recorded.
  std::vector<PreadCall> preads;
  bool floor_ok = false;
  Stats floor_us;
};

// One RIP-road call; answers the elapsed seconds.
double TimedPairsCall(CRipBaseParserIF* rip, const char* path, int mode,
                      int* status, int* pairs_out) {
  _tPairProperty* pairs = nullptr;
  int count = 0;
  double t0 = Now();
  rip->ParseToPairs(path, pairs, count, 1, mode, 'M');
  delete[] pairs;
  double t1 = Now();
  *status = rip->GetLastScanStatus();
  *pairs_out = count;
  return t1 - t0;
}

// Calls alternate between the two files in blocks of 100, so both see the
// same state of the machine; after each block of calls, a block of as many
// floor passes on the same file.
void MeasurePairs(CRipBaseParserIF* rip, const InputFile& big,
                  const InputFile& small, int mode, int calls,
                  CallResult* big_out, CallResult* small_out) {
  constexpr int kBlock = 100;
  const InputFile* files[2] = {&big, &small};
  CallResult* outs[2] = {big_out, small_out};
  std::vector<double> samples[2];
  int64_t rchar[2] = {0, 0};
  int64_t syscr[2] = {0, 0};
  bool io_ok = true;
  std::vector<double> floors[2];
  for (int k = 0; k < 2; ++k) {
    const char* path = files[k]->path.c_str();
    for (int i = 0; i < kBlock; ++i) {  // warm-up
      TimedPairsCall(rip, path, mode, &outs[k]->status, &outs[k]->pairs);
    }
    // The preads of one warm call, for the floor to repeat.
    bool complete = false;
    StartPreadRecording();
    TimedPairsCall(rip, path, mode, &outs[k]->status, &outs[k]->pairs);
    outs[k]->preads = StopPreadRecording(&complete);
    outs[k]->floor_ok = complete && !outs[k]->preads.empty() &&
                        TimeCallFloor(path, outs[k]->preads) >= 0;
    for (int i = 0; outs[k]->floor_ok && i < kBlock; ++i) {  // warm-up
      TimeCallFloor(path, outs[k]->preads);
    }
  }
  for (int done = 0; done < calls; done += kBlock) {
    for (int k = 0; k < 2; ++k) {
      const char* path = files[k]->path.c_str();
      IoCounters a = ReadIoCounters();
      for (int i = 0; i < kBlock; ++i) {
        samples[k].push_back(
            TimedPairsCall(rip, path, mode, &outs[k]->status, &outs[k]->pairs) *
            1e6);
      }
      IoCounters d = IoDelta(a, ReadIoCounters());
      io_ok = io_ok && d.ok;
      rchar[k] += d.rchar;
      syscr[k] += d.syscr;
      for (int i = 0; outs[k]->floor_ok && i < kBlock; ++i) {
        floors[k].push_back(TimeCallFloor(path, outs[k]->preads) * 1e6);
      }
    }
  }
  for (int k = 0; k < 2; ++k) {
    outs[k]->us = Summarize(samples[k]);
    if (outs[k]->floor_ok) outs[k]->floor_us = Summarize(floors[k]);
    if (io_ok) {
      const double n = static_cast<double>(samples[k].size());
      outs[k]->bytes_per_call = static_cast<double>(rchar[k]) / n;
      outs[k]->reads_per_call = static_cast<double>(syscr[k]) / n;
    }
  }
}

// ---------------------------------------------------------------------------
// Reporting.

struct Target {
  std::string group;
  std::string what;
  std::string figure;
  std::string goal;
  int verdict;  // 1 PASS, 0 MISS, -1 not measured
};

std::vector<Target> g_targets;

void AddTarget(const std::string& group, const std::string& what,
               const std::string& figure, const std::string& goal,
               int verdict) {
  g_targets.push_back({group, what, figure, goal, verdict});
}

std::string Format(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

double MBps(int64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0;
}

std::string IoText(const IoCounters& io) {
  if (!io.ok) return "n/a";
  return Format("%" PRId64 " B in %" PRId64 " calls", io.rchar, io.syscr);
}

// Other work on the machine skews every figure; the load average says how
// much there was.
void PrintLoad(const char* when) {
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    char line[128];
    if (std::fgets(line, sizeof line, f) != nullptr)
      std::printf("%s: %s", when, line);
    std::fclose(f);
  }
}

void PrintEnvironment(int argc, char** argv) {
  std::printf("command:");
  for (int i = 0; i < argc; ++i) std::printf(" %s", argv[i]);
  std::printf("\n");
  struct utsname u {};
  if (::uname(&u) == 0)
    std::printf("system: %s %s %s\n", u.sysname, u.release, u.machine);
  if (FILE* f = std::fopen("/proc/cpuinfo", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
      if (std::strncmp(line, "model name", 10) == 0) {
        const char* colon = std::strchr(line, ':');
        std::printf("cpu:%s", colon != nullptr ? colon + 1 : line);
        break;
      }
    }
    std::fclose(f);
  }
  std::printf("cores online: %ld\n", ::sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("build: %s, compiler %s%s\n", VANTREL_BENCH_BUILD_TYPE,
              __VERSION__,
#if defined(NDEBUG)
              ""
#else
              " (assertions on: not a release build)"
#endif
  );
  std::printf("library: vantrel %s\n", VANTREL_VERSION_STRING);
  PrintLoad("load average at start");
}

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
  PrintEnvironment(argc, argv);

  // The folder for the inputs.
  std::string parent = opt.dir;
  if (parent.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    parent = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string templ = parent + "/vantrel-bench-XXXXXX";
  std::vector<char> dir_buf(templ.begin(), templ.end());
  dir_buf.push_back('\0');
  if (::mkdtemp(dir_buf.data()) == nullptr) {
    std::fprintf(stderr, "vantrel_scan_bench: %s: %s\n", templ.c_str(),
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

  // Inputs.
  const int64_t size = opt.size_mb * kMB;
  const int64_t large_sections =
      std::max<int64_t>(2, size / kLargeSectionTarget);
  const int64_t large_section_bytes = size / large_sections - kTextPerSection;
  const int64_t many_sections = std::max<int64_t>(2, opt.size_mb);
  const int64_t many_section_bytes = size / many_sections - kTextPerSection;

  std::vector<InputFile> files(9);
  InputFile& text = files[0];
  InputFile& image = files[1];
  InputFile& image_many = files[2];
  InputFile& comments = files[3];
  InputFile& no_ends = files[4];
  InputFile& typical = files[5];
  InputFile& small = files[6];
  InputFile& no_header = files[7];
  InputFile& percents = files[8];
  text.label = "(a) text-heavy";
  image.label = "(b) image-heavy";
  image_many.label = "(b2) one image per page";
  comments.label = "(c) every line a comment";
  no_ends.label = "(d) no line ends";
  typical.label = "(e) typical 1 MB job";
  small.label = "20 KB file";
  no_header.label = "(f) text, no \"%!\" line";
  percents.label = "(g) lines of \"%\" only";

  std::printf("\ninputs in %s (written before any timing%s)\n", dir.c_str(),
              opt.keep ? ", kept" : ", removed at the end");
  const double g0 = Now();
  std::string error;
  bool ok = true;
  struct Job {
    InputFile* file;
    const char* name;
  } jobs[] = {{&text, "text.ps"},          {&image, "image.ps"},
              {&image_many, "images.ps"},  {&comments, "comments.ps"},
              {&no_ends, "nolineends.ps"}, {&typical, "typical.ps"},
              {&small, "small.ps"},        {&no_header, "noheader.ps"},
              {&percents, "percents.ps"}};
  for (const Job& job : jobs) {
    if (opt.text_only && job.file != &text) continue;
    const std::string path = dir + "/" + job.name;
    Remember(path);
    InputFile* f = job.file;
    if (f == &text) {
      ok = WriteDocument(path, size, 0, 0, f, &error);
    } else if (f == &image) {
      ok = WriteDocument(path, size, large_sections, large_section_bytes, f,
                         &error);
    } else if (f == &image_many) {
      ok = WriteDocument(path, size, many_sections, many_section_bytes, f,
                         &error);
    } else if (f == &comments) {
      ok = WriteAllComments(path, size, f, &error);
    } else if (f == &no_ends) {
      ok = WriteNoLineEnds(path, size, f, &error);
    } else if (f == &no_header) {
      ok = WriteDocument(path, size, 0, 0, f, &error, /*header_line=*/false);
    } else if (f == &percents) {
      ok = WritePercentLines(path, size, f, &error);
    } else if (f == &typical) {
      // A logo and two photographs among the text.
      ok = WriteDocument(path, kTypicalJobSize, 3, 64 * 1000, f, &error);
    } else {
      ok = WriteDocument(path, kSmallFileSize, 0, 0, f, &error);
    }
    if (!ok) break;
  }
  if (!ok) {
    std::fprintf(stderr, "vantrel_scan_bench: %s\n", error.c_str());
    if (!opt.keep) RemoveInputs();
    return 1;
  }
  std::printf("generated in %.1f s:\n", Now() - g0);
  if (opt.text_only) files.resize(1);
  for (const InputFile& f : files) {
    std::printf("  %-32s %10s  %9" PRId64 " lines  %8" PRId64
                " comment lines  %6" PRId64 " pages",
                f.label.c_str(), Megabytes(static_cast<double>(f.size)).c_str(),
                f.lines, f.comment_lines, f.pages);
    if (f.sections > 0) {
      std::printf(
          "  %" PRId64 " sections of %s (%.1f%% of the file)", f.sections,
          Megabytes(static_cast<double>(f.section_bytes / f.sections)).c_str(),
          100.0 * static_cast<double>(f.section_bytes) /
              static_cast<double>(f.size));
    }
    std::printf("\n");
  }

  std::unique_ptr<CParserObjectIF> parser(CreateParserObject(0));
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  if (!parser || !rip) {
    std::fprintf(stderr, "vantrel_scan_bench: no parser object\n");
    if (!opt.keep) RemoveInputs();
    return 1;
  }
  CalibrateIoCounters();
  // Warm-up: the first parse makes the library's long-lived objects, which
  // the peak RSS figures of the files below should not include.
  for (int i = 0; i < 10; ++i)
    ScanWhole(parser.get(), small.path.c_str(), nullptr, nullptr);
  ReadLoop(small.path.c_str(), kReadBuffer);

  // ------------------------------------------------------------------ whole
  std::printf(
      "\nWhole-file scan: CreateParserObject(0)->ParseToRules(path, rules, 0, "
      "0) "
      "(every comment set, mode 15)\n"
      "against a read() loop of %zu-byte reads over the same file, page cache "
      "warm, interleaved runs, best of N\n",
      kReadBuffer);
  std::printf("%-32s %10s %5s %11s %11s %10s %10s %9s  %-28s %s\n", "file",
              "size", "N", "read() ms", "scan ms", "read MB/s", "scan MB/s",
              "scan/read", "read by one scan", "status, rules, props");
  std::vector<WholeResult> whole(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const InputFile& f = files[i];
    WholeResult& r = whole[i];
    r = MeasureWhole(parser.get(), f, opt.repeats, &f == &text);
    std::printf(
        "%-32s %10s %5d %11.3f %11.3f %10.0f %10.0f %8.2fx  %-28s %s, %d, %d\n",
        f.label.c_str(), Megabytes(static_cast<double>(f.size)).c_str(), r.runs,
        r.read_best * 1e3, r.scan_best * 1e3, MBps(f.size, r.read_best),
        MBps(f.size, r.scan_best), r.scan_best / r.read_best,
        IoText(r.scan_io).c_str(), VantrelScanStatusText(r.status), r.rules,
        r.properties);
  }
  // (a) against the least a scanner of every "%" must do, in the scanner's
  // own chunk size: measured in the runs above, interleaved with them.
  const WholeResult& text_whole = whole[0];
  const double scan_over_percent =
      text_whole.percent_best > 0
          ? text_whole.scan_best / text_whole.percent_best
          : 0;
  std::printf(
      "%s against a read() loop of %d-byte reads (the scanner's whole-file "
      "chunk) with memchr for every \"%%\" in each, in the same runs:\n"
      "  read+memchr %.3f ms (%.0f MB/s, %" PRId64
      " \"%%\" signs), scan %.3f ms, scan/(read+memchr) %.2fx; medians "
      "%.3f / %.3f ms\n",
      text.label.c_str(), vantrel::kWholeFileReadSize,
      text_whole.percent_best * 1e3, MBps(text.size, text_whole.percent_best),
      text_whole.percent_signs, text_whole.scan_best * 1e3, scan_over_percent,
      text_whole.percent_median * 1e3, text_whole.scan_median * 1e3);
  // The same job held in memory.
  MemoryResult memory;
  {
    std::string block;
    if (!LoadFile(text.path, &block)) {
      std::fprintf(stderr, "vantrel_scan_bench: cannot read %s\n",
                   text.path.c_str());
    } else {
      memory = MeasureMemory(block, opt.repeats);
    }
  }
  std::printf("medians (ms, read / scan):");
  for (size_t i = 0; i < files.size(); ++i) {
    std::printf("%s %s %.3f / %.3f", i == 0 ? "" : ";",
                files[i].label.substr(0, files[i].label.find(' ')).c_str(),
                whole[i].read_median * 1e3, whole[i].scan_median * 1e3);
  }
  std::printf("\n");

  PrintMemory(text, memory);
  // The pages road on (a), whose many pages each give it a record, and on
  // the typical job.
  PagesFigure pages_text = MeasurePagesRoad(text.path, opt.repeats);
  PagesFigure pages_typical;
  if (!opt.text_only)
    pages_typical = MeasurePagesRoad(typical.path, opt.repeats);
  std::printf(
      "\nPages road (structure and page-index comments, mode 15) against the "
      "job-ticket road, whole file, best of %d\n",
      opt.repeats);
  for (const PagesFigure* p : {&pages_text, &pages_typical}) {
    if (p->runs == 0) continue;
    std::printf(
        "  %-30s job ticket %9.3f ms  pages %9.3f ms  %5.2fx  %s, "
        "%zu pages\n",
        p == &pages_text ? "(a) text-heavy" : "(e) typical job",
        p->rules_best * 1e3, p->pages_best * 1e3, p->Ratio(),
        VantrelScanStatusText(p->status), p->pages);
  }
  if (opt.text_only) {
    const double ratio = whole[0].scan_best / whole[0].read_best;
    const double in_memory = memory.scan_best / memory.memchr_best;
    std::printf("\ntargets\n");
    std::printf("  %-52s %8.2fx  %-8s %s\n",
                "(a) text-heavy: scan time / read() time", ratio, "<= 1.5x",
                ratio <= 1.5 ? "PASS" : "MISS");
    std::printf(
        "  %-52s %8.2fx  %-8s %s\n",
        "(a) text-heavy: scan time / read()+memchr \"%\" time",
        scan_over_percent, "<= 1.2x",
        scan_over_percent > 0 && scan_over_percent <= 1.2 ? "PASS" : "MISS");
    std::printf("  %-52s %8.2fx  %-8s %s\n",
                "(a) in memory: scan time / memchr \"%\" time", in_memory,
                "<= 1.5x", in_memory <= 1.5 ? "PASS" : "MISS");
    std::printf("  %-52s %8.2fx  %-8s %s\n", "(a) pages road / job-ticket road",
                pages_text.Ratio(), "<= 1.2x",
                pages_text.Ratio() <= 1.2 ? "PASS" : "MISS");
    if (!opt.keep) RemoveInputs();
    return 0;
  }

  std::printf(
      "\nMemory (RSS growth while each file was scanned N times; VmHWM reset "
      "before)\n");
  std::printf("%-32s %14s %14s %14s %14s\n", "file", "RSS before",
              "VmHWM after", "growth", "ru_maxrss");
  for (size_t i = 0; i < files.size(); ++i) {
    const WholeResult& r = whole[i];
    std::printf("%-32s %11" PRId64 " KiB %11" PRId64 " KiB %11" PRId64
                " KiB %11" PRId64 " KiB\n",
                files[i].label.c_str(), r.rss_before_kb, r.hwm_after_kb,
                r.hwm_after_kb - r.rss_before_kb, r.maxrss_after_kb);
  }

  // --------------------------------------------------------------- spectre
  std::vector<double> spectre_best(files.size(), -1);
#if defined(VANTREL_BENCH_HAVE_SPECTRE)
  if (opt.spectre) {
    std::printf(
        "\nlibspectre baseline: spectre_document_load (new and free not timed) "
        "in a "
        "child process, best of up to %d, cap %g s per file\n",
        opt.repeats, opt.spectre_cap);
    std::printf("%-32s %11s %4s %10s %7s %14s %12s  %s\n", "file", "load ms",
                "N", "MB/s", "pages", "spectre/scan", "child peak", "note");
    for (size_t i = 0; i < files.size(); ++i) {
      const InputFile& f = files[i];
      BaselineResult b = TimeSpectreLoad(f.path, opt.repeats, opt.spectre_cap);
      if (b.runs > 0) {
        spectre_best[i] = b.best_seconds;
        std::printf("%-32s %11.3f %4d %10.0f %7u %13.2fx %8" PRId64
                    " KiB  %s\n",
                    f.label.c_str(), b.best_seconds * 1e3, b.runs,
                    MBps(f.size, b.best_seconds), b.pages,
                    b.best_seconds / whole[i].scan_best, b.peak_rss_kb,
                    b.stopped_early || b.runs < opt.repeats
                        ? "fewer runs: the cap was reached"
                        : "");
      } else {
        std::printf("%-32s %11s %4d %10s %7s %14s %8" PRId64 " KiB  %s\n",
                    f.label.c_str(), "-", 0, "-", "-", "-", b.peak_rss_kb,
                    b.note.c_str());
      }
    }
  } else {
    std::printf("\nlibspectre baseline: skipped (--no-spectre)\n");
  }
#else
  std::printf(
      "\nlibspectre baseline: not built (pkg-config found no libspectre)\n");
#endif

  // ------------------------------------------------------------- head/tail
  const SyscallCosts sys = MeasureSyscallCosts(small.path.c_str());
  std::printf(
      "\nSystem call cost on this machine: getppid() %.2f us, pread() of 4096 "
      "B "
      "%.2f us, open()+fstat()+close() %.2f us\n"
      "(\"floor\" below: the median of open+fstat, the preads one call made "
      "(recorded: the same sizes and offsets), close, of the same file, "
      "timed in blocks of 100 between the calls' blocks; no parsing)\n",
      sys.trivial, sys.pread_small, sys.open_close);
  std::printf(
      "\nHead and tail scans: RipCreateParserObject()->ParseToPairs(path, "
      "pairs, count, "
      "1, mode, 'M'), pairs freed with delete[]\n"
      "%d timed calls per file and mode (after 100 warm-up calls), alternating "
      "between the files in blocks of 100\n",
      opt.calls);
  std::printf("%-13s %-32s %9s %9s %9s %9s %9s %12s %8s %9s  %s\n", "mode",
              "file", "min us", "p25 us", "median us", "p75 us", "max us",
              "bytes/call", "preads", "floor us", "status, pairs");
  const char* mode_names[] = {"", "head (1)", "tail (2)", "head+tail (3)"};
  CallResult calls[4][2];
  for (int mode = 1; mode <= 3; ++mode) {
    MeasurePairs(rip.get(), text, small, mode, opt.calls, &calls[mode][0],
                 &calls[mode][1]);
    for (int k = 0; k < 2; ++k) {
      const CallResult& c = calls[mode][k];
      const InputFile& f = k == 0 ? text : small;
      std::printf(
          "%-13s %-32s %9.2f %9.2f %9.2f %9.2f %9.1f %12.0f %8.1f %9s  %s, "
          "%d\n",
          mode_names[mode], f.label.c_str(), c.us.min, c.us.p25, c.us.median,
          c.us.p75, c.us.max, c.bytes_per_call, c.reads_per_call,
          c.floor_ok ? Format("%.2f", c.floor_us.median).c_str() : "n/a",
          VantrelScanStatusText(c.status), c.pairs);
    }
  }
  std::printf("the floors' preads (recorded from one call each):\n");
  for (int mode = 1; mode <= 3; ++mode) {
    for (int k = 0; k < 2; ++k) {
      const CallResult& c = calls[mode][k];
      const InputFile& f = k == 0 ? text : small;
      std::string list;
      for (const PreadCall& p : c.preads) {
        list += Format("%s%zu B at %" PRId64, list.empty() ? "" : ", ", p.count,
                       p.offset);
      }
      std::printf(
          "  %-13s %-32s %s%s\n", mode_names[mode], f.label.c_str(),
          c.preads.empty() ? "none recorded: no floor" : list.c_str(),
          c.floor_ok || c.preads.empty() ? "" : " (cut short: no floor)");
    }
  }

  // A head scan of a file without a "%!" line reads the whole file; it is
  // held to the cost of a whole-file scan of the same file on the same road.
  std::printf(
      "\nHead scan of %s: ParseToPairs(path, pairs, count, 1, 1, 'M') "
      "against mode 15 on the same file, interleaved, best of %d\n",
      no_header.label.c_str(), opt.repeats);
  double head_best = 0;
  double head_whole_best = 0;
  IoCounters head_io;
  {
    int status = 0;
    int count = 0;
    IoCounters a = ReadIoCounters();
    TimedPairsCall(rip.get(), no_header.path.c_str(), 1, &status, &count);
    head_io = IoDelta(a, ReadIoCounters());
    std::vector<double> head;
    std::vector<double> whole_rip;
    for (int i = 0; i < opt.repeats; ++i) {
      head.push_back(TimedPairsCall(rip.get(), no_header.path.c_str(), 1,
                                    &status, &count));
      whole_rip.push_back(TimedPairsCall(rip.get(), no_header.path.c_str(), 15,
                                         &status, &count));
    }
    head_best = Summarize(head).min;
    head_whole_best = Summarize(whole_rip).min;
    std::printf(
        "  head %.3f ms, whole file %.3f ms, head/whole %.2fx; read by "
        "one head scan: %s\n",
        head_best * 1e3, head_whole_best * 1e3, head_best / head_whole_best,
        IoText(head_io).c_str());
  }

  // The check road reads every byte of text to count lines and steps over
  // counted data as the job-ticket road does; it is held to the cost of
  // that road's whole-file scan of the same job.
  std::printf(
      "\nWhole-file check (vantrel check) against the job-ticket road's "
      "whole-file scan, interleaved, best of %d\n",
      opt.repeats);
  const InputFile* const checked[] = {&text, &image, &comments, &typical};
  constexpr int kChecked = sizeof checked / sizeof checked[0];
  double check_ratio[kChecked] = {};
  for (int i = 0; i < kChecked; ++i) {
    double best = 0;
    size_t findings = 0;
    check_ratio[i] =
        CheckOverScan(parser.get(), *checked[i], opt.repeats, &best, &findings);
    std::printf(
        "  %-32s check %.3f ms, %.0f MB/s, %zu findings, "
        "check/scan %.2fx\n",
        checked[i]->label.c_str(), best * 1e3, MBps(checked[i]->size, best),
        findings, check_ratio[i]);
  }

  // --------------------------------------------------------------- targets
  const std::string main_group = "targets";
  {
    const WholeResult& r = whole[0];
    const double ratio = r.scan_best / r.read_best;
    AddTarget(main_group, "(a) text-heavy: scan time / read() time",
              Format("%.2fx", ratio), "<= 1.5x", ratio <= 1.5);
    AddTarget(main_group,
              "(a) text-heavy: scan time / read()+memchr \"%\" time",
              Format("%.2fx (%d-byte reads)", scan_over_percent,
                     vantrel::kWholeFileReadSize),
              "<= 1.2x", scan_over_percent > 0 ? scan_over_percent <= 1.2 : -1);
    const double in_memory = memory.scan_best / memory.memchr_best;
    AddTarget(main_group, "(a) in memory: scan time / memchr \"%\" time",
              Format("%.2fx", in_memory), "<= 1.5x",
              memory.memchr_best > 0 && in_memory <= 1.5);
    AddTarget(main_group, "(a) pages road / job-ticket road, whole file",
              Format("%.2fx", pages_text.Ratio()), "<= 1.2x",
              pages_text.Ratio() <= 1.2);
    AddTarget(main_group, "(e) pages road / job-ticket road, whole file",
              Format("%.2fx", pages_typical.Ratio()), "<= 1.2x",
              pages_typical.Ratio() <= 1.2);
    if (spectre_best[0] > 0) {
      const double s = spectre_best[0] / r.scan_best;
      AddTarget(main_group, "(a) text-heavy: libspectre time / scan time",
                Format("%.2fx", s), ">= 3.5x", s >= 3.5);
    } else {
      AddTarget(main_group, "(a) text-heavy: libspectre time / scan time",
                "n/a", ">= 3.5x", -1);
    }
  }
  for (int k = 1; k <= 2; ++k) {
    const WholeResult& r = whole[k];
    const std::string group =
        k == 1 ? main_group : "the byte budget on (b2), for information";
    const std::string name = k == 1 ? "(b) image-heavy" : "(b2) image per page";
    const double speed = r.read_best / r.scan_best;
    AddTarget(main_group, name + ": read() time / scan time",
              Format("%.1fx", speed), ">= 10x", speed >= 10);
    AddTarget(group, name + ": bytes read by one scan",
              r.scan_io.ok
                  ? Format("%" PRId64 " B (%.0f per section)", r.scan_io.rchar,
                           static_cast<double>(r.scan_io.rchar) /
                               static_cast<double>(files[k].sections))
                  : "n/a",
              "<= 1 MiB (1048576 B)",
              r.scan_io.ok ? r.scan_io.rchar <= kMiB : -1);
  }
  {
    const WholeResult& r = whole[3];
    const double ns =
        r.scan_best * 1e9 / static_cast<double>(comments.comment_lines);
    AddTarget(main_group, "(c) every line a comment: ns per comment line",
              Format("%.1f ns", ns), "<= 100 ns", ns <= 100);
    if (spectre_best[3] > 0) {
      const double s = spectre_best[3] / r.scan_best;
      AddTarget(main_group,
                "(c) every line a comment: libspectre time / scan time",
                Format("%.2fx", s), ">= 3x", s >= 3);
    } else {
      AddTarget(main_group,
                "(c) every line a comment: libspectre time / scan time", "n/a",
                ">= 3x", -1);
    }
  }
  {
    const WholeResult& r = whole[4];
    const double ratio = r.scan_best / r.read_best;
    AddTarget(main_group, "(d) no line ends: scan time / read() time",
              Format("%.2fx", ratio), "<= 1.5x", ratio <= 1.5);
    const int64_t growth = r.hwm_after_kb - r.rss_before_kb;
    AddTarget(main_group, "(d) no line ends: RSS growth during the scans",
              r.hwm_after_kb >= 0
                  ? Format("%" PRId64 " KiB (ru_maxrss after: %" PRId64 " KiB)",
                           growth, r.maxrss_after_kb)
                  : "n/a",
              "constant: <= 1024 KiB",
              r.hwm_after_kb >= 0 ? growth <= 1024 : -1);
  }
  {
    const double ratio = head_best / head_whole_best;
    AddTarget(main_group, "(f) no \"%!\" line: head scan / whole-file scan",
              Format("%.2fx", ratio), "<= 1.1x", ratio <= 1.1);
    const WholeResult& r = whole[8];
    const double ns =
        r.scan_best * 1e9 / static_cast<double>(percents.comment_lines);
    AddTarget("the \"%\" lines, for information",
              "(g) lines of \"%\": ns per line", Format("%.1f ns", ns), "-",
              -1);
    if (spectre_best[8] > 0) {
      const double sp = spectre_best[8] / r.scan_best;
      AddTarget(main_group, "(g) lines of \"%\": libspectre time / scan time",
                Format("%.2fx", sp), ">= 3x", sp >= 3);
    } else {
      AddTarget(main_group, "(g) lines of \"%\": libspectre time / scan time",
                "n/a", ">= 3x", -1);
    }
  }
  for (int i = 0; i < kChecked; ++i) {
    AddTarget(main_group,
              checked[i]->label.substr(0, checked[i]->label.find(' ')) +
                  " whole-file check / job-ticket scan",
              Format("%.2fx", check_ratio[i]), "<= 1.5x",
              check_ratio[i] <= 1.5);
  }
  for (int mode = 1; mode <= 3; ++mode) {
    const CallResult& big = calls[mode][0];
    const CallResult& sm = calls[mode][1];
    const std::string name = std::string(mode_names[mode]);
    // Noise: the interquartile range of the small file's calls, at least 5%
    // of its median.
    const double noise = std::max(sm.us.p75 - sm.us.p25, 0.05 * sm.us.median);
    const double diff = big.us.median - sm.us.median;
    AddTarget(main_group, name + ": 200 MB median - 20 KB median",
              Format("%+.2f us (noise band %.2f us)", diff, noise),
              "within noise", std::abs(diff) <= noise);
    AddTarget(main_group, name + ": median per call on the large file",
              Format("%.2f us (20 KB: %.2f us)", big.us.median, sm.us.median),
              "<= 15 us", big.us.median <= 15);
    AddTarget(
        main_group, name + ": bytes read per call on the large file",
        big.bytes_per_call >= 0 ? Format("%.0f B", big.bytes_per_call) : "n/a",
        "<= 12 KiB + 61440 B (73728 B)",
        big.bytes_per_call >= 0 ? big.bytes_per_call <= 12 * 1024 + 61440 : -1);
  }
  // What a head+tail call costs above the system calls it cannot avoid.
  for (int k = 0; k < 2; ++k) {
    const CallResult& c = calls[3][k];
    const std::string what = std::string(mode_names[3]) +
                             ": median per call / floor, " +
                             (k == 0 ? "large file" : "20 KB file");
    if (c.floor_ok && c.floor_us.median > 0) {
      const double ratio = c.us.median / c.floor_us.median;
      AddTarget(main_group, what,
                Format("%.2fx (%.2f us / %.2f us)", ratio, c.us.median,
                       c.floor_us.median),
                "<= 2x", ratio <= 2);
    } else {
      AddTarget(main_group, what, "n/a (preads not recorded)", "<= 2x", -1);
    }
  }

  // The targets first, then the same checks on other inputs.
  std::stable_sort(g_targets.begin(), g_targets.end(),
                   [&main_group](const Target& x, const Target& y) {
                     return (x.group == main_group) > (y.group == main_group);
                   });
  std::string group;
  for (const Target& t : g_targets) {
    if (t.group != group) {
      group = t.group;
      std::printf("\n%s%s\n", group == main_group ? "Targets" : "Also: ",
                  group == main_group ? "" : group.c_str());
    }
    std::printf("  [%s] %-58s %-44s target %s\n",
                t.verdict == 1   ? "PASS"
                : t.verdict == 0 ? "MISS"
                                 : "n/a ",
                t.what.c_str(), t.figure.c_str(), t.goal.c_str());
  }

  std::printf("\n");
  PrintLoad("load average at end");
  if (!opt.keep) {
    RemoveInputs();
    std::printf("\ninputs removed\n");
  } else {
    std::printf("\ninputs kept in %s\n", dir.c_str());
  }
  return 0;
}
