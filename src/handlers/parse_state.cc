#include "handlers/parse_state.h"

#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace vantrel {

namespace {

// States kept for reuse. Bounded, so that a burst of parallel parses does
// not keep its memory for ever.
constexpr size_t kKeptStates = 8;

struct StatePool {
  std::mutex mutex;
  std::vector<ParseState*> kept;
};

StatePool& Pool() {
  static StatePool* pool = new StatePool;  // hosts may parse during exit
  return *pool;
}

// Back to the library-load values. The page-label set keeps its storage
// (emptied).
void Reset(ParseState& state) {
  state.properties.Clear();
  state.trace.reset();
  PageLabelSet labels = std::move(state.handlers.pageLabels);
  labels.Clear();
  state.handlers = HandlerState{};
  state.handlers.pageLabels = std::move(labels);
}

}  // namespace

ParseState* AcquireParseState() {
  ParseState* state = nullptr;
  {
    StatePool& pool = Pool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (!pool.kept.empty()) {
      state = pool.kept.back();
      pool.kept.pop_back();
    }
  }
  if (state == nullptr) return new (std::nothrow) ParseState;
  return state;
}

void ReleaseParseState(ParseState* state) {
  if (state == nullptr) return;
  try {
    Reset(*state);
    StatePool& pool = Pool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.kept.size() < kKeptStates) {
      pool.kept.reserve(kKeptStates);
      pool.kept.push_back(state);
      return;
    }
  } catch (...) {
    // Out of memory while keeping it: free it instead.
  }
  delete state;
}

}  // namespace vantrel
