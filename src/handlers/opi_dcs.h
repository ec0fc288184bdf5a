// OPI image references and DCS plate files: any such comment marks the job
// in "OPIDCS" (bits 0x30, merged with the bits the separations step keeps
// there), and a DCS plate whose colour is not a process colour marks it as
// needing GAP mode ("IsGapFile": stored as the flag 1 with no type name and
// no identifier, so it reads back, and reaches the pairs, as a flag).
//
// Module-wide state (HandlerState): the OPI/DCS flag word, 0 at every parse.
#ifndef VANTREL_HANDLERS_OPI_DCS_H_
#define VANTREL_HANDLERS_OPI_DCS_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

class PropertyMap;

// Plate names longer than this are cut to it.
constexpr int kPlateNameMax = 63;

// Sets the parse's flags (HandlerState::opiDcsFlags) to 0, then registers,
// param 0, no user data: "ALDImageFileName:", "ALDImageDimensions:",
// "ALDImageCropRect:", "ALDImagePosition:", "BeginOPI:", "HeliosIncludeEPS"
// (OPI) and "CyanPlate", "MagentaPlate", "YellowPlate", "BlackPlate",
// "PlateFile" (DCS).
void RegisterOpiDcsSet(ParserContext* context);

// Stores `bits` as "OPIDCS", together with the bits an earlier "OPIDCS"
// holds (the OPI and DCS comments and the separations step share the word).
// Answers the merged word; `bits` alone when no record could be made.
int StoreOpiDcsBits(PropertyMap& properties, int bits);

// The handlers (CommentHandler protocol; user data: the flag word). Both
// answer 0 and leave the text position where it was.

// OPI comments: mark "OPIDCS".
VANTREL_COMMENT_HANDLER(ParserOPIGeneral);
// DCS comments: mark "OPIDCS"; outside embedded documents, the plate name
// (the text in the first parentheses from the value on, which may lie on a
// later line; the search and the name end kNearEndMargin bytes after the
// comment's start, so that chunking never changes the answer, and never
// pass context->dataEnd) other than "Cyan", "Magenta",
// "Yellow" or "Black" (case matters) sets "IsGapFile".
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).
VANTREL_COMMENT_HANDLER(ParserDCSGeneral);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_OPI_DCS_H_
