// Free-text comments: the general comment handler (hosts' own keywords), the
// job-ticket name/value comment and the title.
#ifndef VANTREL_HANDLERS_HEADER_COMMENTS_H_
#define VANTREL_HANDLERS_HEADER_COMMENTS_H_

#include <cstdint>

#include "handlers/comment_handler.h"

namespace vantrel {

// Stores the rest of the comment line (at most 256 bytes, blanks kept) as a
// "STRING" property named after the keyword, replacing an earlier one.
VANTREL_COMMENT_HANDLER(GlobalComment);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HEADER_COMMENTS_H_
