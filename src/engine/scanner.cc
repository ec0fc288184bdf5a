#include "engine/scanner.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/byte_source.h"
#include "engine/chunk_reader.h"
#include "engine/keyword_table.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/trace.h"
#include "vantrel/scan_status.h"
#include "vantrel/xrx_if.h"

namespace vantrel {

ParserContext* ParserCreateContext(const char* path) {
  ParserContext* context = new (std::nothrow) ParserContext{};
  if (context == nullptr) return nullptr;
  context->entries =
      static_cast<CommentEntry*>(std::calloc(20, sizeof(CommentEntry)));
  if (context->entries == nullptr) {
    delete context;
    return nullptr;
  }
  context->capacity = 20;
  context->scanStatus = VANTREL_SCAN_NOT_RUN;
  context->descriptor = -1;
  // Any length the system accepts: whether a path is too long is the
  // system's to say when the file is opened.
  const size_t len = path != nullptr ? std::strlen(path) : 0;
  context->filePath = new (std::nothrow) char[len + 1];
  if (context->filePath == nullptr) {
    std::free(context->entries);
    delete context;
    return nullptr;
  }
  if (len > 0) std::memcpy(context->filePath, path, len);
  context->filePath[len] = '\0';
  return context;
}

void SetScanDetail(ParserContext* context, const std::string& text) {
  if (context == nullptr) return;
  delete[] context->scanDetail;
  context->scanDetail = new (std::nothrow) char[text.size() + 1];
  if (context->scanDetail != nullptr) {
    std::memcpy(context->scanDetail, text.c_str(), text.size() + 1);
  }
}

void ParserReleaseContext(ParserContext* context) {
  if (context == nullptr) return;
  if (context->ownsSource) delete context->source;
  context->source = nullptr;
  context->ownsSource = false;
  std::free(context->chunkBuffer);
  context->chunkBuffer = nullptr;
  context->dataEnd = nullptr;
  context->keyStart = nullptr;
  ParserFreeTable(context);
  if (context->hooks.release != nullptr) context->hooks.release(context);
  context->hooks = ScannerHooks{};
}

void ParserFreeContext(ParserContext* context) {
  if (context == nullptr) return;
  ParserReleaseContext(context);
  for (uint32_t i = 0; i < context->ownedKeyCount; ++i) {
    delete[] context->ownedKeys[i];
  }
  delete[] context->ownedKeys;
  delete[] context->jobName;
  delete[] context->dexFolder;
  delete[] context->filePath;
  delete[] context->scanDetail;
  delete context;
}

int ParserFileType(const char* text, const char* end) {
  if (text == nullptr || text >= end) return 0;
  const char* p = text + 1;  // past the "!"
  size_t left = static_cast<size_t>(end - p);
  if (left >= 2 && p[0] == 'P' && p[1] == 'S') {
    return ParserIsEPSF(text, end) ? 1 : 2;
  }
  if (left >= 3 && p[0] == 'V' && p[1] == 'P' && p[2] == 'S') return 3;
  return 0;
}

bool ParserIsEPSF(const char* text, const char* end) {
  if (text == nullptr || text >= end) return false;
  // Without a further "%" the answer is false, as it has always been: the
  // search only looks up to the next comment sign.
  const void* pct = std::memchr(text, '%', static_cast<size_t>(end - text));
  if (pct == nullptr) return false;
  const char* stop = static_cast<const char*>(pct);
  static const char kEpsf[] = "EPSF-";
  const size_t n = sizeof kEpsf - 1;
  for (const char* p = text; p + n <= stop; ++p) {
    if (*p == 'E' && std::memcmp(p, kEpsf, n) == 0) return true;
  }
  return false;
}

bool getHeliosSupport() {
  VTRACE("Begin getHeliosSupport()");
  NTBaseRegHandle handle(kHKeyLocalMachine);
  char path[256];
  std::snprintf(path, sizeof path, "%s%s", "\\Software\\Kalvor\\",
                "JobTicket\\Operations\\RipNT\\GlobalParams\\"
                "SupportHeliosServer");
  int flag = 0;
  VTRACE("getHeliosSupport() before openRegistryFolder().");
  if (handle.openRegistryFolder(path) == 0) {
    VTRACE("getHeliosSupport() Error return openRegistryFolder().");
  } else {
    VTRACE("getHeliosSupport() before getBoolValueByName().");
    if (handle.getBoolValueByName("PropertyValue", flag, 0) == 0) {
      VTRACE("getHeliosSupport() Error return getBoolValueByName().");
    } else {
      VTRACE("getHeliosSupport() before closeRegistryFolder().");
      handle.closeRegistryFolder();
    }
  }
  VTRACE("End getHeliosSupport() HeliosSupport = %d", flag);
  return flag != 0;
}

PassPlan PlanPass(int32_t pass_bits, int32_t scan_mode, int64_t win_begin,
                  int64_t win_end, int64_t covered, int read_size,
                  int whole_size) {
  PassPlan plan;
  plan.passBitsAfter = pass_bits;
  plan.scanModeAfter = scan_mode;
  plan.start = covered;
  const int64_t window = win_end - win_begin;
  if (pass_bits == kScanWholeFile) {
    // Continues where the passes so far stopped.
    plan.limit = win_end;
    plan.passBitsAfter = 0;
    plan.maxChunk = whole_size;
  } else if (pass_bits & kScanHeadBit) {
    plan.passBitsAfter &= ~kScanHeadBit;
    plan.start = win_begin;
    plan.limit = win_begin + kHeadSize;
    if (window < kHeadSize) {
      // This pass covers the whole window.
      plan.passBitsAfter = 0;
      plan.scanModeAfter = kScanWholeFile;
    } else {
      plan.backoff = kHeadBackoff;
    }
    plan.maxChunk = read_size;
  } else if (pass_bits & kScanTailBit) {
    if (window > kTailSize) {
      plan.start = std::max(covered, win_end - kTailSize);
    } else {
      plan.scanModeAfter = kScanWholeFile;  // the pass reads the rest
    }
    plan.limit = win_end;
    // The tail is read in one chunk.
    plan.maxChunk = std::max(read_size, kTailSize);
    plan.tail = true;
    plan.passBitsAfter &= ~kScanTailBit;
  } else {
    // Bits this scanner has no pass for (a handler left them).
    plan.run = false;
    plan.passBitsAfter = 0;
  }
  return plan;
}

namespace {

// A "%!" line close to the head limit pushes the limit on, so the head pass
// reads the rest of the header that follows it.
constexpr int64_t kHeaderLineGrowthMargin = 4094;
// The DOS EPS binary header: magic, the offset of the PostScript section and
// its length, little-endian.
constexpr unsigned char kDosEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr int kDosEpsHeaderRead = 12;
// The chunk read where a skip lands. A counted section is usually followed by
// its closing comment and a little page text before the next section, so a
// small read serves the landing; reads grow again while the text goes on.
constexpr int kLandingReadSize = 2 * kHeadSize;
constexpr int kReadGrowth = 4;
// "translate -90 rotate": what the Mac landscape check needs to see at once.
constexpr int kTranslateSpan = 20;
// A file that starts with this is a PDF file.
constexpr char kPdfMagic[] = "%PDF-";
// Windows drivers send a Ctrl-D before each job. The Ctrl-D bytes that a file
// starts with are left out of the window, so the job reads as it would
// without them: its first line starts the window, and the head and tail
// limits count from there.
constexpr char kCtrlD = '\x04';

uint32_t LittleEndian32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
         static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24;
}

bool IsLineStartByte(char c) { return c == '\n' || c == '\r' || c == '\0'; }

// One scan: the scan variables and the pass/chunk machinery.
//
// The scan covers a window of the file: all of it, or the PostScript section
// that a DOS EPS header names. Passes examine disjoint parts of the window:
// a pass that follows another begins where the earlier one stopped examining
// (a tail pass at the window's last 8192 bytes at the earliest), so every
// byte a pass is meant to cover is examined once. Every chunk is read with
// the byte before it, so whether a "%" starts a line never depends on where
// a chunk or a pass begins.
class Scan {
 public:
  Scan(ParserContext* context, CommentStruct* record, void* caller)
      : ctx_(context),
        rec_(record),
        caller_(caller),
        hooks_(context->hooks),
        whole_size_(context->wholeFileReadSize >= kHeadSize
                        ? context->wholeFileReadSize
                        : kWholeFileReadSize),
        reader_(context, nullptr) {}

  int64_t Run();

 private:
  enum class ChunkEnd { kNext, kCarry, kSkip, kResume, kFail };

  bool Open();
  bool Fail(int status);
  bool Prologue();
  bool ExamineLeadingPdfLine();
  bool EnsureBuffer(int size);
  bool RunPass();
  bool ReadChunk(int64_t offset, int kept, int size);
  ChunkEnd Examine();
  char* FindCommentStart(char* from) const;
  bool StepOverLeadingCtrlD(int size);
  char* RunHooksBefore(char* from, char* stop, bool* carried);
  char* HooksAt(char* cursor);
  ChunkEnd HandleComment(char** cursor);
  void Carry(char* from);

  int64_t OffsetOf(const char* p) const { return reader_.OffsetOf(p); }
  int64_t WindowSize() const { return WinEnd() - WinBegin(); }
  bool MoreAfterChunk() const { return reader_.MoreAfter(); }
  int64_t WinBegin() const { return reader_.window_begin(); }
  int64_t WinEnd() const { return reader_.window_end(); }
  char* Data() const { return reader_.data(); }
  int Bytes() const { return reader_.bytes(); }
  int64_t ChunkOffset() const { return reader_.offset(); }
  int ChunkSize() const { return reader_.size(); }
  bool MacCheckWanted() const {
    return translate_flag_ == 0 && hooks_.macLandscapeCheck != nullptr &&
           (hooks_.macLandscapeArmed == nullptr ||
            hooks_.macLandscapeArmed(ctx_, rec_));
  }

  ParserContext* ctx_;
  CommentStruct* rec_;
  void* caller_;
  const ScannerHooks& hooks_;
  // The chunk size of passes that read on through the file.
  const int whole_size_;

  int64_t size_ = 0;
  // The chunks, in the window of the file that is scanned.
  ChunkReader reader_;
  // Where the passes so far stopped examining: a pass that continues the
  // scan begins here.
  int64_t covered_ = 0;
  // The first chunk of the window is in the buffer (read by the prologue).
  bool first_chunk_held_ = false;
  // The window is the PostScript section that a DOS EPS header names.
  bool dos_eps_ = false;
  // Chunk sizes: of the scan (kWholeFileReadSize for a whole-file scan, else
  // 4096) and the largest of the current pass.
  int read_size_ = 0;
  int pass_max_size_ = 0;
  char* near_end_ = nullptr;   // a comment at or past here is carried
  char* chunk_end_ = nullptr;  // last byte examined (inclusive)
  int64_t limit_ = 0;
  int backoff_ = 0;
  int64_t next_offset_ = 0;  // where the next chunk begins
  int carried_ = 0;          // bytes of the next chunk already held
  int last_found_ = -1;
  char key_[kKeyBufferSize] = {};
  long wait_index_ = 0;
  int64_t resume_offset_ = -1;
  int translate_flag_ = 0;
  // Set when a skip lands on the first byte of the next chunk: that byte is
  // treated as a skip within a chunk treats its target, not as a comment.
  bool land_on_first_ = false;
  // The table generation when last_found_ was looked up: a continuation
  // line after the table changed finds its keyword again by its text.
  uint32_t found_generation_ = 0;
};

bool Scan::Fail(int status) {
  if (ctx_->scanStatus == VANTREL_SCAN_OK ||
      ctx_->scanStatus == VANTREL_SCAN_NOT_RUN) {
    ctx_->scanStatus = status;
  }
  ParserReleaseContext(ctx_);
  return false;
}

bool Scan::Open() {
  if (ctx_->settingLost) return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
  ctx_->ownsSource = false;
  if (ctx_->testSource != nullptr) {
    ctx_->source = ctx_->testSource;
  } else if (ctx_->hasDescriptorSource) {
    int status = VANTREL_SCAN_READ_ERROR;
    int64_t size = 0;
    if (!SizeOfDescriptor(ctx_->descriptor, &size, &status)) {
      return Fail(status);
    }
    ctx_->source = new (std::nothrow)
        FileSource(ctx_->descriptor, size, /*owns_descriptor=*/false);
    if (ctx_->source == nullptr) return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
    ctx_->ownsSource = true;
  } else if (ctx_->hasMemorySource) {
    ctx_->source = new (std::nothrow)
        MemorySource(ctx_->memoryData, ctx_->memorySize);
    if (ctx_->source == nullptr) return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
    ctx_->ownsSource = true;
  } else {
    if (ctx_->filePath[0] == '\0') return Fail(VANTREL_SCAN_NO_SUCH_FILE);
    int status = VANTREL_SCAN_READ_ERROR;
    int fd = -1;
    int64_t size = 0;
    if (!OpenForScan(ctx_->filePath, &fd, &size, &status)) {
      return Fail(status);
    }
    ctx_->source = new (std::nothrow) FileSource(fd, size);
    if (ctx_->source == nullptr) {
      CloseFile(fd);
      return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
    }
    ctx_->ownsSource = true;
  }
  size_ = ctx_->source->Size();
  if (size_ < 0) return Fail(VANTREL_SCAN_READ_ERROR);
  reader_ = ChunkReader(ctx_,
                        ctx_->copyChunks ? nullptr : ctx_->source->InPlace(0));
  return true;
}

int64_t Scan::Run() {
  ctx_->scanStatus = VANTREL_SCAN_OK;
  BeginScanRecord(rec_);
  rec_->m_heliosSupport = getHeliosSupport() ? 1 : 0;

  if (!Open()) return -1;

  read_size_ =
      rec_->m_passBits == kScanWholeFile ? whole_size_ : kHeadSize;
  // Head and tail scans hold at most a tail's worth; the buffer grows only
  // when a pass reads on through the file.
  if (!EnsureBuffer(std::max(read_size_, kTailSize))) return -1;
  reader_.buffer()[-1] = '\n';
  reader_.buffer()[0] = '\0';
  reader_.SetWindow(0, size_);

  ctx_->dosEps = ParserContext::DosEpsHeader{};
  if (rec_->m_passBits != 0 && !Prologue()) return -1;
  ctx_->windowEnd = WinEnd();

  if ((rec_->m_passBits & (kScanHeadBit | kScanTailBit)) ==
          (kScanHeadBit | kScanTailBit) &&
      rec_->m_passBits != kScanWholeFile && WindowSize() < 2 * kHeadSize) {
    rec_->m_passBits = rec_->m_scanMode = kScanWholeFile;
  }

  if (!ExamineLeadingPdfLine()) return -1;
  while (rec_->m_passBits != 0) {
    if (!RunPass()) return -1;
  }
  ParserReleaseContext(ctx_);
  return 0;
}

bool Scan::EnsureBuffer(int size) {
  if (!reader_.Reserve(size)) return Fail(VANTREL_SCAN_OUT_OF_MEMORY);
  return true;
}

// Reads the first bytes of the file: the DOS EPS binary header, when there
// is one, names the window to scan. A scan whose first pass starts at the
// beginning reads its whole first chunk here, so the check costs no read of
// its own.
bool Scan::Prologue() {
  const int32_t bits = rec_->m_passBits;
  const bool tail_first = bits != kScanWholeFile && (bits & kScanHeadBit) == 0;
  const bool starts_at_zero = !tail_first || size_ <= kTailSize;
  int first = kDosEpsHeaderRead;
  if (starts_at_zero) {
    first = bits == kScanWholeFile ? whole_size_
            : tail_first           ? std::max(read_size_, kTailSize)
                                   : read_size_;
  }
  if (!ReadChunk(0, 0, first)) return false;
  first_chunk_held_ = starts_at_zero;
  if (Bytes() >= kDosEpsHeaderRead && std::memcmp(Data(), kDosEpsMagic, 4) == 0) {
    // Offsets past the end, or a length that runs past it, are clipped to
    // the file: a broken header scans what is there, never beyond.
    ctx_->dosEps = {true, LittleEndian32(Data() + 4),
                    LittleEndian32(Data() + 8), size_};
    const int64_t begin = std::min<int64_t>(ctx_->dosEps.begin, size_);
    const int64_t length = ctx_->dosEps.length;
    reader_.SetWindow(begin,
                      length > 0 ? std::min(size_, begin + length) : size_);
    first_chunk_held_ = false;
    dos_eps_ = true;
  } else if (Bytes() > 0 && Data()[0] == kCtrlD) {
    if (!StepOverLeadingCtrlD(std::max(first, kHeadSize))) return false;
  }
  covered_ = WinBegin();
  return true;
}

// Moves the window's start past the Ctrl-D bytes that the file starts with,
// reading on in chunks of `size` while they last, and leaves the window's
// first chunk in the buffer (not as the first pass's: that reads its own).
bool Scan::StepOverLeadingCtrlD(int size) {
  int64_t at = 0;
  for (;;) {
    int i = 0;
    while (i < Bytes() && Data()[i] == kCtrlD) ++i;
    at = ChunkOffset() + i;
    if (i < Bytes() || at >= WinEnd()) break;
    if (!ReadChunk(at, 0, size)) return false;
  }
  reader_.SetWindow(at, WinEnd());
  first_chunk_held_ = false;
  return ReadChunk(WinBegin(), 0, size);
}

// A scan whose first pass is a tail pass never reads the first line, where a
// PDF file says what it is. That line is examined on its own first, so that
// a PDF ends a scan in every mode the same way (when the table refuses it).
bool Scan::ExamineLeadingPdfLine() {
  const int32_t bits = rec_->m_passBits;
  const bool tail_first =
      bits != kScanWholeFile && (bits & kScanHeadBit) == 0 &&
      (bits & kScanTailBit) != 0 && WindowSize() > kTailSize;
  if (!tail_first || dos_eps_) return true;
  // The prologue left the window's first bytes in the chunk.
  if (Bytes() < static_cast<int>(sizeof kPdfMagic) - 1 ||
      std::memcmp(Data(), kPdfMagic, sizeof kPdfMagic - 1) != 0) {
    return true;
  }
  if (!ReadChunk(WinBegin(), 0, kHeadSize)) return false;
  ctx_->chunkOffset = WinBegin();
  ctx_->examinedLength = Bytes();
  ctx_->dataEnd = Data() + Bytes();
  chunk_end_ = Data() + Bytes();
  near_end_ = chunk_end_ + 1;  // the line is handled with what was read
  char* cursor = Data();
  if (HandleComment(&cursor) == ChunkEnd::kFail) return false;
  // Nothing of this look carries into the passes.
  last_found_ = -1;
  wait_index_ = 0;
  resume_offset_ = -1;
  return true;
}

bool Scan::ReadChunk(int64_t offset, int kept, int size) {
  if (!reader_.Read(offset, kept, size)) return Fail(VANTREL_SCAN_READ_ERROR);
  return true;
}

bool Scan::RunPass() {
  const PassPlan plan =
      PlanPass(rec_->m_passBits, rec_->m_scanMode, WinBegin(), WinEnd(),
               covered_, read_size_, whole_size_);
  rec_->m_passBits = plan.passBitsAfter;
  rec_->m_scanMode = plan.scanModeAfter;
  if (!plan.run) return true;
  // What lies between the passes is not read: the tail is taken as the
  // job's own document, whatever blocks the head pass left open.
  if (plan.tail && plan.start > covered_) ParserLeaveEmbeddedBlocks(rec_);
  if (plan.tail) rec_->m_inTailPass = 1;
  const int64_t start = plan.start;
  limit_ = plan.limit;
  backoff_ = plan.backoff;
  pass_max_size_ = plan.maxChunk;

  // A pass starts with a clean skip state: a section skipped by one pass is
  // not awaited or resumed in another.
  wait_index_ = 0;
  resume_offset_ = -1;
  land_on_first_ = false;
  if (!EnsureBuffer(pass_max_size_)) return false;
  // The prologue read this pass's first chunk already when it read the
  // chunk this pass would (or the whole window).
  const bool held = first_chunk_held_ && start == 0 && ChunkOffset() == 0 &&
                    (ChunkSize() == pass_max_size_ || Bytes() == WinEnd());
  first_chunk_held_ = false;
  if (!held && !ReadChunk(start, 0, pass_max_size_)) return false;

  while (Bytes() > 0 && ChunkOffset() < limit_) {
    // The backoff leaves room after the last examined comment; at the end of
    // the window there is nothing to leave room for.
    const int backoff = MoreAfterChunk() ? backoff_ : 0;
    const int examined = std::max(0, Bytes() - backoff);
    ctx_->chunkOffset = ChunkOffset();
    ctx_->examinedLength = examined;
    ctx_->dataEnd = Data() + Bytes();
    chunk_end_ = Data() + examined;
    near_end_ = Data() + ChunkSize() - kNearEndMargin;

    next_offset_ = ChunkOffset() + Bytes();
    carried_ = 0;
    const ChunkEnd end = Examine();
    if (end == ChunkEnd::kFail) return false;
    // What a backoff left unexamined is examined with the next chunk, or by
    // the pass that follows.
    const int64_t unexamined = end == ChunkEnd::kNext && examined < Bytes()
                                   ? ChunkOffset() + examined + 1
                                   : next_offset_;
    // The check road counts the lines of what the chunk passed over.
    if (hooks_.passedBytes != nullptr) {
      const int64_t passed =
          std::min(end == ChunkEnd::kNext ? unexamined : next_offset_,
                   ChunkOffset() + Bytes());
      hooks_.passedBytes(ctx_, Data(), ChunkOffset(), passed);
    }

    // Without a "%!" line the head pass reads on, in the large chunks of a
    // whole-file scan since it is one now.
    if (rec_->m_sawHeaderLine == 0 && limit_ - next_offset_ < kHeadSize) {
      if (backoff_ != 0) {
        pass_max_size_ = whole_size_;
        if (!EnsureBuffer(pass_max_size_)) return false;
      }
      limit_ += std::max(kLargestReadSize, pass_max_size_);
    }
    if (next_offset_ >= limit_ || next_offset_ >= WinEnd()) {
      covered_ = std::min(unexamined, WinEnd());
      return true;
    }
    next_offset_ = unexamined;

    int size = pass_max_size_;
    if (end == ChunkEnd::kSkip) {
      size = std::min(size, kLandingReadSize);
    } else if (end != ChunkEnd::kResume && ChunkSize() < pass_max_size_) {
      size = std::min(size, ChunkSize() * kReadGrowth);
    }
    if (!ReadChunk(next_offset_, carried_, size)) return false;
  }
  covered_ = WinEnd();
  return true;
}

char* Scan::FindCommentStart(char* from) const {
  char* p = from;
  while (p <= chunk_end_) {
    void* hit = std::memchr(p, '%', static_cast<size_t>(chunk_end_ - p + 1));
    if (hit == nullptr) return nullptr;
    char* pct = static_cast<char*>(hit);
    // pct[-1] is at worst buffer byte 0; pct[1] at worst the NUL after the
    // data.
    if ((wait_index_ != 0 || IsLineStartByte(pct[-1])) &&
        static_cast<unsigned char>(pct[1]) < 0x80) {
      return pct;
    }
    // A run of "%" holds no line start: step over it at once rather than
    // searching again from each of its bytes.
    p = pct + 1;
    if (wait_index_ == 0) {
      while (p <= chunk_end_ && *p == '%') ++p;
    }
  }
  return nullptr;
}

char* Scan::HooksAt(char* cursor) {
  if (rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr &&
      ctx_->dataEnd - cursor >= 4 && std::memcmp(cursor, "(%%[", 4) == 0) {
    cursor += 4;
    hooks_.pdfPageMessage(ctx_, rec_, cursor);
  }
  if (ctx_->dataEnd - cursor >= kTranslateSpan &&
      std::memcmp(cursor, "translate", 9) == 0 && MacCheckWanted()) {
    translate_flag_ = hooks_.macLandscapeCheck(ctx_, rec_, cursor);
  }
  return cursor;
}

// The first place in [from, stop) where `pattern` starts within the data
// held, or `stop`. The search runs on the pattern's byte at `rare`, chosen as
// the one least common in PostScript text, and checks the rest around it.
char* FindPattern(char* from, char* stop, const char* data_end,
                  const char* pattern, size_t length, size_t rare) {
  // A match may run past `stop`, never past the data held.
  const char* last = std::min<const char*>(stop - 1, data_end - length);
  for (char* p = from + rare; p <= last + rare;) {
    void* hit =
        std::memchr(p, pattern[rare], static_cast<size_t>(last + rare - p + 1));
    if (hit == nullptr) break;
    char* q = static_cast<char*>(hit) - rare;
    if (std::memcmp(q, pattern, length) == 0) return q;
    p = static_cast<char*>(hit) + 1;
  }
  return stop;
}

// The bytes from `from` on begin the next chunk.
void Scan::Carry(char* from) {
  // Carrying moves the bytes within the buffer: the checker counts the
  // chunk's lines up to here first.
  if (hooks_.passedBytes != nullptr) {
    hooks_.passedBytes(ctx_, Data(), ChunkOffset(), reader_.OffsetOf(from));
  }
  next_offset_ = reader_.OffsetOf(from);
  carried_ = reader_.Carry(from);
}

// Runs the hooks at every position in [from, stop) where one can fire.
// Answers the position after the last byte the hooks looked at. Sets
// *carried when a "translate" stands too close to the end of the data to be
// checked here: it is then checked at the start of the next chunk.
char* Scan::RunHooksBefore(char* from, char* stop, bool* carried) {
  char* p = from;
  while (p < stop) {
    const bool pdf = rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr;
    const bool mac = MacCheckWanted();
    if (!pdf && !mac) return stop;
    char* next = stop;
    if (pdf) next = FindPattern(p, next, ctx_->dataEnd, "(%%[", 4, 1);
    if (mac) {
      char* translate = FindPattern(p, next, ctx_->dataEnd, "translate", 9, 0);
      if (translate < next && ctx_->dataEnd - translate < kTranslateSpan &&
          MoreAfterChunk()) {
        Carry(translate);
        *carried = true;
        return translate;
      }
      next = translate;
    }
    if (next >= stop) return stop;
    p = HooksAt(next) + 1;
  }
  return p;
}

Scan::ChunkEnd Scan::Examine() {
  char* cursor = Data();
  if (land_on_first_) {
    land_on_first_ = false;
    cursor = HooksAt(cursor) + 1;
  }
  while (cursor <= chunk_end_) {
    char* pct = FindCommentStart(cursor);
    char* stop = pct != nullptr ? pct : chunk_end_ + 1;
    bool carried = false;
    cursor = RunHooksBefore(cursor, stop, &carried);
    if (carried) return ChunkEnd::kCarry;
    if (pct == nullptr) break;
    if (cursor > pct) continue;  // a hook stepped over it
    cursor = pct;
    ChunkEnd end = HandleComment(&cursor);
    if (end != ChunkEnd::kNext) return end;
  }
  return ChunkEnd::kNext;
}

// Handles the comment whose "%" is at *cursor. Leaves *cursor on the next
// byte to examine.
Scan::ChunkEnd Scan::HandleComment(char** cursor) {
  char* p = *cursor;
  const char* data_end = ctx_->dataEnd;

  if (p >= near_end_ && MoreAfterChunk()) {
    // Too close to the end of a full chunk: handle it complete at the start
    // of the next one.
    Carry(p);
    return ChunkEnd::kCarry;
  }

  // Every step stops at data_end: a chunk read in place has a byte of the
  // window there, where a copied chunk has its NUL.
  char* comment_start = p;
  ++p;
  if (p < data_end && *p == '%') ++p;
  for (int n = 0;
       n < kBlankRunLimit && p < data_end && (*p == ' ' || *p == '\t'); ++n) {
    ++p;
  }
  const char here_byte = p < data_end ? *p : '\0';

  int64_t continuation = 0;
  if (here_byte == '+' && last_found_ != -1 &&
      found_generation_ != ctx_->tableGeneration) {
    // A handler took keywords out since: the index may now name another
    // keyword, or none (a removed keyword stays silent).
    last_found_ = ParserFindKey(ctx_, key_);
    found_generation_ = ctx_->tableGeneration;
  }
  if (here_byte == '+' && last_found_ != -1) {
    ++p;
    continuation = 1;
    ctx_->keyStart = nullptr;
  } else {
    if (here_byte == '!') {
      rec_->m_sawHeaderLine = 1;
      if (rec_->m_fileType == -1)
        rec_->m_fileType = ParserFileType(p, data_end);
      ParserHeaderLine(rec_);
      rec_->m_isEPSF = ParserIsEPSF(p, data_end) ? 1 : 0;
      if (rec_->m_isEPSF && rec_->m_fileType == 1 &&
          hooks_.epsPageCount != nullptr) {
        hooks_.epsPageCount(reinterpret_cast<char*>(ctx_), rec_, 0, nullptr,
                            nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr);
      }
      if (limit_ - ChunkOffset() < kHeaderLineGrowthMargin) {
        limit_ += kLargestReadSize;
      }
    }

    last_found_ = ParserLookup(ctx_, p, data_end);
    found_generation_ = ctx_->tableGeneration;
    if (wait_index_ != 0 && wait_index_ != last_found_ &&
        resume_offset_ != -1) {
      // The skipped section did not end where its count said: examine it.
      next_offset_ = resume_offset_;
      resume_offset_ = -1;
      wait_index_ = 0;
      return ChunkEnd::kResume;
    }
    if (last_found_ == -1) {
      *cursor = HooksAt(p) + 1;
      return ChunkEnd::kNext;
    }
    const CommentEntry& entry = ctx_->entries[last_found_];
    int key_len = std::min(entry.keyLen, kKeyBufferSize - 1);
    std::memcpy(key_, p, static_cast<size_t>(key_len));
    key_[key_len] = '\0';
    ctx_->keyStart = p;
    p += entry.keyLen;
    if (p < data_end && *p == ':') ++p;
  }

  for (int n = 0;
       n < kBlankRunLimit && p < data_end && (*p == ' ' || *p == '\t'); ++n) {
    ++p;
  }
  wait_index_ = 0;
  const int64_t value_offset = OffsetOf(p);

  char* const value = p;
  int64_t result =
      ParserDispatch(ctx_, last_found_, rec_, key_, &p, comment_start,
                     continuation, value_offset, &wait_index_, caller_);
  // Handlers move the position forward within the data held; anything else
  // is taken as "no move".
  if (p < comment_start || p > data_end) p = comment_start;
  // A value read may run on across line ends (a "(" without its ")"), but
  // the scan goes on at the end of the comment's line at the latest: the
  // comments of the lines such a value swallowed are still seen, so what a
  // file yields does not depend on which other comment sets are registered.
  if (p > value) {
    for (char* q = value; q < p; ++q) {
      if (IsLineStartByte(*q)) {
        p = q;
        break;
      }
    }
  }

  if (result == -1) {
    Fail(VANTREL_SCAN_HANDLER_FAILED);
    return ChunkEnd::kFail;
  }
  if (result > 0 && result <= WinEnd()) {
    const int64_t here = OffsetOf(p);
    // A skip only goes forward; a target at or before the cursor is ignored,
    // so a handler can never make the scan loop.
    if (result <= here) {
      wait_index_ = 0;
    } else {
      resume_offset_ = here;
      if (result - here > chunk_end_ - p) {
        next_offset_ = result;
        land_on_first_ = true;
        return ChunkEnd::kSkip;
      }
      p = Data() + (result - ChunkOffset());
    }
  } else if (result > WinEnd()) {
    wait_index_ = 0;
  }
  *cursor = HooksAt(p) + 1;
  return ChunkEnd::kNext;
}

}  // namespace

int64_t ParserScanFile(ParserContext* context, CommentStruct* record,
                       void* caller) {
  if (context == nullptr || record == nullptr) return -1;
  Scan scan(context, record, caller);
  return scan.Run();
}

}  // namespace vantrel
