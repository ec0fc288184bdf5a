// Where the scan stands in the document (header, body, trailer, embedded
// documents and resources), the creation date, and the creating application.
//
// The structure handlers keep m_headerState, m_endCommentsSeen,
// m_trailerSeen, m_documentDepth and m_jobHeaderState of the scan record,
// which other comment families read to tell the job's own header and trailer
// from the body and from embedded documents and resources. Those speak only
// for themselves: the comments inside them never end, reopen or close the
// job's header, and m_headerState tells where the scan stands in the
// innermost one.
#ifndef VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
#define VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct CommentStruct;
struct ParserContext;

namespace vantrel {

// The comments that open an embedded document or resource, and the ones that
// close it, kind by kind: documents and included files first, then
// resources. Blocks of every kind nest in one depth (m_documentDepth): an end
// of any kind closes the innermost block, so mixed blocks balance even when a
// producer closes one kind with another's end.
constexpr int kEmbeddedBlockKinds = 5;
constexpr int kEmbeddedDocumentKinds = 2;
extern const char* const kEmbeddedBlockBeginKeys[kEmbeddedBlockKinds];
extern const char* const kEmbeddedBlockEndKeys[kEmbeddedBlockKinds];

// "EndComments", "Trailer", "Page", the comments that open and close an
// embedded document or resource (kEmbeddedBlockBeginKeys and
// kEmbeddedBlockEndKeys) and, when `creation_date` is set, "CreationDate",
// param 0, no user data. Without "CreationDate" the set
// stores no property: it only tells the header, body, trailer and embedded
// documents and resources apart.
void RegisterDocumentStructureSet(ParserContext* context,
                                  bool creation_date = true);

// "Creator" and "ALDCreator", param 0, no user data; empties the parse's
// creator text (HandlerState::creatorText) first.
void RegisterCreatorSet(ParserContext* context);

// The handlers (CommentHandler protocol). All answer 0.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "EndComments": the header has ended (header state 0). Inside an embedded
// document or resource it ends that block's header only: the job's header
// has not ended (m_endCommentsSeen stays).
VANTREL_COMMENT_HANDLER(ParserEndComments);
// "Trailer": the trailer begins (header state 2); inside an embedded
// document, that document's trailer (m_trailerSeen stays). A resource holds
// no trailer: the resources open at a "Trailer" (or a "Page", see
// ParserStructurePage) were left unclosed by their producer and are closed
// there first.
VANTREL_COMMENT_HANDLER(ParserTrailer);
// "Page": closes the resources left open (see ParserTrailer).
VANTREL_COMMENT_HANDLER(ParserStructurePage);
// An opening comment of kEmbeddedBlockBeginKeys: one level deeper, a
// document (ParserBeginDocument) or a resource (ParserBeginResource). The
// job's header state is kept aside at the first level; the block is in no
// header until its own "%!" line.
VANTREL_COMMENT_HANDLER(ParserBeginDocument);
VANTREL_COMMENT_HANDLER(ParserBeginResource);
// A closing comment of kEmbeddedBlockEndKeys: one level shallower, never
// below 0. Back at level 0 the job's header state is given back.
VANTREL_COMMENT_HANDLER(ParserEndDocument);
// "CreationDate": stores "CreationDate" ("string", 536) unless the map
// already holds one; the first date of the job's own document is final, an
// embedded block's date is never the job's.
VANTREL_COMMENT_HANDLER(ParserCreationDate);
// "Creator", "ALDCreator" (user data: the creator text). The first header
// value is kept; "(atend)" defers it to the trailer. Known applications set
// the record's separation mode to 1, even when their value is not kept.
// Stores "Creator" ("string", 3) by replacement.
VANTREL_COMMENT_HANDLER(ParserCreator);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
