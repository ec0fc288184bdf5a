#include "parallel.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace vantrel_cli {

namespace {

// Results allowed to wait for their turn, per thread: enough that a thread
// never idles behind one long file while the writer keeps up, few enough
// that a list of thousands of files is not held in memory.
constexpr size_t kWaitingPerJob = 4;

// The work of an index that failed is not emitted; the indexes before it
// still are, as a run on one thread would have emitted them before failing.
class OrderedRun {
 public:
  OrderedRun(size_t count, unsigned jobs, const std::vector<size_t>& after)
      : count_(count),
        window_(static_cast<size_t>(jobs) * kWaitingPerJob),
        after_(after),
        outputs_(count),
        done_(count, false),
        failed_index_(count) {}

  // One thread's loop: takes the next index while the window allows.
  template <typename Work>
  void Worker(unsigned worker, const Work& work) {
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock,
                      [&] { return Finished() || next_ < emitted_ + window_; });
        if (Finished()) return;
        index = next_++;
        if (!after_.empty() && after_[index] < index) {
          // The index waited for is before this one, so it is taken already.
          const size_t before = after_[index];
          changed_.wait(lock, [&] {
            return stop_ || done_[before] || index > failed_index_;
          });
          if (!done_[before]) return;
        }
      }
      FileOutput output;
      try {
        work(worker, index, output);
      } catch (...) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (index < failed_index_) {
            failed_index_ = index;
            failure_ = std::current_exception();
          }
        }
        changed_.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        outputs_[index] = std::move(output);
        done_[index] = true;
      }
      changed_.notify_all();
    }
  }

  // The calling thread's loop: hands each result on in order.
  template <typename Emit>
  void Writer(const Emit& emit) {
    for (size_t index = 0; index < count_; ++index) {
      FileOutput output;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock,
                      [&] { return done_[index] || index == failed_index_; });
        if (!done_[index]) {
          StopLocked();
          return;
        }
        output = std::move(outputs_[index]);
        outputs_[index] = FileOutput();
      }
      try {
        emit(index, output);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        StopLocked();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        emitted_ = index + 1;
      }
      changed_.notify_all();
    }
  }

  void RethrowFailure() {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  // No index is left to start (all taken, one failed, or the run stopped).
  bool Finished() const {
    return stop_ || next_ >= count_ || next_ > failed_index_;
  }

  void StopLocked() {
    stop_ = true;
    changed_.notify_all();
  }

  const size_t count_;
  const size_t window_;
  const std::vector<size_t>& after_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by mutex_, as is everything below.
  std::vector<FileOutput> outputs_;
  std::vector<bool> done_;
  size_t next_ = 0;      // the next index to start
  size_t emitted_ = 0;   // indexes handed to emit
  size_t failed_index_;  // the first index whose work threw; count_: none
  bool stop_ = false;
  std::exception_ptr failure_;
};

}  // namespace

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

void RunOrdered(
    size_t count, unsigned jobs,
    const std::function<void(unsigned worker, size_t index,
                             FileOutput& output)>& work,
    const std::function<void(size_t index, FileOutput& output)>& emit,
    const std::vector<size_t>& after) {
  const size_t threads = std::min<size_t>(jobs, count);
  if (threads <= 1) {
    for (size_t index = 0; index < count; ++index) {
      FileOutput output;
      work(0, index, output);
      emit(index, output);
    }
    return;
  }
  OrderedRun run(count, jobs, after);
  std::vector<std::thread> pool;
  pool.reserve(threads);
  try {
    for (size_t t = 0; t < threads; ++t) {
      pool.emplace_back(
          [&run, &work, t] { run.Worker(static_cast<unsigned>(t), work); });
    }
  } catch (...) {
    // A thread could not be started: the ones that run finish the list.
    if (pool.empty()) throw;
  }
  run.Writer(emit);
  for (std::thread& thread : pool) thread.join();
  run.RethrowFailure();
}

}  // namespace vantrel_cli
