#include "engine/scanner.h"

#include <algorithm>
#include <cstring>

#include "engine/byte_source.h"
#include "engine/chunk_reader.h"
#include "engine/comment_lexer.h"
#include "engine/dispatcher.h"
#include "engine/pass_planner.h"
#include "engine/scan_hooks.h"
#include "engine/window_probe.h"
#include "vantrel/scan_status.h"

namespace vantrel {

namespace {

// One scan (see ParserScanFile): drives the chunk reader, the pass planner,
// the comment lexer and the dispatcher over the window of the source.
class Scan {
 public:
  Scan(ParserContext* context, CommentStruct* record, void* caller)
      : ctx_(context),
        rec_(record),
        whole_size_(context->wholeFileReadSize >= kHeadSize
                        ? context->wholeFileReadSize
                        : kWholeFileReadSize),
        reader_(context),
        dispatcher_(context, record, caller),
        hooks_(context, record) {}

  int64_t Run();

 private:
  bool Fail(int status);
  bool Read(int64_t offset, int kept, int size);
  bool Reserve(int size);
  bool Open();
  bool Prologue();
  bool ExamineLeadingPdfLine();
  bool RunPass();
  void Frame(int examined, char* near_end);
  ChunkEnd Examine();
  ChunkEnd Comment(char** cursor, const LexedComment& lexed, bool refusable);
  // Passes over a comment that names no keyword; answers where to go on.
  char* PassOver(const LexedComment& lexed, bool hooks_on) {
    dispatcher_.Refuse();
    if (hooks_on) return HooksAt(lexed.text) + 1;
    // No line starts within a run of "%" ("%%%%%%%%" rules).
    return lexed.lead == '%' ? SkipPercentRun(lexed.text + 1, frame_.last)
                             : lexed.text + 1;
  }
  char* HooksAt(char* cursor) { return hooks_.At(cursor, frame_.dataEnd); }
  // After handlers or hooks ran: what they may have changed, read again.
  bool Resync() { return dispatcher_.Sync(), hooks_.on(); }
  void Carry(char* from);
  ParserContext* ctx_;
  CommentStruct* rec_;
  const int whole_size_;  // the chunk size of passes reading on
  ChunkReader reader_;
  Dispatcher dispatcher_;
  HookRunner hooks_;
  int64_t covered_ = 0;  // where the passes so far stopped examining
  bool first_chunk_held_ = false;  // the prologue read the first pass's
  int read_size_ = 0;              // the scan's chunk size
  PassCursor pass_;
  ChunkFrame frame_{};
  char* near_end_ = nullptr;  // a comment at or past here is carried
  int64_t next_offset_ = 0;   // where the next chunk begins
  int carried_ = 0;           // bytes of the next chunk already held
  // A skip landed on the next chunk's first byte: a target, not a comment.
  bool land_on_first_ = false;
};

bool Scan::Fail(int status) {
  if (ctx_->scanStatus == VANTREL_SCAN_OK ||
      ctx_->scanStatus == VANTREL_SCAN_NOT_RUN) {
    ctx_->scanStatus = status;
  }
  ParserReleaseContext(ctx_);
  return false;
}

bool Scan::Read(int64_t offset, int kept, int size) {
  return reader_.Read(offset, kept, size) || Fail(VANTREL_SCAN_READ_ERROR);
}

bool Scan::Reserve(int size) {
  return reader_.Reserve(size) || Fail(VANTREL_SCAN_OUT_OF_MEMORY);
}

bool Scan::Open() {
  if (ctx_->settingLost) return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
  int status = VANTREL_SCAN_READ_ERROR;
  if (!OpenScanSource(ctx_, &status)) return Fail(status);
  const int64_t size = ctx_->source->Size();
  if (size < 0) return Fail(VANTREL_SCAN_READ_ERROR);
  reader_.SetBlock(ctx_->copyChunks ? nullptr : ctx_->source->InPlace(0));
  reader_.SetWindow(0, size);
  return true;
}

int64_t Scan::Run() {
  ctx_->scanStatus = VANTREL_SCAN_OK;
  BeginScanRecord(rec_);
  rec_->m_heliosSupport = getHeliosSupport() ? 1 : 0;
  if (!Open()) return -1;

  read_size_ = ScanReadSize(rec_->m_passBits, whole_size_);
  // Head and tail scans hold at most a tail's worth; the buffer grows only
  // when a pass reads on through the file.
  if (!Reserve(std::max(read_size_, kTailSize))) return -1;
  reader_.buffer()[-1] = '\n';
  reader_.buffer()[0] = '\0';

  ctx_->dosEps = ParserContext::DosEpsHeader{};
  if (rec_->m_passBits != 0 && !Prologue()) return -1;
  ctx_->windowEnd = reader_.window_end();
  const int64_t window = reader_.window_end() - reader_.window_begin();
  if (PlanScanBits(rec_->m_passBits, window) != rec_->m_passBits) {
    rec_->m_passBits = rec_->m_scanMode = kScanWholeFile;
  }
  if (!ExamineLeadingPdfLine()) return -1;
  while (rec_->m_passBits != 0) {
    if (!RunPass()) return -1;
  }
  ParserReleaseContext(ctx_);
  return 0;
}

// Reads the first bytes of the source and lets the window probe say which
// part of it the scan covers.
bool Scan::Prologue() {
  const int64_t size = reader_.window_end();
  const FirstRead first =
      PlanFirstRead(rec_->m_passBits, size, read_size_, whole_size_);
  if (!Read(0, 0, first.size)) return false;
  first_chunk_held_ = first.startsPass;
  WindowProbe probe = ProbeWindow(reader_.data(), reader_.bytes(), 0, size);
  if (probe.dosEps) {
    ctx_->dosEps = {true, probe.dosEpsBegin, probe.dosEpsLength, size};
  }
  const int size_on = std::max(first.size, kHeadSize);
  while (probe.readOn) {
    if (!Read(probe.begin, 0, size_on)) return false;
    probe = ProbeWindow(reader_.data(), reader_.bytes(), probe.begin, size);
  }
  if (probe.dosEps || probe.begin != 0) {
    reader_.SetWindow(probe.begin, probe.end);
    first_chunk_held_ = false;
    // Past the Ctrl-D bytes, the window's first chunk stays in the buffer
    // for the leading-line check (not as the first pass's: that reads its
    // own).
    if (!probe.dosEps && !Read(probe.begin, 0, size_on)) return false;
  }
  covered_ = reader_.window_begin();
  return true;
}

// A scan whose first pass is a tail pass never reads the first line, where a
// PDF file says what it is. That line is examined on its own first, so that
// a PDF ends a scan in every mode the same way (when the table refuses it).
bool Scan::ExamineLeadingPdfLine() {
  const int64_t begin = reader_.window_begin();
  if (!TailPassFirst(rec_->m_passBits, reader_.window_end() - begin) ||
      ctx_->dosEps.present ||
      !ClassifyWindowStart(reader_.data(), reader_.bytes()).pdf) {
    return true;
  }
  if (!Read(begin, 0, kHeadSize)) return false;
  // The line is handled with what was read.
  Frame(reader_.bytes(), reader_.data() + reader_.bytes() + 1);
  char* cursor = reader_.data();
  bool refusable = false;
  dispatcher_.Sync();
  const LexedComment lexed =
      dispatcher_.Lex(cursor, frame_.dataEnd, &refusable);
  if (Comment(&cursor, lexed, refusable) == ChunkEnd::kFail) return false;
  // Nothing of this look carries into the passes.
  dispatcher_.Forget();
  return true;
}

// Publishes the chunk held, of which `examined` bytes are examined.
void Scan::Frame(int examined, char* near_end) {
  reader_.Publish();
  char* data = reader_.data();
  frame_ = {data, data + reader_.bytes(), data + examined, reader_.offset(),
            reader_.window_end()};
  near_end_ = near_end;
}

bool Scan::RunPass() {
  const PassPlan plan =
      PlanPass(rec_->m_passBits, rec_->m_scanMode, reader_.window_begin(),
               reader_.window_end(), covered_, read_size_, whole_size_);
  rec_->m_passBits = plan.passBitsAfter;
  rec_->m_scanMode = plan.scanModeAfter;
  if (!plan.run) return true;
  // What lies between the passes is not read: the tail is taken as the
  // job's own document, whatever blocks the head pass left open.
  if (plan.tail && plan.start > covered_) ParserLeaveEmbeddedBlocks(rec_);
  if (plan.tail) rec_->m_inTailPass = 1;
  pass_ = {plan.limit, plan.backoff, plan.maxChunk};
  dispatcher_.StartPass();
  hooks_.Refresh();
  land_on_first_ = false;
  if (!Reserve(pass_.maxChunk)) return false;
  // The prologue read this pass's first chunk already when it read the
  // chunk this pass would (or the whole window).
  const bool held = first_chunk_held_ && plan.start == 0 &&
                    reader_.offset() == 0 &&
                    (reader_.size() == pass_.maxChunk ||
                     reader_.bytes() == reader_.window_end());
  first_chunk_held_ = false;
  if (!held && !Read(plan.start, 0, pass_.maxChunk)) return false;

  while (reader_.bytes() > 0 && reader_.offset() < pass_.limit) {
    // The backoff leaves room after the last examined comment; at the end of
    // the window there is nothing to leave room for.
    const int backoff = reader_.MoreAfter() ? pass_.backoff : 0;
    const int examined = std::max(0, reader_.bytes() - backoff);
    Frame(examined, reader_.data() + reader_.size() - kNearEndMargin);
    next_offset_ = reader_.offset() + reader_.bytes();
    carried_ = 0;
    const ChunkEnd end = Examine();
    if (end == ChunkEnd::kFail) return false;
    const int max_chunk = pass_.maxChunk;
    const NextRead next =
        PlanNextRead(&pass_,
                     {end, reader_.offset(), reader_.bytes(), reader_.size(),
                      examined, next_offset_, rec_->m_sawHeaderLine != 0},
                     reader_.window_end(), whole_size_);
    // The check road counts the lines of what the chunk passed over.
    if (ctx_->hooks.passedBytes != nullptr) {
      ctx_->hooks.passedBytes(ctx_, reader_.data(), reader_.offset(),
                              next.passed);
    }
    if (pass_.maxChunk != max_chunk && !Reserve(pass_.maxChunk)) return false;
    if (next.passOver) {
      covered_ = next.covered;
      return true;
    }
    if (!Read(next.offset, carried_, next.size)) return false;
  }
  covered_ = reader_.window_end();
  return true;
}

ChunkEnd Scan::Examine() {
  char* cursor = reader_.data();
  if (land_on_first_) {
    land_on_first_ = false;
    cursor = HooksAt(cursor) + 1;
  }
  char* const last = const_cast<char*>(frame_.last);
  // Only handlers and hooks change what the loop keeps here.
  bool hooks_on = Resync();
  while (cursor <= last) {
    char* pct = FindCommentStart(cursor, last, dispatcher_.Waiting());
    if (hooks_on) {
      char* stop = pct != nullptr ? pct : last + 1;
      char* carry_at = nullptr;
      cursor = hooks_.Before(cursor, stop, frame_.dataEnd, reader_.MoreAfter(),
                             &carry_at);
      if (carry_at != nullptr) {
        Carry(carry_at);
        return ChunkEnd::kCarry;
      }
      hooks_on = Resync();
      if (pct != nullptr && cursor > pct) continue;  // a hook stepped over it
    }
    if (pct == nullptr) break;
    cursor = pct;
    bool refusable = false;
    const LexedComment lexed = dispatcher_.Lex(pct, frame_.dataEnd, &refusable);
    if (refusable && (pct < near_end_ || !reader_.MoreAfter())) {
      cursor = PassOver(lexed, hooks_on);
      if (hooks_on) hooks_on = Resync();
      continue;
    }
    const ChunkEnd end = Comment(&cursor, lexed, refusable);
    if (end != ChunkEnd::kNext) return end;
    hooks_on = Resync();
  }
  return ChunkEnd::kNext;
}

// Handles the comment whose "%" is at *cursor, lexed. Leaves *cursor on
// the next byte to examine.
ChunkEnd Scan::Comment(char** cursor, const LexedComment& lexed,
                       bool refusable) {
  if (*cursor >= near_end_ && reader_.MoreAfter()) {
    // Too close to the end of a full chunk: handle it complete at the start
    // of the next one.
    Carry(*cursor);
    return ChunkEnd::kCarry;
  }
  if (refusable) {
    *cursor = PassOver(lexed, hooks_.on());
    return ChunkEnd::kNext;
  }
  const Step step = dispatcher_.Handle(*cursor, lexed, frame_);
  if (step.dispatched) hooks_.Refresh();
  if (step.headerLine) {
    pass_.limit = LimitAfterHeaderLine(pass_.limit, reader_.offset());
  }
  switch (step.kind) {
    case ChunkEnd::kFail:
      Fail(VANTREL_SCAN_HANDLER_FAILED);
      return ChunkEnd::kFail;
    case ChunkEnd::kSkip:
      land_on_first_ = true;
      next_offset_ = step.offset;
      return ChunkEnd::kSkip;
    case ChunkEnd::kResume:
      next_offset_ = step.offset;
      return ChunkEnd::kResume;
    default:
      *cursor = (hooks_.on() ? HooksAt(step.cursor) : step.cursor) + 1;
      return ChunkEnd::kNext;
  }
}

// The bytes from `from` on begin the next chunk.
void Scan::Carry(char* from) {
  // Carrying moves the bytes within the buffer: the checker counts the
  // chunk's lines up to here first.
  if (ctx_->hooks.passedBytes != nullptr) {
    ctx_->hooks.passedBytes(ctx_, reader_.data(), reader_.offset(),
                            reader_.OffsetOf(from));
  }
  next_offset_ = reader_.OffsetOf(from);
  carried_ = reader_.Carry(from);
}

}  // namespace

int64_t ParserScanFile(ParserContext* context, CommentStruct* record,
                       void* caller) {
  if (context == nullptr || record == nullptr) return -1;
  Scan scan(context, record, caller);
  return scan.Run();
}

}  // namespace vantrel
