// The libspectre baseline: times spectre_document_load, which reads a whole
// document's comment structure, on the benchmark's files. Built only when
// pkg-config finds libspectre.
#ifndef VANTREL_BENCH_BASELINE_LOADER_H_
#define VANTREL_BENCH_BASELINE_LOADER_H_

#include <cstdint>
#include <string>

namespace vantrel_bench {

struct BaselineResult {
  int runs = 0;                // loads that finished
  double best_seconds = 0;     // fastest of them
  bool timed_out = false;      // the first load did not finish within the cap
  bool stopped_early = false;  // later loads were cut off by the cap
  bool failed = false;         // the library refused the file, or crashed
  std::string note;            // the library's status text, or what happened
  unsigned pages = 0;          // pages the library found
  int64_t peak_rss_kb = -1;    // of the child that ran the loads
};

// Loads `path` up to `repeats` times in a child process (so a hang, a crash or
// a large allocation cannot touch this process) and keeps the best time.
// No load is started once `cap_seconds` have gone by; a child still busy
// `cap_seconds` after the start (plus the time of one finished load) is
// killed.
BaselineResult TimeSpectreLoad(const std::string& path, int repeats,
                               double cap_seconds);

}  // namespace vantrel_bench

#endif  // VANTREL_BENCH_BASELINE_LOADER_H_
