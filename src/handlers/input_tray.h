// Page-range properties: an "InputSlotTray" comment asks for a property
// (a paper tray, a media type, ...) on a range of pages. Each accepted
// comment appends one page-range rule to the caller's container; nothing
// goes into the property map.
#ifndef VANTREL_HANDLERS_INPUT_TRAY_H_
#define VANTREL_HANDLERS_INPUT_TRAY_H_

#include "handlers/comment_handler.h"
#include "vantrel/kal_property.h"

struct ParserContext;

namespace vantrel {

// Words of an "InputSlotTray" value longer than this are cut to it.
constexpr int kPageRangeWordMax = 63;

// "InputSlotTray", param 0, no user data.
void RegisterInputTraySet(ParserContext* context);

// "InputSlotTray" (caller: the CRuleKalPropArrArray given to HandleFile; with
// a null caller nothing is appended). The value "KEY VALUE FIRST LAST", for
// instance "MediaType Glossy 2 4", appends one rule; a value short of any
// field appends nothing. Answers 0 and moves the text position past the
// value.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).
VANTREL_COMMENT_HANDLER(ParserInputSlotTray);

// Appends to `rules` a rule of layer 101 and type 2 for the pages `begin` to
// `end` (as given, unchecked) holding the property `key` with the text
// `value`.
void savePageRangeProperty(CRuleKalPropArrArray* rules, const char* key,
                           const char* value, int begin, int end);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_INPUT_TRAY_H_
