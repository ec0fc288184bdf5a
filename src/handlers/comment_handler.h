// Declaring comment handlers.
#ifndef VANTREL_HANDLERS_COMMENT_HANDLER_H_
#define VANTREL_HANDLERS_COMMENT_HANDLER_H_

#include <cstdint>

#include "vantrel/kal_parser.h"

// Declares a function with the CommentHandler signature (see
// <vantrel/kal_parser.h> for what each argument carries). Definitions spell
// the arguments out, leaving the unused ones unnamed.
#define VANTREL_COMMENT_HANDLER(name)                                        \
  int64_t name(char* context, CommentStruct* record, long param,             \
               char* keyword, char** position, char* comment_start,          \
               int64_t continuation, int64_t value_offset, long* wait_index, \
               void* user_data, void* caller)

#endif  // VANTREL_HANDLERS_COMMENT_HANDLER_H_
