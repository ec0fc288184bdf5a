// Where the scan stands in the document (header, body, trailer, embedded
// documents), the creation date, and the creating application.
//
// The structure handlers keep m_headerState, m_endCommentsSeen,
// m_trailerSeen and m_documentDepth of the scan record, which other comment
// families read to tell the job's own header and trailer from the body and
// from embedded documents.
#ifndef VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
#define VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

// "EndComments", "Trailer", "BeginDocument", "EndDocument" and, when
// `creation_date` is set, "CreationDate", in this order, param 0, no user
// data. Without "CreationDate" the set stores no property: it only tells the
// header, body, trailer and embedded documents apart.
void RegisterDocumentStructureSet(ParserContext* context,
                                  bool creation_date = true);

// "Creator" and "ALDCreator", with `creator_text` (kCreatorTextSize bytes) as
// user data; empties the text first. `creator_text` must outlive the scan.
void RegisterCreatorSet(ParserContext* context, char* creator_text);

// The handlers (CommentHandler protocol). All answer 0.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "EndComments": the header has ended (header state 0).
VANTREL_COMMENT_HANDLER(ParserEndComments);
// "Trailer": the trailer begins (header state 2).
VANTREL_COMMENT_HANDLER(ParserTrailer);
// "BeginDocument" / "EndDocument": one level of embedded document deeper /
// shallower; never below 0.
VANTREL_COMMENT_HANDLER(ParserBeginDocument);
VANTREL_COMMENT_HANDLER(ParserEndDocument);
// "CreationDate": stores "CreationDate" ("string", 536) unless the map
// already holds one; the first date in the file is final.
VANTREL_COMMENT_HANDLER(ParserCreationDate);
// "Creator", "ALDCreator" (user data: the creator text). The first header
// value is kept; "(atend)" defers it to the trailer. Known applications set
// the record's separation mode to 1, even when their value is not kept.
// Stores "Creator" ("string", 3) by replacement.
VANTREL_COMMENT_HANDLER(ParserCreator);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
