// Where the scan stands in the document (header, body, trailer, embedded
// documents), the creation date, and the creating application.
#ifndef VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
#define VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_

struct ParserContext;

namespace vantrel {

// "EndComments", "Trailer", "BeginDocument", "EndDocument", "CreationDate".
void RegisterDocumentStructureSet(ParserContext* context);

// "Creator" and "ALDCreator", with `creator_text` (kCreatorTextSize bytes) as
// user data; empties the text first.
void RegisterCreatorSet(ParserContext* context, char* creator_text);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_DOCUMENT_STRUCTURE_H_
