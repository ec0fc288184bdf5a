// Runs the per-file work of a command on several threads and hands the
// results back in the order of the files, as soon as each is next in line.
#ifndef VANTREL_CLI_PARALLEL_H_
#define VANTREL_CLI_PARALLEL_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vantrel_cli {

// What one file's work produced: its report, its failure line(s), and
// whether its scan failed.
struct FileOutput {
  std::string out;
  std::string err;
  bool failed = false;
};

// The default number of files scanned at once: the number of cores, at
// least 1.
unsigned DefaultJobs();

// Calls `work(worker, index, output)` for every index in [0, count) on up to
// `jobs` threads, `worker` in [0, min(jobs, count)) naming the thread (so a
// caller can hand each thread an object of its own; one worker runs one
// index at a time). Calls `emit(index, output)` on the calling thread for
// index 0, 1, 2, ... in that order, each as soon as its work and that of
// every index before it is done, so a long list streams. At most a few times
// `jobs` results wait for their turn, so memory stays bounded however slowly
// `emit` writes.
// `after[index]`, when `after` is not empty (then it has `count` entries),
// names an earlier index whose work must be finished before this index's
// work starts, or is `count` (or more) for none: work that claims shared
// names (output files) then claims them in the order of the files.
// With `jobs` <= 1 everything runs on the calling thread, one index after
// the other. An exception thrown by `work` for an index is thrown from here
// after the indexes before it were emitted, as on one thread; one thrown by
// `emit` at once. Either way no later index is emitted, and the threads have
// stopped when it is thrown.
void RunOrdered(
    size_t count, unsigned jobs,
    const std::function<void(unsigned worker, size_t index,
                             FileOutput& output)>& work,
    const std::function<void(size_t index, FileOutput& output)>& emit,
    const std::vector<size_t>& after = {});

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_PARALLEL_H_
