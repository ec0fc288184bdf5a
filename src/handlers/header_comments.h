// Free-text comments: the general comment handler (hosts' own keywords), the
// job-ticket name/value comment and the title.
#ifndef VANTREL_HANDLERS_HEADER_COMMENTS_H_
#define VANTREL_HANDLERS_HEADER_COMMENTS_H_

#include <cstdint>

#include "vantrel/kal_parser.h"

namespace vantrel {

// Stores the rest of the comment line (at most 256 bytes, blanks kept) as a
// "STRING" property named after the keyword, replacing an earlier one.
int64_t GlobalComment(char* context, CommentStruct* record, long param,
                      char* keyword, char** position, char* comment_start,
                      int64_t continuation, int64_t value_offset,
                      long* wait_index, void* user_data, void* caller);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_HEADER_COMMENTS_H_
