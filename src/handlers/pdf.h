// PDF input: a PDF file is refused at its first line ("%PDF-1."), and the
// page messages that PostScript converted from PDF carries ("(%%[Page: 12]%%)")
// feed the "Pages" handlers from the tail pass.
#ifndef VANTREL_HANDLERS_PDF_H_
#define VANTREL_HANDLERS_PDF_H_

#include "engine/scan_record.h"
#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

// "PDF-1", param 0, no user data.
void RegisterPdfSet(ParserContext* context);

// "PDF-1": ends the scan with failure (-1) and the scan status
// VANTREL_SCAN_PDF_REFUSED.
VANTREL_COMMENT_HANDLER(ParserPDF);

// The scanner's hook at "(%%[" in the tail pass; `text` follows the marker.
// A message "Page: N]" hands N (at most 9 characters) to the handlers
// registered for "Pages", as their value text, with no wait index and no
// caller's pointer. Anything else is ignored. Reads nothing past
// context->dataEnd.
void getNumberPagesPSfromPDF(ParserContext* context, CommentStruct* record,
                             char* text);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PDF_H_
