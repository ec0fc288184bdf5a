// Clocks, counters and the read() baseline of the scan benchmark.
#ifndef VANTREL_BENCH_MEASURE_H_
#define VANTREL_BENCH_MEASURE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel_bench {

// Seconds on the monotonic clock.
double Now();

// The process's I/O counters from /proc/self/io (Linux). `rchar` counts the
// bytes that read() and pread() returned, whatever the page cache held;
// `syscr` counts those calls. ok is false where the file is missing.
struct IoCounters {
  bool ok = false;
  int64_t rchar = 0;
  int64_t syscr = 0;
};
IoCounters ReadIoCounters();

// Reading /proc/self/io is itself a read(): what one sample adds to rchar
// and syscr, measured once and subtracted by IoDelta.
void CalibrateIoCounters();
// The counters' growth between two samples, less one sample's own reads.
IoCounters IoDelta(const IoCounters& before, const IoCounters& after);

// Peak resident set in KiB (getrusage ru_maxrss).
int64_t PeakRssKb();
// Peak resident set of this address space in KiB (VmHWM in
// /proc/self/status), or -1. Unlike ru_maxrss it never includes the program
// that ran before exec, so ResetPeakRss() brings it right down.
int64_t HighWaterRssKb();
// Current resident set in KiB (/proc/self/statm), or -1.
int64_t CurrentRssKb();
// Lowers the peak to the current resident set (Linux clear_refs "5"), so the
// next PeakRssKb() says what happened since. False where not supported.
bool ResetPeakRss();

// Reads `path` from start to end with read() into a buffer of
// `buffer_size` bytes; answers the bytes read or -1.
int64_t ReadLoop(const char* path, size_t buffer_size);

// The same with every "%" of each chunk found with memchr (one memchr call
// per sign, from just past the last one to the chunk's end): the least a
// scanner that looks at every "%" of the file must do. Answers the bytes
// read, or -1; `percent_signs` (may be null) gets how many were found.
int64_t ReadPercentLoop(const char* path, size_t chunk_size,
                        int64_t* percent_signs);

// What the kernel charges here for the calls a head or tail scan makes, in
// microseconds (best of a few batches). Under some hypervisors a system call
// costs ten times what it does on bare metal, which decides the figures of
// scans that read only a few kilobytes.
struct SyscallCosts {
  double trivial = 0;      // getppid()
  double pread_small = 0;  // pread() of 4096 bytes held in the page cache
  double open_close = 0;   // open() + fstat() + close()
};
SyscallCosts MeasureSyscallCosts(const char* path);

// Order statistics of a sample set (copied, then sorted).
struct Stats {
  double min = 0;
  double p25 = 0;
  double median = 0;
  double p75 = 0;
  double max = 0;
};
Stats Summarize(std::vector<double> samples);

// "12.3 MB" style text for a byte count (MB = 10^6 bytes).
std::string Megabytes(double bytes);

// Reads option `name` at argv[*i], as "--name value" (moving *i on) or
// "--name=value". False when argv[*i] is another option or the value is
// missing.
bool TakeValue(int argc, char** argv, int* i, const char* name,
               std::string* value);

}  // namespace vantrel_bench

#endif  // VANTREL_BENCH_MEASURE_H_
