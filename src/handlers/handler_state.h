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
#include <string>
#include <unordered_set>

#include "handlers/bounding_box.h"
#include "vantrel/kal_property.h"

namespace vantrel {

constexpr int kCreatorTextSize = 257;  // 256 characters and a NUL

struct HandlerState {
  // Bounding box and crop.
  ParserBoundingBoxStruct boundingBox{};

  // Creator: the accepted Creator value, "atend" while deferred.
  char creatorText[kCreatorTextSize] = {};

  // Pages: the page-count value (user data of "Pages", "PagesPerBooklet"
  // and the first "BookletPages"): the last number converted, -1 while an
  // (atend) count is awaited, -2 once a "Pages" comment met a stored count.
  int32_t pageCountValue = 0;
  // The page-label flag: -1 empty the label set at the next "Page", 0
  // collecting, 1 a label came twice (further "Page" comments ignored).
  // HandleFile sets it to -1 at the end of every scan.
  int32_t pageLabelFlag = 0;
  // The texts of this scan's "Page" comments, compared as exact bytes; only
  // whether a text came before matters, so no order is kept.
  std::unordered_set<std::string> pageLabels;
  // Booklets: the last "NumberOfBooklets" number converted, and the last
  // "VariablePagesPerBooklet" answer (1 for "true", else 0).
  int32_t bookletCount = 0;
  uint8_t variableBooklets = 0;

  // Copies: the last count taken from the file. AddNumCopiesComment sets it
  // to 1; a count is taken only while it is 1 or less.
  int32_t copiesCounter = 0;

  // Title: the title read so far, not yet in the property map.
  std::unique_ptr<CKalProperty> pendingTitle;
};

// The module-wide state.
HandlerState& HandlerVars();

// Back to the library-load values.
void ResetHandlerState();

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HANDLER_STATE_H_
