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

// "Title:" with ParserTitle, then "EndComments" with ParserTitleEndComments,
// then the comments that only stand after the job's header (the opening
// comments of the prolog, the setup, the defaults, a page, the trailer and
// every embedded document or resource, and the ends of the prolog and the
// setup) with ParserTitleHeaderOver; param 0, no user data. Registered after
// the document-structure set, these title steps run last under their
// keywords.
void RegisterTitleSet(ParserContext* context);

// Stores the pending title, if any, as "Title" and empties it: the job's
// header ended without "EndComments" and without a comment of the body (the
// scan ended). Called among the finishing steps of every scan.
void StorePendingTitle(char* context);

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
// "(" and ")" are dropped. Only the job's own header names the job: ignored
// once the header has ended (see RegisterTitleSet), inside an embedded
// document or resource, and once "Title" is in the property map.
VANTREL_COMMENT_HANDLER(ParserTitle);

// "EndComments" of the job's own document: the header has ended; stores the
// pending title as "Title" ("STRING") and empties it. An embedded block's
// "EndComments" changes nothing.
VANTREL_COMMENT_HANDLER(ParserTitleEndComments);

// A comment that only stands after the job's header: the header has ended
// for the title, as with "EndComments"; stores the pending title.
VANTREL_COMMENT_HANDLER(ParserTitleHeaderOver);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HEADER_COMMENTS_H_
