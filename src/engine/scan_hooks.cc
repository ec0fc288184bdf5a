#include "engine/scan_hooks.h"

#include <cstring>

#include "engine/comment_lexer.h"

namespace vantrel {

namespace {

// "translate -90 rotate": what the Mac landscape check needs to see at once.
constexpr int kTranslateSpan = 20;

}  // namespace

bool HookRunner::MacCheckWanted() const {
  return translate_flag_ == 0 && hooks_.macLandscapeCheck != nullptr &&
         (hooks_.macLandscapeArmed == nullptr ||
          hooks_.macLandscapeArmed(ctx_, rec_));
}

void HookRunner::Refresh() {
  on_ = (rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr) ||
        MacCheckWanted();
}

char* HookRunner::At(char* cursor, const char* data_end) {
  if (rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr &&
      data_end - cursor >= 4 && std::memcmp(cursor, "(%%[", 4) == 0) {
    cursor += 4;
    hooks_.pdfPageMessage(ctx_, rec_, cursor);
    Refresh();
  }
  if (data_end - cursor >= kTranslateSpan &&
      std::memcmp(cursor, "translate", 9) == 0 && MacCheckWanted()) {
    translate_flag_ = hooks_.macLandscapeCheck(ctx_, rec_, cursor);
    Refresh();
  }
  return cursor;
}

char* HookRunner::Before(char* from, char* stop, const char* data_end,
                         bool more_after, char** carry_at) {
  char* p = from;
  while (p < stop) {
    const bool pdf = rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr;
    const bool mac = MacCheckWanted();
    if (!pdf && !mac) return stop;
    char* next = stop;
    if (pdf) next = FindPattern(p, next, data_end, "(%%[", 4, 1);
    if (mac) {
      char* translate = FindPattern(p, next, data_end, "translate", 9, 0);
      if (translate < next && data_end - translate < kTranslateSpan &&
          more_after) {
        *carry_at = translate;
        return translate;
      }
      next = translate;
    }
    if (next >= stop) return stop;
    p = At(next, data_end) + 1;
  }
  return p;
}

}  // namespace vantrel
