// The floor of a head or tail call: the system calls the call makes, alone.
// The preads a library call makes are recorded in the scan benchmark's own
// process, so that the floor repeats exactly the reads the call made (same
// sizes, same offsets) rather than a guess.
//
// The benchmark program defines pread() and pread64() itself; the static
// library's calls bind to those, which hand every call on to the C
// library's own and, while a recording is open, note its size and offset.
// Linux and glibc only, as the rest of the benchmark. Nothing is recorded
// when the library reads through another call (a fortified build calling
// __pread64_chk, say): the recording then comes back empty, and the
// benchmark says so instead of timing a floor.
#ifndef VANTREL_BENCH_CALL_FLOOR_H_
#define VANTREL_BENCH_CALL_FLOOR_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel_bench {

// One pread as it was asked for: `count` bytes at `offset`.
struct PreadCall {
  int64_t offset = 0;
  size_t count = 0;
};

// Starts a recording on this thread's calls (one at a time; the benchmark is
// single-threaded while it records). Calls made before are forgotten.
void StartPreadRecording();

// Ends the recording and answers the preads made since it started, in
// order. `complete` (may be null) is set false when more calls were made
// than a recording holds (64); the list is then cut short.
std::vector<PreadCall> StopPreadRecording(bool* complete);

// One pass of the floor: open() of `path` (with the flags the library
// uses), fstat(), the preads of `calls` in order into a buffer of this
// module, close(). Answers the elapsed seconds, or -1 when the open fails.
double TimeCallFloor(const char* path, const std::vector<PreadCall>& calls);

}  // namespace vantrel_bench

#endif  // VANTREL_BENCH_CALL_FLOOR_H_
