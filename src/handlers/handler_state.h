// The working state of the comment handlers, kept in one place.
//
// Each comment family keeps here what it hands its handlers as user data or
// carries from one comment to the next. Every parse owns one (in its
// ParseState, reached through the handlers' context), at its library-load
// values when the parse starts, so no parse sees what another left; the
// registration calls then set what their comment set needs. Only the thread
// running the parse touches it.
#ifndef VANTREL_HANDLERS_HANDLER_STATE_H_
#define VANTREL_HANDLERS_HANDLER_STATE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "handlers/bounding_box.h"
#include "handlers/custom_colors.h"
#include "handlers/page_index.h"
#include "handlers/page_labels.h"
#include "vantrel/kal_property.h"

namespace vantrel {

class CheckState;

constexpr int kCreatorTextSize = 257;  // 256 characters and a NUL

struct HandlerState {
  // Bounding box and crop.
  ParserBoundingBoxStruct boundingBox{};

  // Creator: the accepted Creator value, "atend" while deferred.
  char creatorText[kCreatorTextSize] = {};

  // The handlers reach every value here through their context
  // (HandlerVars), never through user data: the keyword tables are shared
  // by every parse of the process and hold no pointer into one parse.

  // Pages: the page-count value (of "Pages", "PagesPerBooklet"): the last
  // number converted, -1 while an (atend) count is awaited, -2 once a "Pages"
  // comment met a stored count.
  int32_t pageCountValue = 0;
  // The page-label flag: -1 empty the label set at the next "Page", 0
  // collecting, 1 a label came twice (further "Page" comments ignored).
  // HandleFile sets it to -1 at the end of every scan.
  int32_t pageLabelFlag = 0;
  // The texts of this scan's "Page" comments, compared as exact bytes; only
  // whether a text came before matters, so no order is kept.
  PageLabelSet pageLabels;
  // Booklets: the last "NumberOfBooklets" number converted, and the last
  // "VariablePagesPerBooklet" answer (1 for "true", else 0).
  int32_t bookletCount = 0;
  uint8_t variableBooklets = 0;
  // The first "KAL_Pages" count, -1 while none came; HandleFile stores it.
  // Kept for the parser's whole life, as CKalParser always kept it.
  int32_t kalPages = -1;

  // Copies: the last count taken from the file. AddNumCopiesComment sets it
  // to 1; a count is taken only while it is 1 or less.
  int32_t copiesCounter = 0;

  // Title: the title read so far, not yet in the property map; and whether
  // the job's header has ended for the title ("EndComments", or the first
  // comment that only stands after the header), after which no title is
  // read.
  std::unique_ptr<CKalProperty> pendingTitle;
  bool titleHeaderOver = false;

  // Orientation: the "ViewingOrientation" comments taken so far (read by
  // "KalMACClient"); whether a "KalMACClient"
  // comment marked the job as written by a Mac client; whether a
  // "ViewingOrientation" matrix may still set "Orientation" (until the first
  // "Orientation" comment).
  int32_t viewingOrientationCount = 0;
  bool macClient = false;
  bool matrixOrientation = true;

  // OPI and DCS: the bits that "OPIDCS" carries (set by the OPI and DCS
  // comments).
  uint16_t opiDcsFlags = 0;

  // Custom colours: the names of the "DocumentCustomColors" and
  // "CMYKCustomColor" comments, in order of arrival, without duplicates. Both
  // start empty at every parse, so no job's colours reach another's.
  ColorList documentColors;
  ColorList cmykColors;

  // DEX tickets: how many this parse wrote, and the first counter the next
  // ticket's name tries (the names before it are taken by this job's
  // earlier tickets, or were taken before).
  int32_t dexTickets = 0;
  int dexNextCounter = 0;

  // Page index: the report of the pages road and what its comments carry;
  // made by AddPageIndexComments, null on the other roads.
  std::unique_ptr<PageIndexState> pageIndex;
  // The checker of the check road (AddCheckComments), null on every other
  // road: its findings, document stack and line count.
  std::shared_ptr<CheckState> check;
};

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HANDLER_STATE_H_
