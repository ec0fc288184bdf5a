#include "handlers/handler_state.h"

namespace vantrel {

HandlerState& HandlerVars() {
  static HandlerState* state =
      new HandlerState;  // lives as long as the process
  return *state;
}

void ResetHandlerState() { HandlerVars() = HandlerState{}; }

}  // namespace vantrel
