// Separations: recognising a pre-separated job (each colour plate of a
// printed page written as a page of its own), telling which plates belong to
// one printed page, and writing one rule per printed page with its number of
// plates ("NumberOfSeparations"); the job is marked "PreSeparatedMode" and
// gets the bit 2 of "OPIDCS".
//
// The scan record's m_separationMode says which comments drive the count:
// 1 "PlateColor" (set by the creator handler for known applications), 2 the
// label number of "Page" comments, later "LogicalPage", 3 "QRKPageBegin",
// 4 "KALmpPlateColor". A page's rule is written only when a plate colour
// comment marked it (m_separated). The handlers take "Page" (and in mode 4
// "PlateColor") out of the keyword table once another comment drives the
// count; they stay out for the rest of the scan.
#ifndef VANTREL_HANDLERS_SEPARATIONS_H_
#define VANTREL_HANDLERS_SEPARATIONS_H_

#include "engine/scan_record.h"
#include "handlers/comment_handler.h"
#include "vantrel/kal_property.h"

struct ParserContext;

namespace vantrel {

class PropertyMap;
struct HandlerState;

// Plate colour names longer than this are cut to it before they are
// compared or kept.
constexpr int kPlateColorMaxLength = 63;
constexpr int kPlateColorSlots = 32;

// "Page" (chained behind any handler already registered for it),
// "LogicalPage", "QRKPageBegin", "PlateColor", "KALmpPlateColor"; param 0, no
// user data.
void RegisterSeparationSet(ParserContext* context);

// The handlers (CommentHandler protocol; caller: the CRuleKalPropArrArray
// given to HandleFile, may be null). All answer 0 and move the text position
// past the value they read.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "Page": in mode 2 the label number (first number) identifies the printed
// page; a first "Page" with a label switches mode 0 to 2. Not in the tail
// pass.
VANTREL_COMMENT_HANDLER(ParserPageSeparations);
// "LogicalPage": takes "Page" out of the table; in mode 2 its number
// identifies the printed page. Not in the tail pass.
VANTREL_COMMENT_HANDLER(ParserLogicalPage);
// "QRKPageBegin": switches to mode 3; each comment counts one plate of the
// page its number names. Not in the tail pass.
VANTREL_COMMENT_HANDLER(ParserQRKPageBegin);
// "PlateColor": marks the page separated (any mode); in mode 1 a colour name
// that repeats (case ignored) closes the page.
VANTREL_COMMENT_HANDLER(ParserPlateColor);
// "KALmpPlateColor": as "PlateColor" in mode 4, to which it switches; the
// "Composite" plate is ignored.
VANTREL_COMMENT_HANDLER(ParserKALmpPlateColor);

// Appends the separations rule of the record's current page when a plate
// colour was seen since the last one, merges bit 2 into "OPIDCS", stores
// "PreSeparatedMode" once, and clears the record's flag. `rules` may be null
// (no rule is appended then).
void saveSeparations(PropertyMap& properties, CRuleKalPropArrArray* rules,
                     CommentStruct* record);

// The plate colour table of the record. Record answers true when `colour`
// (cut to kPlateColorMaxLength) repeats a colour of the table, case ignored:
// the table then holds that colour alone. Otherwise the colour is kept in the
// first free slot, if any.
void ClearPlateColors(CommentStruct* record);
bool RecordPlateColor(CommentStruct* record, const char* colour);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_SEPARATIONS_H_
