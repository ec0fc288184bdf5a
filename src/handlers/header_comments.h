// Free-text comments: the general comment handler (hosts' own keywords), the
// job-ticket name/value comment and the title.
#ifndef VANTREL_HANDLERS_HEADER_COMMENTS_H_
#define VANTREL_HANDLERS_HEADER_COMMENTS_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

// "KALPPD:" with ParserKALPPD, param 0, no user data.
void RegisterKALPPDSet(ParserContext* context);

// "Title:" with ParserTitle, then "EndComments" with ParserTitleEndComments;
// param 0, no user data. Registered after the document-structure set, the
// title step runs second under "EndComments".
void RegisterTitleSet(ParserContext* context);

// The handlers (CommentHandler protocol). All answer 0 and leave the text
// position where it is.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// Stores the rest of the comment line (at most 256 bytes, blanks kept) as a
// "STRING" property named after the keyword, replacing an earlier one.
VANTREL_COMMENT_HANDLER(GlobalComment);

// "KALPPD:": steps over the first four bytes of the value, takes a name up
// to the next white space, steps over white space (also line ends) and takes
// the value up to the line end; stores the value as a "STRING" property under
// the name, replacing an earlier one. A comment that names nothing is
// ignored.
VANTREL_COMMENT_HANDLER(ParserKALPPD);

// "Title:": the title read so far becomes the pending title (HandlerState);
// "(" and ")" are dropped. Ignored once "Title" is in the property map.
VANTREL_COMMENT_HANDLER(ParserTitle);

// "EndComments": stores the pending title as "Title" ("STRING") and empties
// it.
VANTREL_COMMENT_HANDLER(ParserTitleEndComments);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HEADER_COMMENTS_H_
