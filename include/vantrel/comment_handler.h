// The comment handler: the function a comment set registers for a keyword.
#ifndef VANTREL_COMMENT_HANDLER_H_
#define VANTREL_COMMENT_HANDLER_H_

#include <stdint.h>

struct CommentStruct;

// A comment handler. Arguments, in order: the scan context (opaque), the scan
// record, the entry's param, the keyword text, the text position (points at
// the value; the handler may move it forward), the start of the comment (its
// first "%"), the continuation flag (1 for a "%%+" line), the value's file
// offset, the wait index (null on calls that the scanner makes on its own),
// the entry's user data, and the caller's pointer (the container given to
// HandleFile).
// Result: -1 ends the scan with failure; 0 goes on at the text position; a
// positive file offset skips the scan to that offset.
typedef int64_t (*CommentHandler)(char* context, CommentStruct* record,
                                  long param, char* keyword, char** position,
                                  char* comment_start, int64_t continuation,
                                  int64_t value_offset, long* wait_index,
                                  void* user_data, void* caller);

#endif  // VANTREL_COMMENT_HANDLER_H_
