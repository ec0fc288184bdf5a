// The scanner's calls on behalf of comment families: the page messages of a
// converted PDF in the tail pass, and the landscape turn a Mac client's
// driver writes.
#ifndef VANTREL_ENGINE_SCAN_HOOKS_H_
#define VANTREL_ENGINE_SCAN_HOOKS_H_

#include "engine/context.h"
#include "engine/scan_record.h"

namespace vantrel {

class HookRunner {
 public:
  HookRunner(ParserContext* context, CommentStruct* record)
      : ctx_(context), rec_(record), hooks_(context->hooks) {}

  // Whether a hook may fire. What it depends on changes only when a pass
  // starts, a handler runs or a hook fires: Refresh is called then, and the
  // question is not asked at every comment.
  bool on() const { return on_; }
  void Refresh();

  // Runs the hooks that fire at `cursor` (data held up to `data_end`).
  // Answers the position the hooks looked at last.
  char* At(char* cursor, const char* data_end);

  // Runs the hooks at every position in [from, stop) where one can fire.
  // Answers the position after the last byte the hooks looked at. When a
  // "translate" stands too close to the data's end to be checked here and
  // `more_after` says the window goes on, answers its position in
  // *carry_at: it is checked at the start of the next chunk.
  char* Before(char* from, char* stop, const char* data_end, bool more_after,
               char** carry_at);

 private:
  bool MacCheckWanted() const;

  ParserContext* ctx_;
  CommentStruct* rec_;
  const ScannerHooks& hooks_;
  int translate_flag_ = 0;
  bool on_ = true;
};

}  // namespace vantrel

#endif  // VANTREL_ENGINE_SCAN_HOOKS_H_
