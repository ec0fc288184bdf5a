#include "engine/dispatcher.h"

#include <algorithm>
#include <cstring>

#include "engine/comment_lexer.h"
#include "engine/keyword_table.h"
#include "vantrel/scan_status.h"

namespace vantrel {

void Dispatcher::HeaderLine(const char* text, const char* end) {
  rec_->m_sawHeaderLine = 1;
  if (rec_->m_fileType == -1) rec_->m_fileType = ParserFileType(text, end);
  ParserHeaderLine(rec_);
  rec_->m_isEPSF = ParserIsEPSF(text, end) ? 1 : 0;
  if (rec_->m_isEPSF && rec_->m_fileType == 1 &&
      ctx_->hooks.epsPageCount != nullptr) {
    ctx_->hooks.epsPageCount(reinterpret_cast<char*>(ctx_), rec_, 0, nullptr,
                             nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr);
  }
}

void Dispatcher::RefreshRefusals() {
  refused_first_ = ParserRefusedFirstBytes(ctx_, own_refused_);
  filter_ = ctx_->sharedIndex;
  refusal_generation_ = ctx_->tableGeneration;
}

Step Dispatcher::Handle(char* pct, const LexedComment& lexed,
                        const ChunkFrame& frame) {
  // Every step stops at dataEnd: a chunk read in place has a byte of the
  // window there, where a copied chunk has its NUL.
  const char* end = frame.dataEnd;
  char* p = lexed.text;
  Step step;

  if (lexed.lead == '+' && last_found_ != -1 &&
      found_generation_ != ctx_->tableGeneration) {
    // A handler took keywords out since: the index may now name another
    // keyword, or none (a removed keyword stays silent).
    last_found_ = ParserFindKey(ctx_, key_);
    found_generation_ = ctx_->tableGeneration;
  }
  int64_t continuation = 0;
  if (lexed.lead == '+' && last_found_ != -1) {
    ++p;
    continuation = 1;
    ctx_->keyStart = nullptr;
  } else {
    if (lexed.lead == '!') {
      HeaderLine(p, end);
      step.headerLine = true;
    }
    last_found_ = FindKeyword(&p, end);
    found_generation_ = ctx_->tableGeneration;
    if (wait_index_ != 0 && wait_index_ != last_found_ &&
        resume_offset_ != -1) {
      // The skipped section did not end where its count said: examine it.
      step.kind = ChunkEnd::kResume;
      step.offset = resume_offset_;
      StartPass();
      return step;
    }
    if (last_found_ == -1) {
      step.cursor = p;
      return step;
    }
  }

  p = SkipBlanks(p, end);
  wait_index_ = 0;
  char* const value = p;
  int64_t result =
      ParserDispatch(ctx_, last_found_, rec_, key_, &p, pct, continuation,
                     frame.offset + (p - frame.data), &wait_index_, caller_);
  // Handlers move the position forward within the data held; anything else
  // is taken as "no move".
  if (p < pct || p > end) p = pct;
  // A value read may run on across line ends (a "(" without its ")"), but
  // the scan goes on at the end of the comment's line at the latest: the
  // comments of the lines such a value swallowed are still seen, so what a
  // file yields does not depend on which other comment sets are registered.
  if (value < p) p = const_cast<char*>(FindByteClass(value, p, kLineEndByte));
  Step after = Interpret(result, p, frame);
  after.headerLine = step.headerLine;
  after.dispatched = true;
  return after;
}

// What a handler's result means for the scan, the handlers having left the
// position at `p`.
Step Dispatcher::Interpret(int64_t result, char* p, const ChunkFrame& frame) {
  Step step;
  step.cursor = p;
  if (result == -1) {
    step.kind = ChunkEnd::kFail;
    return step;
  }
  if (result > frame.windowEnd) {
    wait_index_ = 0;
  } else if (result > 0) {
    const int64_t here = frame.offset + (p - frame.data);
    // A skip only goes forward; a target at or before the cursor is ignored,
    // so a handler can never make the scan loop.
    if (result <= here) {
      wait_index_ = 0;
    } else {
      resume_offset_ = here;
      if (result - here > frame.last - p) {
        step.kind = ChunkEnd::kSkip;
        step.offset = result;
        return step;
      }
      step.cursor = frame.data + (result - frame.offset);
    }
  }
  return step;
}

namespace {

// Puts back the chunk view of the running scan when it goes.
class ChunkViewSaver {
 public:
  explicit ChunkViewSaver(ParserContext* context)
      : ctx_(context), data_end_(context->dataEnd), key_(context->keyStart) {}
  ~ChunkViewSaver() {
    ctx_->dataEnd = data_end_;
    ctx_->keyStart = key_;
  }
  ChunkViewSaver(const ChunkViewSaver&) = delete;
  ChunkViewSaver& operator=(const ChunkViewSaver&) = delete;

 private:
  ParserContext* ctx_;
  char* data_end_;
  char* key_;
};

}  // namespace

int64_t DispatchValue(ParserContext* context, CommentStruct* record,
                      const char* key, char* value) {
  const int index = ParserFindKey(context, key);
  if (index < 0) return 0;
  char keyword[kKeyBufferSize];
  std::strncpy(keyword, key, sizeof keyword - 1);
  keyword[sizeof keyword - 1] = '\0';
  const ChunkViewSaver saver(context);
  context->dataEnd = value + std::strlen(value);
  context->keyStart = nullptr;
  char* position = value;
  return ParserDispatch(context, index, record, keyword, &position, nullptr, 0,
                        0, nullptr, nullptr);
}

}  // namespace vantrel
