// Page and booklet counts.
#ifndef VANTREL_HANDLERS_PAGES_H_
#define VANTREL_HANDLERS_PAGES_H_

namespace vantrel {

// Stores "NumPages" ("long") with `count`, replacing an earlier one.
// Answers 1.
int saveNumberPages(long count);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PAGES_H_
