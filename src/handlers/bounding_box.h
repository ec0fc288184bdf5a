// The bounding-box comments: ranked box collection during the scan and the
// crop properties made from the box afterwards.
//
// Box comments rank by kind: "BoundingBox" 1, "HiResBoundingBox" 2,
// "PageBoundingBox" 3, "ADO_PaperArea"/"ADO_ImageableArea" 4,
// "ImpostripPressPaperSize" 5. A comment counts only in the header or a
// trailer of the job's own document; in the header a kind ranked no higher
// than the one held is ignored, and "(atend)" defers a kind to the tail pass.
// A box with an area is taken while the box held has no upper corner up and
// right of the origin (both upper coordinates positive); once it has one, it
// is kept: a later, higher-ranked comment only raises the rank (which then
// shuts out lower kinds).
#ifndef VANTREL_HANDLERS_BOUNDING_BOX_H_
#define VANTREL_HANDLERS_BOUNDING_BOX_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

// The collected box, in PostScript points. After SetAtBoundingBox the four
// coordinates hold the crop offsets and sizes in the chosen unit.
struct ParserBoundingBoxStruct {
  float lowerY;  // after conversion: crop height offset
  float lowerX;  // after conversion: crop width offset
  float upperY;  // after conversion: crop height
  float upperX;  // after conversion: crop width
  float rightMargin;
  float topMargin;
  float leftMargin;
  float bottomMargin;
  int32_t rank;         // rank of the box held; 0 while none
  char unit;            // 'I' inches, 'P' points, anything else millimetres
  int32_t awaitedRank;  // rank whose value an "(atend)" deferred; 0 if none
  // Set by SetAtBoundingBox when it stored the crop: the coordinates then
  // hold the crop, which the orientation step reads after the rank went 0.
  int32_t cropStored;
  // The box as the tail pass found it, kept from the first box the tail
  // pass takes: the tail may yet prove that box an embedded document's (see
  // ParserForgetTailBox). tailTentative is set while it is kept.
  struct Held {
    float lowerY, lowerX, upperY, upperX;
    int32_t rank, awaitedRank;
  } beforeTail;
  int32_t tailTentative;
};

namespace vantrel {

// Empties the parse's box record (HandlerState::boundingBox) and sets its
// unit, then registers, with param 1, no user data and no prefix matching,
// in this order: "BoundingBox", "ImpostripPressPaperSize", "ADO_PaperArea",
// "ADO_ImageableArea", "PageBoundingBox", "HiResBoundingBox",
// "HeliosIncludeFont", "FixHWMargins".
void RegisterBoundingBoxSet(ParserContext* context, char unit);

// The handlers (CommentHandler protocol; they work on the box record of
// their context's parse). All answer 0. The value's numbers are read from the
// comment's own line only. REQUIRES: the text at *position is NUL-terminated at
// the end of the data held (context->dataEnd when the context is given).

// "BoundingBox" (rank 1), "HiResBoundingBox" (rank 2), "PageBoundingBox"
// (rank 3): four numbers, the box as given.
VANTREL_COMMENT_HANDLER(ParserBoundingBox);
VANTREL_COMMENT_HANDLER(ParserHiResBoundingBox);
VANTREL_COMMENT_HANDLER(ParserPageBoundingBox);
// "ADO_PaperArea", "ADO_ImageableArea" (rank 4): a b c d gives the box
// -a -b c d.
VANTREL_COMMENT_HANDLER(ParserPaperArea);
// "ImpostripPressPaperSize" (rank 5): w h gives the box 0 0 w h.
VANTREL_COMMENT_HANDLER(ParserPressPaperSize);
// "HeliosIncludeFont": the scan goes on over the whole file (mode and pass
// bits 15).
VANTREL_COMMENT_HANDLER(ParserHeliosIncludeFont);
// "FixHWMargins": left bottom right top; the numbers read replace the
// margins, the rest keep theirs. The last such comment wins.
VANTREL_COMMENT_HANDLER(ParserFixHWMargins);

// The tail pass met the end of an embedded block whose beginning lies
// before the tail: what it read up to there was that block's, not the job's.
// A box the tail pass took from it (an embedded EPS's trailer answering its
// own "(atend)") is given back: the record returns to where the head pass
// left it, so the job's own trailer box is still taken, as a whole-file scan
// takes it. Null is a no-op.
void ParserForgetTailBox(ParserBoundingBoxStruct* box);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_BOUNDING_BOX_H_
