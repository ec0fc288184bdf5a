// Module-wide working state of the comment handlers, kept in one place.
//
// Each comment family keeps here what it hands its handlers as user data or
// carries from one comment to the next. Everything is reset to its
// library-load value when a CKalParser is constructed (ResetHandlerState), so
// no parse sees what an earlier parse left; the registration calls then set
// what their comment set needs. Touched only by the thread that holds the
// parse lock.
#ifndef VANTREL_HANDLERS_HANDLER_STATE_H_
#define VANTREL_HANDLERS_HANDLER_STATE_H_

#include <cstdint>
#include <memory>

#include "handlers/bounding_box.h"
#include "vantrel/kal_property.h"

namespace vantrel {

constexpr int kCreatorTextSize = 257;  // 256 characters and a NUL

struct HandlerState {
  // Bounding box and crop.
  ParserBoundingBoxStruct boundingBox{};

  // Creator: the accepted Creator value, "atend" while deferred.
  char creatorText[kCreatorTextSize] = {};

  // Pages: the page-count value and the page-label flag.
  int32_t pageCountValue = 0;
  int32_t pageLabelFlag = 0;

  // Title: the title read so far, not yet in the property map.
  std::unique_ptr<CKalProperty> pendingTitle;
};

// The module-wide state.
HandlerState& HandlerVars();

// Back to the library-load values.
void ResetHandlerState();

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HANDLER_STATE_H_
