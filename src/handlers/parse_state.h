// The handlers' view of a parse: the state one parse writes, its property
// map and its comment families' working values. A CKalParser takes one when it
// is constructed and gives it back when it is destroyed; the scan engine
// context points at it, so handlers reach it through their context argument.
// Each parse starts from the state the library has when it is loaded, and only
// the thread running the parse touches it, so parses on different threads run
// side by side.
#ifndef VANTREL_HANDLERS_PARSE_STATE_H_
#define VANTREL_HANDLERS_PARSE_STATE_H_

#include <memory>

#include "engine/context.h"
#include "handlers/handler_state.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {

struct ParseState {
  PropertyMap properties;
  HandlerState handlers;
  // Where this parse's trace lines go: the configuration in force when the
  // parse started.
  std::shared_ptr<const TraceSink> trace;
};

// While it lives, the thread's trace lines go where the parse of `context`
// writes them (null context: the configuration in force).
class ParseTraceScope : public TraceScope {
 public:
  explicit ParseTraceScope(ParserContext* context)
      : TraceScope(context != nullptr && context->state != nullptr
                       ? context->state->trace.get()
                       : nullptr) {}
};

// A state at the library-load values, or null when memory is exhausted. The
// memory of states given back is kept for the next parses (a few of them),
// so that a job's page-label table does not first fault in fresh pages;
// what a parse wrote never reaches another.
ParseState* AcquireParseState();
// Gives a state back; null is a no-op.
void ReleaseParseState(ParseState* state);

// The parse state of a handler's context.
// REQUIRES: the context is a parser's (ParserContext::state is set).
inline ParseState& StateOf(ParserContext* context) { return *context->state; }
inline ParseState& StateOf(char* context) {
  return StateOf(reinterpret_cast<ParserContext*>(context));
}
inline PropertyMap& PropertiesOf(char* context) {
  return StateOf(context).properties;
}
inline PropertyMap& PropertiesOf(ParserContext* context) {
  return StateOf(context).properties;
}
inline HandlerState& HandlerVars(char* context) {
  return StateOf(context).handlers;
}
inline HandlerState& HandlerVars(ParserContext* context) {
  return StateOf(context).handlers;
}

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PARSE_STATE_H_
