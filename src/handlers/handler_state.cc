#include "handlers/handler_state.h"

#include <utility>

namespace vantrel {

HandlerState& HandlerVars() {
  static HandlerState* state =
      new HandlerState;  // lives as long as the process
  return *state;
}

void ResetHandlerState() {
  // The page-label set keeps its storage (emptied), so that each job's pages
  // do not first fault in fresh memory.
  PageLabelSet labels = std::move(HandlerVars().pageLabels);
  labels.Clear();
  HandlerVars() = HandlerState{};
  HandlerVars().pageLabels = std::move(labels);
}

}  // namespace vantrel
