// The dispatcher: looks a comment up, calls its handlers and says what the
// scan does next.
#ifndef VANTREL_ENGINE_DISPATCHER_H_
#define VANTREL_ENGINE_DISPATCHER_H_

#include <cstdint>
#include <cstring>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_table.h"
#include "engine/pass_planner.h"
#include "engine/scan_record.h"

namespace vantrel {

// The chunk being examined, as the dispatcher needs it.
struct ChunkFrame {
  char* data;           // the first data byte
  const char* dataEnd;  // the end of the data held
  const char* last;     // the last byte examined (inclusive)
  int64_t offset;       // the file offset of `data`
  int64_t windowEnd;    // the end of the scan's window
};

// What happens after a comment.
struct Step {
  ChunkEnd kind = ChunkEnd::kNext;
  // kNext: where the scan goes on (the scanner's hooks look here first).
  char* cursor = nullptr;
  // kSkip, kResume: the file offset where the scan goes on.
  int64_t offset = 0;
  // A "%!" line was met: the head pass reads on past it.
  bool headerLine = false;
  // Handlers ran: what they keep may have changed.
  bool dispatched = false;
};

class Dispatcher {
 public:
  Dispatcher(ParserContext* context, CommentStruct* record, void* caller)
      : ctx_(context), rec_(record), caller_(caller) {}

  // Lexes the comment at `pct`. Most comments name no registered keyword:
  // they can be refused by their first bytes before anything else is looked
  // at (*refusable is then set; Refuse says so to the dispatcher).
  LexedComment Lex(char* pct, const char* data_end, bool* refusable) {
    const LexedComment lexed = LexComment(pct, data_end);
    const unsigned char lead = static_cast<unsigned char>(lexed.lead);
    bool refuse = refused_first_[lead] != 0;
    if (!refuse && filter_ != nullptr && lead != '+' && lead != '!') {
      refuse = !filter_->MayPrefix(lexed.text,
                                   static_cast<size_t>(data_end - lexed.text));
    }
    *refusable = refuse && wait_index_ == 0;
    return lexed;
  }
  // Brings the refusals up to the table: called before comments are
  // lexed, and again whenever handlers or hooks may have run since (only
  // they change the table during a scan).
  void Sync() {
    if (refusal_generation_ != ctx_->tableGeneration) RefreshRefusals();
  }
  // A comment that Lex found refusable was passed over: what a keyword
  // found before no longer carries on to "%%+" lines.
  void Refuse() { last_found_ = -1; }

  // Handles the comment whose "%" is at `pct` in `frame`, lexed.
  Step Handle(char* pct, const LexedComment& lexed, const ChunkFrame& frame);

  // A counted section's closing comment is awaited: it may stand anywhere.
  bool Waiting() const { return wait_index_ != 0; }
  // A pass starts with a clean skip state: a section skipped by one pass is
  // not awaited or resumed in another.
  void StartPass() {
    wait_index_ = 0;
    resume_offset_ = -1;
  }
  // Nothing of what came before carries on (no continuation line either).
  void Forget() {
    last_found_ = -1;
    StartPass();
  }

 private:
  void HeaderLine(const char* text, const char* end);
  void RefreshRefusals();
  // Finds the keyword at *p (moved past it and its ":"); -1 when none.
  int FindKeyword(char** p, const char* end) {
    const int found = ParserLookup(ctx_, *p, end);
    if (found == -1) return -1;
    const CommentEntry& entry = ctx_->entries[found];
    const int key_len =
        entry.keyLen < kKeyBufferSize - 1 ? entry.keyLen : kKeyBufferSize - 1;
    std::memcpy(key_, *p, static_cast<size_t>(key_len));
    key_[key_len] = '\0';
    ctx_->keyStart = *p;
    *p += entry.keyLen;
    if (*p < end && **p == ':') ++*p;
    return found;
  }
  Step Interpret(int64_t result, char* p, const ChunkFrame& frame);

  ParserContext* ctx_;
  CommentStruct* rec_;
  void* caller_;
  int last_found_ = -1;
  // The table generation when last_found_ was looked up: a continuation
  // line after the table changed finds its keyword again by its text.
  uint32_t found_generation_ = 0;
  // ParserRefusedFirstBytes as the table was at generation
  // refusal_generation_ (none at first: no byte is refused until Sync);
  // own_refused_ holds them for a table of the parse's own.
  const uint8_t* refused_first_ = kNoneRefused;
  uint8_t own_refused_[256] = {};
  static constexpr uint8_t kNoneRefused[256] = {};
  uint64_t refusal_generation_ = ~uint64_t{0};
  // The shared index whose keys the table holds, for the refusal of texts
  // that no key begins; null when the parse's table is its own.
  const KeywordIndex* filter_ = nullptr;
  char key_[kKeyBufferSize] = {};
  long wait_index_ = 0;
  int64_t resume_offset_ = -1;
};

// Calls the handlers of `key` with `value` (NUL-terminated) as the comment's
// value text, as if a comment outside the chunk had carried it: the
// handlers read no further than the value's end. Answers their result, or 0
// when `key` is not registered.
int64_t DispatchValue(ParserContext* context, CommentStruct* record,
                      const char* key, char* value);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_DISPATCHER_H_
