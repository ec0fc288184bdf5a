// Page and booklet counts: "NumPages", the page labels of "Page" comments,
// the maker's "KAL_Pages", and the booklet properties and rules.
#ifndef VANTREL_HANDLERS_PAGES_H_
#define VANTREL_HANDLERS_PAGES_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

class PropertyMap;
struct HandlerState;

// Registers, in this order: "Pages" (param kCountsPages), "Page",
// "KAL_Pages", "PagesPerBooklet", "BookletPages", "NumberOfBooklets",
// "VariablePagesPerBooklet", "BookletPages" again; no user data: the
// handlers keep their values in the pages family's HandlerState. Sets the
// scanner's EPS page count call (ParserNumPages with param 0, which stores
// an EPS file's one page and nothing else).
void RegisterPagesSet(ParserContext* context);
// The param of the registered "Pages": the count is the job's.
constexpr long kCountsPages = 1;

// Checks the page texts that the page-label handler took since the last
// check; on a repeat sets the page-label flag (`flag`, or the module's when
// null) to 1 and the record's m_pageLabelCount to -2. The handler checks its
// texts in batches, so this runs before anything reads m_pageLabelCount or
// the flag: the answer is then as if each text had been checked when it came.
void ResolvePageLabels(HandlerState& state, CommentStruct* record,
                       int32_t* flag = nullptr);

// Stores "NumPages" ("long") with `count`, replacing an earlier one.
// Answers 1.
int saveNumberPages(PropertyMap& properties, long count);

// The handlers (CommentHandler protocol). All answer 0.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "Pages" (the page-count value). In an EPS file stores "NumPages" 1
// whatever the value says; the scanner also calls it at an EPS "%!" line,
// with no position and param 0, where it does nothing else. Otherwise the first
// count that the header or trailer states is stored ("(atend)" defers it to the
// trailer and schedules the tail pass when the whole file is not read); a
// later "Pages" comment sets the page-count value to -2. The count 63 is
// never stored. Moves the text position past the value.
VANTREL_COMMENT_HANDLER(ParserNumPages);
// "Page" (the page-label flag): collects the rest of the line;
// at a text seen before, sets the flag to 1 and the record's
// m_pageLabelCount to -2. Leaves the text position.
VANTREL_COMMENT_HANDLER(ParserPageLabel);
// "KAL_Pages" (HandlerState::kalPages, -1 when none): the first
// number wins; HandleFile stores it. Leaves the text position.
VANTREL_COMMENT_HANDLER(ParserKalPages);
// "PagesPerBooklet" (the page-count value): stores
// "PagesPerBooklet" ("long"). Moves the text position.
VANTREL_COMMENT_HANDLER(ParserNumPagesPerBooklet);
// "NumberOfBooklets" (the booklet count): stores
// "NumberOfBooklets" ("long"). Moves the text position.
VANTREL_COMMENT_HANDLER(ParserNumberOfBooklets);
// "VariablePagesPerBooklet" (the variable-booklet byte): stores
// "VariablePagesPerBooklet" ("bool"), 1 for exactly "true". Moves the text
// position.
VANTREL_COMMENT_HANDLER(ParserVariablePagesPerBooklet);
// "BookletPages": "b p" appends a booklet rule (layer 2, type 2, booklet b)
// holding "PagesPerBooklet" (id 289) = p to the caller's container (argument
// 11, a CRuleKalPropArrArray). Moves the text position, so the second
// registration finds nothing more on the line.
VANTREL_COMMENT_HANDLER(ParserBookletPages);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PAGES_H_
