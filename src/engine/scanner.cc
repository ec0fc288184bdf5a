#include "engine/scanner.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/keyword_table.h"
#include "handlers/xrx.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/trace.h"
#include "vantrel/parser_if.h"
#include "vantrel/xrx_if.h"

namespace vantrel {

ScannerHooks& Hooks() {
  static ScannerHooks hooks{};
  return hooks;
}

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
  context->fileHandle = -1;
  context->scanStatus = VANTREL_SCAN_NOT_RUN;
  if (path != nullptr) {
    size_t len = std::strlen(path);
    if (len >= sizeof context->filePath) {
      // Never truncated: a cut path could name another file.
      context->pathTooLong = true;
    } else {
      std::memcpy(context->filePath, path, len + 1);
    }
  }
  return context;
}

void ParserReleaseContext(ParserContext* context) {
  if (context == nullptr) return;
  if (context->fileHandle >= 0) {
    CloseFile(context->fileHandle);
    context->fileHandle = -1;
  }
  std::free(context->chunkBuffer);
  context->chunkBuffer = nullptr;
  context->dataEnd = nullptr;
  context->keyStart = nullptr;
  ParserFreeTable(context);
  ReleaseXRXObjects(context);
}

void ParserFreeContext(ParserContext* context) {
  if (context == nullptr) return;
  ParserReleaseContext(context);
  for (uint32_t i = 0; i < context->ownedKeyCount; ++i) {
    delete[] context->ownedKeys[i];
  }
  delete[] context->ownedKeys;
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

namespace {

// A "%!" line close to the head limit pushes the limit on, so the head pass
// reads the rest of the header that follows it.
constexpr int64_t kHeaderLineGrowthMargin = 4094;
// The DOS EPS binary header: magic, then the offset of the PostScript part.
constexpr unsigned char kDosEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr int kDosEpsHeaderRead = 8;

uint32_t LittleEndian32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
         static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24;
}

bool IsLineStartByte(char c) { return c == '\n' || c == '\r' || c == '\0'; }

// One scan: the scan variables and the pass/chunk machinery.
class Scan {
 public:
  Scan(ParserContext* context, CommentStruct* record, void* caller)
      : ctx_(context), rec_(record), caller_(caller), hooks_(Hooks()) {}

  int64_t Run();

 private:
  enum class ChunkEnd { kNext, kCarry, kJump, kFail };

  bool Open();
  bool Fail(int status);
  bool RunPass();
  bool ReadChunk(int64_t offset, int kept);
  ChunkEnd Examine();
  char* FindCommentStart(char* from) const;
  char* RunHooksBefore(char* from, char* stop);
  char* HooksAt(char* cursor);
  ChunkEnd HandleComment(char** cursor);

  int64_t OffsetOf(const char* p) const { return chunk_offset_ + (p - data_); }

  ParserContext* ctx_;
  CommentStruct* rec_;
  void* caller_;
  const ScannerHooks& hooks_;

  int64_t size_ = 0;
  int read_size_ = 0;  // of the scan: 61440 for a whole-file scan, else 4096
  int pass_read_size_ = 0;  // of the current pass
  char* data_ = nullptr;      // first data byte (buffer + 1)
  char* near_end_ = nullptr;  // a comment at or past here is carried
  char* chunk_end_ = nullptr;  // last byte examined (inclusive)
  int64_t limit_ = 0;
  int backoff_ = 0;
  int64_t chunk_offset_ = 0;
  int bytes_ = 0;  // data bytes held in the chunk
  int64_t next_offset_ = 0;  // where the next chunk begins
  int carried_ = 0;          // bytes of the next chunk already at data_
  int last_found_ = -1;
  char key_[kKeyBufferSize] = {};
  long wait_index_ = 0;
  int64_t resume_offset_ = -1;
  int translate_flag_ = 0;
  // Set when a skip lands on the first byte of the next chunk: that byte is
  // treated as a skip within a chunk treats its target, not as a comment.
  bool land_on_first_ = false;
  // First bytes of the registered keys, to refuse most unknown comments
  // without a search. Rebuilt when the table changes.
  uint64_t first_bytes_[4] = {};
  const CommentEntry* indexed_entries_ = nullptr;
  uint32_t indexed_count_ = UINT32_MAX;
  bool any_empty_key_ = false;

  int Lookup(const char* text);
};

int Scan::Lookup(const char* text) {
  if (ctx_->entries != indexed_entries_ || ctx_->commentsNum != indexed_count_) {
    std::memset(first_bytes_, 0, sizeof first_bytes_);
    any_empty_key_ = false;
    for (uint32_t i = 0; i < ctx_->commentsNum; ++i) {
      const unsigned char c = static_cast<unsigned char>(ctx_->entries[i].key[0]);
      if (c == 0) any_empty_key_ = true;
      first_bytes_[c >> 6] |= uint64_t{1} << (c & 63);
    }
    indexed_entries_ = ctx_->entries;
    indexed_count_ = ctx_->commentsNum;
  }
  const unsigned char c = static_cast<unsigned char>(text[0]);
  if (!any_empty_key_ && (first_bytes_[c >> 6] & (uint64_t{1} << (c & 63))) == 0) {
    return -1;  // no key starts with this byte, so none can match
  }
  return ParserFindEntry(ctx_->entries, text, 0,
                         static_cast<int>(ctx_->commentsNum) - 1);
}

bool Scan::Fail(int status) {
  if (ctx_->scanStatus == VANTREL_SCAN_OK ||
      ctx_->scanStatus == VANTREL_SCAN_NOT_RUN) {
    ctx_->scanStatus = status;
  }
  ParserReleaseContext(ctx_);
  return false;
}

bool Scan::Open() {
  if (ctx_->pathTooLong) return Fail(VANTREL_SCAN_PATH_TOO_LONG);
  if (ctx_->filePath[0] == '\0') return Fail(VANTREL_SCAN_NO_SUCH_FILE);
  int status = VANTREL_SCAN_READ_ERROR;
  if (!OpenForScan(ctx_->filePath, &ctx_->fileHandle, &size_, &status)) {
    ctx_->fileHandle = -1;
    return Fail(status);
  }
  return true;
}

int64_t Scan::Run() {
  ctx_->scanStatus = VANTREL_SCAN_OK;
  // Modes other than 15 are taken by their head and tail bits alone, so
  // any value ends: 4 scans nothing, 7 scans head and tail.
  if (rec_->m_scanMode != kScanWholeFile) rec_->m_scanMode &= kScanHeadBit | kScanTailBit;
  rec_->m_passBits = rec_->m_scanMode;
  rec_->m_headerState = 0;
  rec_->m_sawHeaderLine = 0;
  rec_->m_endCommentsSeen = 0;
  rec_->m_trailerSeen = 0;
  rec_->m_documentDepth = 0;
  rec_->m_fileType = -1;
  rec_->m_heliosSupport = getHeliosSupport() ? 1 : 0;

  if (!Open()) return -1;

  read_size_ = rec_->m_passBits == kScanWholeFile ? kLargestReadSize : kHeadSize;
  // Byte 0 holds a line feed so the first data byte starts a line; one more
  // byte keeps a NUL after the valid data. The tail pass reads its 8192 bytes
  // in one go.
  const int buffer_size = std::max(read_size_, kTailSize);
  ctx_->chunkBuffer = static_cast<char*>(std::malloc(buffer_size + 2));
  if (ctx_->chunkBuffer == nullptr) {
    Fail(VANTREL_SCAN_OUT_OF_MEMORY);
    return -1;
  }
  ctx_->chunkBuffer[0] = '\n';
  data_ = ctx_->chunkBuffer + 1;
  data_[0] = '\0';

  if ((rec_->m_passBits & (kScanHeadBit | kScanTailBit)) == (kScanHeadBit | kScanTailBit) &&
      rec_->m_passBits != kScanWholeFile && size_ < 2 * kHeadSize) {
    rec_->m_passBits = rec_->m_scanMode = kScanWholeFile;
  }

  while (rec_->m_passBits != 0) {
    if (!RunPass()) return -1;
  }
  ParserReleaseContext(ctx_);
  return 0;
}

bool Scan::ReadChunk(int64_t offset, int kept) {
  // The size is known, so nothing is read past it: no call that can only
  // answer "end of file".
  const int64_t left = std::max<int64_t>(0, size_ - (offset + kept));
  const size_t want =
      static_cast<size_t>(std::min<int64_t>(pass_read_size_ - kept, left));
  int64_t n = 0;
  if (want > 0) n = ReadAt(ctx_->fileHandle, data_ + kept, want, offset + kept);
  if (n < 0) return Fail(VANTREL_SCAN_READ_ERROR);
  chunk_offset_ = offset;
  bytes_ = kept + static_cast<int>(n);
  data_[bytes_] = '\0';
  return true;
}

bool Scan::RunPass() {
  backoff_ = 0;
  pass_read_size_ = read_size_;
  if (rec_->m_passBits == kScanWholeFile) {
    limit_ = size_;
    rec_->m_passBits = 0;
  } else if (rec_->m_passBits & kScanHeadBit) {
    rec_->m_passBits &= ~kScanHeadBit;
    limit_ = kHeadSize;
    if (size_ < kHeadSize) {
      rec_->m_passBits = 0;
      rec_->m_scanMode = kScanWholeFile;
    } else {
      backoff_ = kHeadBackoff;
    }
  } else if (rec_->m_passBits & kScanTailBit) {
    if (size_ > kTailSize) {
      next_offset_ = size_ - kTailSize;
      ctx_->chunkBuffer[0] = '\n';
    } else {
      rec_->m_scanMode = kScanWholeFile;
    }
    limit_ = size_;
    pass_read_size_ = std::max(read_size_, kTailSize);
    rec_->m_inTailPass = 1;
    rec_->m_passBits &= ~kScanTailBit;
  } else {
    // A handler left bits this scanner has no pass for.
    rec_->m_passBits = 0;
    return true;
  }

  near_end_ = data_ + pass_read_size_ - kNearEndMargin;
  land_on_first_ = false;
  if (!ReadChunk(next_offset_, 0)) return false;
  // The DOS EPS binary header: the PostScript part starts at the offset the
  // header gives. An offset past the end simply reads nothing.
  if (bytes_ >= kDosEpsHeaderRead && std::memcmp(data_, kDosEpsMagic, 4) == 0) {
    ctx_->chunkBuffer[0] = '\n';
    if (!ReadChunk(LittleEndian32(data_ + 4), 0)) return false;
  }

  while (bytes_ > 0) {
    if (chunk_offset_ >= limit_) {
      // Left for the pass that follows, which begins here.
      next_offset_ = chunk_offset_;
      return true;
    }
    // The backoff leaves room after the last examined comment; at the end of
    // the file there is nothing to leave room for.
    int backoff = chunk_offset_ + bytes_ < size_ ? backoff_ : 0;
    int examined = std::max(0, bytes_ - backoff);
    ctx_->chunkOffset = chunk_offset_;
    ctx_->examinedLength = examined;
    ctx_->dataEnd = data_ + bytes_;
    chunk_end_ = data_ + examined;

    next_offset_ = chunk_offset_ + bytes_;
    carried_ = 0;
    ChunkEnd end = Examine();
    if (end == ChunkEnd::kFail) return false;

    // Without a "%!" line the head pass reads on.
    if (rec_->m_sawHeaderLine == 0 && limit_ - next_offset_ < kHeadSize) {
      limit_ += kLargestReadSize;
    }
    // When the pass goes on past a backed-off chunk, the backed-off bytes are
    // examined with the next chunk instead of being skipped.
    if (end == ChunkEnd::kNext && examined < bytes_ && next_offset_ < limit_) {
      next_offset_ = chunk_offset_ + examined + 1;
    }

    if (next_offset_ >= limit_) {
      // The next chunk belongs to the pass that follows; it reads it itself.
      return true;
    }
    // The byte before the next chunk: the true one when the chunks are
    // contiguous, so a "%" in mid-line at a chunk boundary is no comment.
    int64_t step = next_offset_ - chunk_offset_;
    if (end == ChunkEnd::kNext && step > 0 && step <= bytes_) {
      ctx_->chunkBuffer[0] = data_[step - 1];
    } else {
      ctx_->chunkBuffer[0] = '\n';
    }
    if (!ReadChunk(next_offset_, carried_)) return false;
  }
  next_offset_ = chunk_offset_ + bytes_;
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
    p = pct + 1;
  }
  return nullptr;
}

char* Scan::HooksAt(char* cursor) {
  if (rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr &&
      ctx_->dataEnd - cursor >= 4 && std::memcmp(cursor, "(%%[", 4) == 0) {
    cursor += 4;
    hooks_.pdfPageMessage(ctx_, rec_, cursor);
  }
  if (translate_flag_ == 0 && hooks_.macLandscapeCheck != nullptr &&
      chunk_end_ - cursor >= 20 && std::memcmp(cursor, "translate", 9) == 0) {
    translate_flag_ = hooks_.macLandscapeCheck(ctx_, rec_, cursor);
  }
  return cursor;
}

// The first place in [from, stop) where `pattern` starts within the data
// held, or `stop`.
char* FindPattern(char* from, char* stop, const char* data_end,
                  const char* pattern, size_t length) {
  if (from >= stop) return stop;
  // A match may run past `stop`, never past the data held.
  const size_t span = static_cast<size_t>(
      std::min<std::ptrdiff_t>(stop - from + static_cast<std::ptrdiff_t>(length) - 1,
                               data_end - from));
#if defined(__GLIBC__) || defined(__APPLE__) || defined(__FreeBSD__)
  void* hit = memmem(from, span, pattern, length);
  char* q = static_cast<char*>(hit);
  return q != nullptr && q < stop ? q : stop;
#else
  for (char* q = from; q < stop; ++q) {
    if (static_cast<size_t>(data_end - q) >= length &&
        std::memcmp(q, pattern, length) == 0) {
      return q;
    }
  }
  (void)span;
  return stop;
#endif
}

// Runs the hooks at every position in [from, stop) where one can fire.
// Answers the position after the last byte the hooks looked at.
char* Scan::RunHooksBefore(char* from, char* stop) {
  char* p = from;
  while (p < stop) {
    const bool pdf = rec_->m_inTailPass && hooks_.pdfPageMessage != nullptr;
    const bool mac =
        translate_flag_ == 0 && hooks_.macLandscapeCheck != nullptr;
    if (!pdf && !mac) return stop;
    char* next = stop;
    if (pdf) next = FindPattern(p, next, ctx_->dataEnd, "(%%[", 4);
    if (mac) next = FindPattern(p, next, ctx_->dataEnd, "translate", 9);
    if (next >= stop) return stop;
    p = HooksAt(next) + 1;
  }
  return p;
}

Scan::ChunkEnd Scan::Examine() {
  char* cursor = data_;
  if (land_on_first_) {
    land_on_first_ = false;
    cursor = HooksAt(cursor) + 1;
  }
  while (cursor <= chunk_end_) {
    char* pct = FindCommentStart(cursor);
    char* stop = pct != nullptr ? pct : chunk_end_ + 1;
    cursor = RunHooksBefore(cursor, stop);
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

  if (p >= near_end_ && chunk_offset_ + bytes_ < size_) {
    // Too close to the end of a full chunk: handle it complete at the start
    // of the next one.
    carried_ = static_cast<int>(data_ + bytes_ - p);
    std::memmove(data_, p, static_cast<size_t>(carried_));
    next_offset_ = OffsetOf(p);
    return ChunkEnd::kCarry;
  }

  char* comment_start = p;
  ++p;
  if (*p == '%') ++p;
  for (int n = 0; n < kBlankRunLimit && (*p == ' ' || *p == '\t'); ++n) ++p;

  int64_t continuation = 0;
  if (*p == '+' && last_found_ != -1) {
    ++p;
    continuation = 1;
    ctx_->keyStart = nullptr;
  } else {
    if (*p == '!') {
      rec_->m_sawHeaderLine = 1;
      if (rec_->m_fileType == -1) rec_->m_fileType = ParserFileType(p, data_end);
      rec_->m_headerState = 1;
      rec_->m_isEPSF = ParserIsEPSF(p, data_end) ? 1 : 0;
      if (rec_->m_isEPSF && rec_->m_fileType == 1 &&
          hooks_.epsPageCount != nullptr) {
        hooks_.epsPageCount(reinterpret_cast<char*>(ctx_), rec_, 0, nullptr,
                            nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr);
      }
      if (limit_ - chunk_offset_ < kHeaderLineGrowthMargin) {
        limit_ += kLargestReadSize;
      }
    }

    last_found_ = Lookup(p);
    if (wait_index_ != 0 && wait_index_ != last_found_ &&
        resume_offset_ != -1) {
      // The skipped section did not end where its count said: examine it.
      next_offset_ = resume_offset_;
      resume_offset_ = -1;
      wait_index_ = 0;
      return ChunkEnd::kJump;
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
    if (*p == ':') ++p;
  }

  for (int n = 0; n < kBlankRunLimit && (*p == ' ' || *p == '\t'); ++n) ++p;
  wait_index_ = 0;
  const int64_t value_offset = OffsetOf(p);

  int64_t result =
      ParserDispatch(ctx_, last_found_, rec_, key_, &p, comment_start,
                     continuation, value_offset, &wait_index_, caller_);
  // Handlers move the position forward within the data held; anything else
  // is taken as "no move".
  if (p < comment_start || p > data_end) p = comment_start;

  if (result == -1) {
    Fail(VANTREL_SCAN_HANDLER_FAILED);
    return ChunkEnd::kFail;
  }
  if (result > 0 && result <= size_) {
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
        return ChunkEnd::kJump;
      }
      p = data_ + (result - chunk_offset_);
    }
  } else if (result > size_) {
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
