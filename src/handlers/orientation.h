// Orientation: the "Orientation" and "ViewingOrientation" comments, the
// per-page viewing orientation rules, the Mac client detection
// ("KalMACClient" and the "translate -90 rotate" landscape check that the
// scanner calls) and the orientation that the crop shape gives at the end of
// a scan (CKalParser::setOrientation).
//
// Module-wide state (HandlerState): the ViewingOrientation counter, the Mac
// client flag and the matrix orientation flag, all back to their load values
// (0, false, true) at every parse.
#ifndef VANTREL_HANDLERS_ORIENTATION_H_
#define VANTREL_HANDLERS_ORIENTATION_H_

#include <cstdint>

#include "handlers/comment_handler.h"
#include "vantrel/kal_property.h"

struct ParserContext;

namespace vantrel {

class PropertyMap;
struct HandlerState;

// "Orientation" and "ViewingOrientation", param 0, no user data (the
// ViewingOrientation counter is HandlerState::viewingOrientationCount).
void RegisterOrientationSet(ParserContext* context);
// "KalMACClient", param 0, no user data; sets the scanner's Mac landscape
// calls.
void RegisterMacClientSet(ParserContext* context);

// The handlers (CommentHandler protocol). All answer 0 and leave the text
// position where it was.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "Orientation": "Landscape" when the value begins with that word in any
// letter case ("landscape" too), else "Portrait". From then on matrices no
// longer set "Orientation".
VANTREL_COMMENT_HANDLER(ParserOrientation);
// "ViewingOrientation" (user data: the counter; caller: the
// CRuleKalPropArrArray given to HandleFile, may be null). Ignored inside an
// embedded document unless Helios support is on. Inside page N a rule for
// page N, else the document's "ViewingOrientation"; while no "Orientation"
// comment came, the matrix also sets "Orientation".
VANTREL_COMMENT_HANDLER(ParserViewingOrientation);
// "KalMACClient" (user data: the counter). Unless two or more
// "ViewingOrientation" comments came before it, forgets the orientation
// found so far, takes "ViewingOrientation" and "Orientation" out of the
// keyword table for the rest of the scan and arms the landscape check.
VANTREL_COMMENT_HANDLER(ParserMacClient);

// Stores "Orientation" ("string", 349) with `value` by replacement.
void AddOrientationNewEntry(PropertyMap& properties, const char* value);
// A matrix read inside page record->m_pageLabelCount (> 0) appends a
// one-page rule holding "ViewingOrientation" to `rules` (when not null) and
// marks "MultiViewingOrientation"; outside a page it stores the document's
// "ViewingOrientation" ("string", 268).
void AddViewingOrientationNewEntry(char* context, CommentStruct* record,
                                   CRuleKalPropArrArray* rules,
                                   const char* value);
// Stores `key` ("string", `id`) with `value` by replacement.
void AddNewStrEntry(PropertyMap& properties, const char* key, int id,
                    const char* value);
// Removes `key` from the property map, if there.
void removeKey(PropertyMap& properties, const char* key);

// The scanner's landscape check at a "translate" (hook): once a Mac client
// was detected, "translate -90 rotate" makes the job landscape. Answers 1
// when it did (the scanner then stops looking), else 0. Reads at most 20
// bytes at `text`, never past context->dataEnd when a context is given.
int MacLandscapeCheck(ParserContext* context, CommentStruct* record,
                      char* text);
// Whether the landscape check can answer 1: only after a Mac client was
// detected. The scanner does not look for "translate" otherwise.
bool MacLandscapeArmed(ParserContext* context, CommentStruct* record);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_ORIENTATION_H_
