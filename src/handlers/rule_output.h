// The rules that comment handlers append to the caller's container during a
// scan: page ranges and booklets. Each has rule type 2 and holds one
// property.
#ifndef VANTREL_HANDLERS_RULE_OUTPUT_H_
#define VANTREL_HANDLERS_RULE_OUTPUT_H_

#include "vantrel/kal_property.h"

namespace vantrel {

// Appends to `rules` (nothing when null) an array holding `property` under a
// rule of layer 101 for the pages `first` to `last`, as given.
void AppendPageRangeRule(CRuleKalPropArrArray* rules, unsigned first,
                         unsigned last, const CKalProperty& property);

// The same under a rule of layer 2 for booklet `booklet`.
void AppendBookletRule(CRuleKalPropArrArray* rules, unsigned booklet,
                       const CKalProperty& property);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_RULE_OUTPUT_H_
