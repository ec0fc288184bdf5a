// The number of copies: five ways a print file can ask for copies, kept as
// one count ("CopiesNumber"), and the raw first parenthesised term of every
// "Requirements:" comment ("TB_Use_Num_Copies").
#ifndef VANTREL_HANDLERS_COPIES_H_
#define VANTREL_HANDLERS_COPIES_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

class PropertyMap;
struct HandlerState;

// Sets the parse's copies counter (HandlerState::copiesCounter) to 1, then
// registers "Requirements:" (numcopies term), "RBINumCopies:",
// "BeginNonPPDFeature: NumCopies ", "BeginFeature:" + LF + "/#copies " and
// "BeginFeature:" + CR + "/#copies " (plain count), param 0, and
// "Requirements:" again with NumCopies (param 21); no user data.
void RegisterNumCopiesSet(ParserContext* context);

// Stores "CopiesNumber" ("int", 237) with `copies`, replacing an earlier one.
void numberOfCopies(PropertyMap& properties, int32_t copies);

// The handlers (CommentHandler protocol). All answer 0 and leave the text
// position where it is. The first two take a count only while the counter
// (user data) is 1 or less, so the first count above 1 in the file wins.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// The number of the comment's line; a 0 or no number changes nothing.
VANTREL_COMMENT_HANDLER(ParserCopiesCount);
// The number after "numcopies" and one more byte in the value.
VANTREL_COMMENT_HANDLER(ParserNumCopiesTerm);
// Stores "TB_Use_Num_Copies" ("int", text value): the first parenthesised
// run within 256 bytes of the value, across line ends; empty when none.
VANTREL_COMMENT_HANDLER(NumCopies);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_COPIES_H_
