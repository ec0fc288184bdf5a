#include "handlers/checks.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#include <immintrin.h>
#endif

#include "engine/byte_source.h"
#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/window_probe.h"
#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "output/escape.h"
#include "platform/number_text.h"

namespace vantrel {

namespace {

// DSC lines are at most 255 bytes long, line end excluded.
constexpr int64_t kLongestDscLine = 255;
// Bytes of a line's start kept for deciding what the line is: enough for
// the PJL escape "\x1b%-12345X".
constexpr int kHeadBytes = 10;
// Counted data in bytes from this long on are skipped unread, or, when the
// chunk holds them, passed over: their line ends are counted when the job
// ends, and only when a finding comes after them.
constexpr int64_t kLaterBytes = 4096;
// Open blocks tracked one by one; deeper ones are only counted (a job that
// nests deeper than this is broken beyond what more findings would say).
constexpr int kMaxBlocks = 64;
// Words quoted from the job in a message are cut here.
constexpr size_t kQuotedWord = 64;
// The bytes of a comment's value read for its checks.
constexpr size_t kValueBytes = 512;

enum class BlockKind {
  kDocument,
  kFile,
  kResource,
  kFont,
  kProcSet,
  kFeature,
  kProlog,
  kSetup,
  kPageSetup,
  kData,
  kBinary,
  kObject,
};
const char* const kBlockNames[] = {
    "Document", "File",  "Resource",  "Font", "ProcSet", "Feature",
    "Prolog",   "Setup", "PageSetup", "Data", "Binary",  "Object",
};

// Blocks that hold a document of their own: its pages, header and trailer
// are checked on their own and never mix with the job's.
bool OpensDocument(BlockKind kind) { return kind <= BlockKind::kProcSet; }
// Of those, the ones that may hold pages and a trailer; a resource open at
// a page or a trailer was left unclosed.
bool HoldsPages(BlockKind kind) {
  return kind == BlockKind::kDocument || kind == BlockKind::kFile;
}

// What a key of the set does.
enum class Role {
  kHeaderLine,  // "%!"
  kEndComments,
  kTrailer,
  kPage,
  kEof,
  kBegin,       // arg: BlockKind
  kEnd,         // arg: BlockKind
  kBodyMark,    // ends a header, nothing else ("BeginDefaults")
  kHeaderOnly,  // counts only in a header (or a trailer, when deferred)
  kPageBox,
  kPageWord,
  kDex,
};

// Value checks of a key.
enum class Value { kNone, kBox, kPages, kWords };

// Word sets of the keys whose values are DSC words.
struct WordSet {
  const char* list;  // for the message
  const char* const* words;
  bool atend;  // "(atend)" is allowed too
};
const char* const kOrientationWords[] = {"Portrait", "Landscape", nullptr};
// A page may also be turned upside down, or the other way round.
const char* const kPageOrientationWords[] = {
    "Portrait", "Landscape", "Upside-Down", "Seascape", nullptr};
const char* const kPageOrderWords[] = {"Ascend", "Descend", "Special", nullptr};
const char* const kLevelWords[] = {"1", "2", "3", nullptr};
const char* const kRequirementWords[] = {
    "collate", "color",      "duplex",    "faxmodem", "fonts",
    "jog",     "manualfeed", "numcopies", "punch",    "resolution",
    "rollfed", "staple",     nullptr};
const WordSet kWordSets[] = {
    {"Portrait, Landscape", kOrientationWords, true},
    {"Ascend, Descend, Special", kPageOrderWords, true},
    {"1, 2, 3", kLevelWords, false},
    {"Portrait, Landscape, Upside-Down, Seascape", kPageOrientationWords, true},
    {"collate, color, duplex, faxmodem, fonts, jog, manualfeed, numcopies, "
     "punch, resolution, rollfed, staple",
     kRequirementWords, true},
};
enum {
  kOrientationSet,
  kPageOrderSet,
  kLevelSet,
  kPageOrientationSet,
  kRequirementSet
};

struct KeyInfo {
  const char* key;
  Role role;
  int arg;  // BlockKind, or the word set
  Value value;
  int atend;  // index among the deferrable keys, or -1
};

// Deferrable keys: a header "(atend)" hands their value to the trailer.
constexpr int kAtEndKeys = 16;

#define BLOCK(kind)                                                   \
  {"Begin" #kind, Role::kBegin, static_cast<int>(BlockKind::k##kind), \
   Value::kNone, -1},                                                 \
  {                                                                   \
    "End" #kind, Role::kEnd, static_cast<int>(BlockKind::k##kind),    \
        Value::kNone, -1                                              \
  }

const KeyInfo kKeys[] = {
    {"!", Role::kHeaderLine, 0, Value::kNone, -1},
    {"EndComments", Role::kEndComments, 0, Value::kNone, -1},
    {"Trailer", Role::kTrailer, 0, Value::kNone, -1},
    {"Page", Role::kPage, 0, Value::kNone, -1},
    {"EOF", Role::kEof, 0, Value::kNone, -1},
    BLOCK(Document),
    BLOCK(File),
    BLOCK(Resource),
    BLOCK(Font),
    BLOCK(ProcSet),
    BLOCK(Feature),
    BLOCK(Prolog),
    BLOCK(Setup),
    BLOCK(PageSetup),
    BLOCK(Data),
    BLOCK(Binary),
    BLOCK(Object),
    {"BeginDefaults", Role::kBodyMark, 0, Value::kNone, -1},
    {"PageBoundingBox", Role::kPageBox, 0, Value::kBox, -1},
    {"PageOrientation", Role::kPageWord, kPageOrientationSet, Value::kWords,
     -1},
    {"BeginDexJTData:", Role::kDex, 0, Value::kNone, -1},
    // Header comments; those with an index may say "(atend)".
    {"BoundingBox", Role::kHeaderOnly, 0, Value::kBox, 0},
    {"HiResBoundingBox", Role::kHeaderOnly, 0, Value::kNone, 1},
    {"Pages", Role::kHeaderOnly, 0, Value::kPages, 2},
    {"PageOrder", Role::kHeaderOnly, kPageOrderSet, Value::kWords, 3},
    {"Orientation", Role::kHeaderOnly, kOrientationSet, Value::kWords, 4},
    {"DocumentNeededResources", Role::kHeaderOnly, 0, Value::kNone, 5},
    {"DocumentSuppliedResources", Role::kHeaderOnly, 0, Value::kNone, 6},
    {"DocumentFonts", Role::kHeaderOnly, 0, Value::kNone, 7},
    {"DocumentNeededFonts", Role::kHeaderOnly, 0, Value::kNone, 8},
    {"DocumentSuppliedFonts", Role::kHeaderOnly, 0, Value::kNone, 9},
    {"DocumentNeededProcSets", Role::kHeaderOnly, 0, Value::kNone, 10},
    {"DocumentSuppliedProcSets", Role::kHeaderOnly, 0, Value::kNone, 11},
    {"DocumentProcessColors", Role::kHeaderOnly, 0, Value::kNone, 12},
    {"DocumentCustomColors", Role::kHeaderOnly, 0, Value::kNone, 13},
    {"Requirements", Role::kHeaderOnly, kRequirementSet, Value::kWords, 14},
    {"DocumentMedia", Role::kHeaderOnly, 0, Value::kNone, 15},
    {"Title", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"Creator", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"CreationDate", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"For", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"Routing", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"LanguageLevel", Role::kHeaderOnly, kLevelSet, Value::kWords, -1},
    {"DocumentData", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"DocumentPrinterRequired", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"Copyright", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"Version", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"ProofMode", Role::kHeaderOnly, 0, Value::kNone, -1},
    {"TargetDevice", Role::kHeaderOnly, 0, Value::kNone, -1},
};
#undef BLOCK

// A word of the job as it may stand in a message: cut, control bytes
// escaped, other bytes read as Latin-1.
std::string Quoted(std::string_view word) {
  const bool cut = word.size() > kQuotedWord;
  std::string text =
      "'" +
      Escape(word.substr(0, kQuotedWord), Source::kLatin1, Style::kDisplay) +
      (cut ? "...'" : "'");
  return text;
}

std::string_view Trimmed(std::string_view v) {
  while (!v.empty() && IsBlankByte(v.front())) v.remove_prefix(1);
  while (!v.empty() && IsBlankByte(v.back())) v.remove_suffix(1);
  return v;
}

bool IsAtEnd(std::string_view v) { return Trimmed(v) == "(atend)"; }

// A decimal number: optional sign, digits with at most one point, at least
// one digit. `integer` tells whether it has no point.
bool ReadNumber(std::string_view token, double* value, bool* integer) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  double v = 0;
  double scale = 0;
  bool digits = false;
  *integer = true;
  for (; i < token.size(); ++i) {
    const char c = token[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (scale == 0) {
        v = v * 10 + (c - '0');
      } else {
        v += (c - '0') * scale;
        scale /= 10;
      }
    } else if (c == '.' && scale == 0) {
      *integer = false;
      scale = 0.1;
    } else {
      return false;
    }
  }
  *value = negative ? -v : v;
  return digits;
}

// The next blank-separated token of `v`, taken off its front.
std::string_view NextToken(std::string_view& v) {
  v = Trimmed(v);
  size_t end = 0;
  while (end < v.size() && !IsBlankByte(v[end])) ++end;
  std::string_view token = v.substr(0, end);
  v.remove_prefix(end);
  return token;
}

// A count: decimal digits only. One beyond any file is held at a cap: it
// still runs past the job's end, and no sum with an offset overflows.
bool ReadCount(std::string_view token, int64_t* count) {
  constexpr int64_t kCountCap = INT64_C(1) << 50;
  if (token.empty() ||
      token.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  if (ReadIntegerText(token.data(), token.data() + token.size(), int64_t{0},
                      kCountCap, count) == nullptr) {
    *count = kCountCap;
  }
  return true;
}

}  // namespace

// The checker proper. Its line machinery: `counted_` is the offset up to
// which bytes were counted; `line_` the number of the line that holds it,
// starting at `line_start_`.
class Checker {
 public:
  Checker() { docs_[0].job = true; }

  // Counts the bytes from counted_ up to `at`; `data` holds the byte at
  // file offset `data_offset`, and every byte from counted_ up to `at` lies
  // in it.
  void Advance(const char* data, int64_t data_offset, int64_t at);
  // The scan handed over the window's last byte (`context` is the scan's,
  // its source still open): the job is closed, and the lines of skipped
  // data that a finding lies after are counted.
  void ScanEnded(ParserContext* context);
  // The offset the scanner is to skip to after the comment just handled
  // (0: none), taken once.
  int64_t TakeSkip() {
    const int64_t to = skip_to_;
    skip_to_ = 0;
    return to;
  }
  bool LinesExact() const { return lines_exact_; }
  const char* FastForward(const char* p, const char* end, int64_t here);
  void LineText(const char* p, const char* t, int64_t start);
  void HeaderLine(std::string_view text);
  void BeginBlock(const KeyInfo& key, ParserContext* ctx, std::string_view text,
                  const char* value, const char* comment_start, int64_t at);
  void EndBlock(const KeyInfo& key);
  void DexBlock(std::string_view text);
  void OnComment(const KeyInfo& key, char* context, const char* comment_start,
                 int64_t at, const char* value, bool continuation);
  // Before the first byte is counted: a DOS EPS header that names a
  // PostScript section outside the file is an error (the scanner reads what
  // of it the file holds).
  void ReadHead(ParserContext* ctx) {
    if (!head_read_) ReadDosEpsHeader(ctx);
  }
  void ReadDosEpsHeader(ParserContext* ctx);
  void NoteDosEpsHeader(int64_t begin, int64_t length, int64_t size);
  CheckReport Finish();
  bool SawBytes() const { return counted_ >= 0; }

 private:
  enum class Part { kNone, kHeader, kBody, kTrailer };
  struct Doc {
    BlockKind kind = BlockKind::kDocument;
    bool job = false;
    Part part = Part::kNone;
    bool dsc = false;  // its "%!" line claims the conventions ("PS-Adobe-")
    bool eps = false;
    bool end_comments = false;
    uint32_t deferred = 0;  // bits of the deferrable keys
    uint32_t resolved = 0;
    int64_t defer_line[kAtEndKeys] = {};
    int64_t defer_offset[kAtEndKeys] = {};
    int64_t pages_stated = -1;
    int64_t pages_line = 0;
    int64_t pages_offset = 0;
    int64_t page_count = 0;
    int64_t next_ordinal = 1;
    bool order_reported = false;
    bool order_special = false;
  };
  struct Block {
    BlockKind kind;
    int64_t line;
    int64_t offset;
    int doc;  // index in docs_ of the document it opened, or -1
  };

  void Add(FindingLevel level, const char* code, std::string message) {
    AddAt(line_, line_start_, level, code, std::move(message));
  }
  void AddAt(int64_t line, int64_t offset, FindingLevel level, const char* code,
             std::string message);
  bool Quiet() const;
  bool QuietHeader() const;
  const char* CountCommentLines(const char* p, const char* end, int64_t offset);
  const char* CountLines(const char* p, const char* end, int64_t offset);
  const char* CountAnyLineEnds(const char* p, const char* end, int64_t offset);
  void LongLine(const char* line, int64_t length, int64_t number,
                int64_t offset);
  void EndLine(int64_t end);
  // Ends the job where the scan stopped: the last line, and what is still
  // open (blocks, documents, counted data). Once.
  void CloseJob();
  void LineHead();
  void SkipData(const ParserContext* ctx, const char* value,
                int64_t value_offset);
  void NoteGap(int64_t begin, int64_t end, char before_end);
  bool ResolveLines(ParserContext* ctx);
  bool Active() const { return started_ && !stopped_; }
  bool InData() const;
  void DataReached(const KeyInfo& key, int64_t at, bool continuation);
  Doc& Current() { return docs_[doc_depth_ - 1]; }
  void CloseHeader();
  void EndBlocksAbove(int keep);
  void PopBlock(bool left_open);
  void FinishDoc(const Doc& doc);
  void CheckBox(const char* name, std::string_view value, bool integers);
  void CheckWords(const char* name, int set, std::string_view value);
  void HeaderComment(const KeyInfo& key, std::string_view value,
                     bool continuation);
  void Page(std::string_view value);

  // Lines.
  int64_t counted_ = -1;
  int64_t job_start_ = 0;
  int64_t line_ = 1;
  int64_t line_start_ = 0;
  bool after_cr_ = false;
  char head_[kHeadBytes] = {};
  int head_len_ = 0;
  bool head_done_ = false;
  bool closed_ = false;
  bool head_read_ = false;
  bool scan_ended_ = false;
  bool lines_exact_ = true;

  // Counted data in bytes are skipped unread (the scanner is told to go on
  // at their last byte), or passed over when the chunk holds them. line_
  // then counts only the line ends outside them; the ranges left are kept,
  // each with line_ at its start and end (equal for one range, apart for
  // ranges merged into one: those also hold the counted bytes between
  // them). When the scan ends, the findings get exact lines by reading the
  // ranges that lie before them, and only those, through the scan's
  // source: a job whose findings all come before any counted data reads no
  // skipped byte. Past kMaxRanges, the two ranges closest together are
  // merged, so the memory stays constant however many sections a job
  // holds.
  struct Range {
    int64_t begin;
    int64_t end;
    int64_t line_begin;  // line_ when the range began
    int64_t line_end;    // line_ when it ended
    bool cr_before;      // the byte before it is a CR
  };
  static constexpr int kMaxRanges = 64;
  Range ranges_[kMaxRanges] = {};
  int range_count_ = 0;
  int64_t skip_to_ = 0;

  // The job.
  bool started_ = false;  // its "%!" line came
  bool stopped_ = false;  // not PostScript: nothing more is checked
  bool dos_range_bad_ = false;
  bool eof_seen_ = false;
  int64_t eof_line_ = 0;
  bool after_eof_reported_ = false;

  // Open blocks and documents (docs_[0] is the job's).
  Block blocks_[kMaxBlocks] = {};
  int block_depth_ = 0;
  int64_t overflow_ = 0;
  Doc docs_[kMaxBlocks + 1];
  int doc_depth_ = 1;

  // Counted data: the begin that gave a count, until the first comment
  // after the data.
  bool data_pending_ = false;  // the count's line has not ended yet
  bool data_active_ = false;
  bool data_fresh_ = false;  // the data begin at the next byte
  bool data_lines_ = false;
  BlockKind data_kind_ = BlockKind::kData;
  int64_t data_count_ = 0;
  int64_t data_end_ = 0;  // offset, or line number when counted in lines
  int64_t data_line_ = 0;
  int64_t data_offset_ = 0;

  // DEX blocks: the one reaching furthest.
  bool dex_pending_ = false;   // the length's line has not ended yet
  bool dex_starting_ = false;  // the block begins at the next content byte
  int64_t dex_length_ = 0;
  int64_t dex_line_ = 0;
  int64_t dex_offset_ = 0;
  int64_t dex_far_end_ = -1;
  int64_t dex_far_length_ = 0;
  int64_t dex_far_line_ = 0;
  int64_t dex_far_offset_ = 0;

  CheckReport report_;
  int64_t dropped_ = 0;
  int64_t dropped_line_ = 0;
  int64_t dropped_offset_ = 0;
};

void Checker::AddAt(int64_t line, int64_t offset, FindingLevel level,
                    const char* code, std::string message) {
  if (level == FindingLevel::kError) {
    ++report_.errors;
  } else {
    ++report_.warnings;
  }
  if (report_.findings.size() >= kMaxFindings) {
    if (dropped_++ == 0) {
      dropped_line_ = line;
      dropped_offset_ = offset;
    }
    return;
  }
  Finding f;
  f.line = line;
  f.offset = offset;
  f.level = level;
  f.code = code;
  f.message = std::move(message);
  report_.findings.push_back(std::move(f));
}

void Checker::Advance(const char* data, int64_t data_offset, int64_t at) {
  if (counted_ < 0) {
    // Line 1 starts where the job does: after leading Ctrl-D bytes, or at
    // the PostScript section of a DOS EPS file.
    counted_ = data_offset;
    line_start_ = data_offset;
    job_start_ = data_offset;
  }
  // A chunk after skipped bytes: its byte before (data[-1]) is the last
  // byte skipped.
  if (data_offset > counted_) NoteGap(counted_, data_offset, data[-1]);
  if (at <= counted_) return;
  if (stopped_) {  // nothing more is reported: lines need no counting
    counted_ = at;
    return;
  }
  const char* p = data + (counted_ - data_offset);
  const char* const end = data + (at - data_offset);
  const char* const base = data;
  const char* lf = nullptr;
  const char* cr = nullptr;
  while (p < end) {
    const bool fresh = data_fresh_;
    data_fresh_ = false;
    if (after_cr_) {
      after_cr_ = false;
      if (*p == '\n') {  // the second byte of a CRLF
        ++p;
        ++line_start_;
        // Counted data begin after the whole line end.
        if (fresh && !data_lines_) ++data_end_;
        continue;
      }
    }
    const int64_t here = data_offset + (p - base);
    const char* next = FastForward(p, end, here);
    if (next > p) {
      p = next;
      continue;
    }
    if (cr == nullptr || cr < p) {
      const void* hit = std::memchr(p, '\r', static_cast<size_t>(end - p));
      cr = hit != nullptr ? static_cast<const char*>(hit) : end;
    }
    // The next line end, with each search reused until it is passed, so
    // every byte is searched at most twice.
    if (lf == nullptr || lf < p) {
      const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p));
      lf = hit != nullptr ? static_cast<const char*>(hit) : end;
    }
    const char* t = std::min(lf, cr);
    if (t > p) LineText(p, t, here);
    if (t == end) break;
    EndLine(data_offset + (t - base));
    after_cr_ = *t == '\r';
    p = t + 1;
    ++line_;
    line_start_ = data_offset + (p - base);
  }
  counted_ = at;
}

// Steps over bytes from `p` (at file offset `here`) that need no look of
// their own. Answers `p` when there are none.
const char* Checker::FastForward(const char* p, const char* end, int64_t here) {
  // Counted bytes: every line end counts, nothing else is looked at.
  // Many of them are left for later, like skipped ones: few jobs have a
  // finding after them.
  if (Quiet() && data_active_ && !data_lines_ && here < data_end_) {
    const char* limit =
        data_end_ - here < end - p ? p + (data_end_ - here) : end;
    if (limit - p >= kLaterBytes) {
      NoteGap(here, here + (limit - p), limit[-1]);
      return limit;
    }
    return CountAnyLineEnds(p, limit, here);
  }
  // Most of a job is body text, where no line needs a look of its own:
  // its LF-ended lines are counted in bulk, up to the next CR.
  if (head_len_ == 0 && here == line_start_ && *p == '%' && QuietHeader()) {
    const char* next = CountCommentLines(p, end, here);
    if (next > p) return next;
  }
  if (Quiet() && head_len_ == 0 && here == line_start_) {
    return CountLines(p, end, here);
  }
  return p;
}

// The text [p, t) of a line, at file offset `start`: where a DEX block's
// data begin, and the first bytes of the line that are looked at.
void Checker::LineText(const char* p, const char* t, int64_t start) {
  if (dex_starting_) {
    dex_starting_ = false;
    if (start + dex_length_ > dex_far_end_) {
      dex_far_end_ = start + dex_length_;
      dex_far_length_ = dex_length_;
      dex_far_line_ = dex_line_;
      dex_far_offset_ = dex_offset_;
    }
  }
  if (!head_done_) {
    const int take =
        static_cast<int>(std::min<int64_t>(kHeadBytes - head_len_, t - p));
    std::memcpy(head_ + head_len_, p, static_cast<size_t>(take));
    head_len_ += take;
    if (head_len_ == kHeadBytes) LineHead();
  }
}

// Nothing but the count and over-long DSC lines matters for the lines that
// follow: the job's body or trailer, no counted lines or DEX block starting,
// no "%%EOF" whose aftermath is still to be looked at.
// A header's lines need a look only when one does not start with "%" (it
// ends the header); the others are counted in bulk, with the same
// conditions as body lines.
bool Checker::QuietHeader() const {
  const Part part = docs_[doc_depth_ - 1].part;
  return started_ && !stopped_ && !data_pending_ && !data_active_ &&
         !data_fresh_ && !dex_pending_ && !dex_starting_ &&
         (!eof_seen_ || after_eof_reported_) &&
         (part == Part::kHeader || part == Part::kNone);
}

bool Checker::Quiet() const {
  const Part part = docs_[doc_depth_ - 1].part;
  // Counted data in bytes are only counted through: no line in them is
  // looked at, and their end is checked at the next comment.
  return started_ && !stopped_ && !data_pending_ &&
         !(data_active_ && data_lines_) && !data_fresh_ && !dex_pending_ &&
         !dex_starting_ && (!eof_seen_ || after_eof_reported_) &&
         (part == Part::kBody || part == Part::kTrailer);
}

namespace {

// Counting LFs in bulk. A step takes 64 bytes and its LFs as a bit mask;
// only the first LF of a step can end a line longer than the step, so a step
// costs the same however many lines it holds. Each stepper goes on while
// 64 bytes are left, no step holds a CR, and no step's first LF ends a line
// of more than 255 bytes; it answers where it stopped and moves *line (the
// start of the line being read) and *lines on.
#if defined(__SSE2__)
#define VANTREL_CHECK_STEPS 1

// The number of bits set in a 64-bit mask.
unsigned Bits64(uint64_t x) {
  x = x - ((x >> 1) & UINT64_C(0x5555555555555555));
  x = (x & UINT64_C(0x3333333333333333)) +
      ((x >> 2) & UINT64_C(0x3333333333333333));
  x = (x + (x >> 4)) & UINT64_C(0x0F0F0F0F0F0F0F0F);
  return static_cast<unsigned>((x * UINT64_C(0x0101010101010101)) >> 56);
}

// The LFs and the CRs of the 64 bytes at p, bit n for byte n.
inline void LineEndMasks64(const char* p, uint64_t* lfs, uint64_t* crs) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  *lfs = 0;
  *crs = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    *lfs |= static_cast<uint64_t>(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf))))
            << (16 * k);
    *crs |= static_cast<uint64_t>(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr))))
            << (16 * k);
  }
}

// The LFs alone (the CR half is dropped once inlined).
inline uint64_t LfMask64(const char* p) {
  uint64_t lfs = 0;
  uint64_t crs = 0;
  LineEndMasks64(p, &lfs, &crs);
  return lfs;
}

const char* StepsSse2(const char* p, const char* end, const char** line,
                      int64_t* lines) {
  for (; end - p >= 64; p += 64) {
    uint64_t lfs = 0;
    uint64_t crs = 0;
    LineEndMasks64(p, &lfs, &crs);
    if (crs != 0) break;
    if (lfs == 0) continue;
    if (p + __builtin_ctzll(lfs) - *line > kLongestDscLine) break;
    *lines += Bits64(lfs);
    *line = p + (63 - __builtin_clzll(lfs)) + 1;
  }
  return p;
}
#endif

#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#define VANTREL_CHECK_AVX2 1

// The same with 32-byte compares, for processors that have them (chosen
// once per process at run time; the build targets plain x86-64).
__attribute__((target("avx2,popcnt"))) const char* StepsAvx2(const char* p,
                                                             const char* end,
                                                             const char** line,
                                                             int64_t* lines) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  for (; end - p >= 64; p += 64) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(a, cr),
                                             _mm256_cmpeq_epi8(b, cr))) != 0) {
      break;
    }
    const uint64_t lfs = static_cast<uint64_t>(static_cast<uint32_t>(
                             _mm256_movemask_epi8(_mm256_cmpeq_epi8(a, lf)))) |
                         static_cast<uint64_t>(static_cast<uint32_t>(
                             _mm256_movemask_epi8(_mm256_cmpeq_epi8(b, lf))))
                             << 32;
    if (lfs == 0) continue;
    if (p + __builtin_ctzll(lfs) - *line > kLongestDscLine) break;
    *lines += __builtin_popcountll(lfs);
    *line = p + (63 - __builtin_clzll(lfs)) + 1;
  }
  return p;
}

bool HaveAvx2() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return have;
}
#endif

// The line ends (LF, CR, CRLF) of [p, end); *cr tells whether the byte
// before p was a CR, and is left telling whether the last byte was one.
int64_t CountEnds(const char* p, const char* end, bool* cr) {
  int64_t lines = 0;
  bool after_cr = *cr;
#if defined(__SSE2__)
  for (; end - p >= 64; p += 64) {
    uint64_t lfs = 0;
    uint64_t crs = 0;
    LineEndMasks64(p, &lfs, &crs);
    const uint64_t second = lfs & ((crs << 1) | (after_cr ? 1u : 0u));
    lines += Bits64((lfs | crs) & ~second);
    after_cr = (crs >> 63) != 0;
  }
#endif
  for (; p < end; ++p) {
    if (*p == '\n') {
      if (!after_cr) ++lines;
      after_cr = false;
    } else if (*p == '\r') {
      ++lines;
      after_cr = true;
    } else {
      after_cr = false;
    }
  }
  *cr = after_cr;
  return lines;
}

}  // namespace

// Counts the LF-ended lines from `p` (a line's start, at file offset
// `offset`) up to the first CR or `end`, and answers the start of the line
// after the last LF counted (p when there was none).
const char* Checker::CountLines(const char* p, const char* end,
                                int64_t offset) {
  const char* const begin = p;
  const char* line = p;
  int64_t lines = 0;
  for (;;) {
#if defined(VANTREL_CHECK_AVX2)
    p = HaveAvx2() ? StepsAvx2(p, end, &line, &lines)
                   : StepsSse2(p, end, &line, &lines);
#elif defined(VANTREL_CHECK_STEPS)
    p = StepsSse2(p, end, &line, &lines);
#endif
    // The rest one byte at a time: less than a step, or the step that holds
    // a CR or whose first LF ends a long line, up to that byte.
    const char* stop = end - p >= 64 ? p + 64 : end;
    bool cr = false;
    for (; p < stop; ++p) {
      if (*p == '\r') {
        cr = true;
        break;
      }
      if (*p != '\n') continue;
      const bool long_line = p - line > kLongestDscLine;
      if (long_line) {
        LongLine(line, p - line, line_ + lines, offset + (line - begin));
      }
      ++lines;
      line = p + 1;
      if (long_line) {
        ++p;
        break;
      }
    }
    if (cr || p >= end) break;
  }
  line_ += lines;
  line_start_ = offset + (line - begin);
  return line;
}

// Counts the LF-ended lines from `p` (a line's start, at file offset
// `offset`, in a header) while each starts with "%", up to the first CR or
// `end`; answers the start of the first line not counted.
const char* Checker::CountCommentLines(const char* p, const char* end,
                                       int64_t offset) {
  const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
  if (cr != nullptr) end = static_cast<const char*>(cr);
  const char* const begin = p;
  const char* line = p;
  int64_t lines = 0;
  bool stop = false;
#if defined(VANTREL_CHECK_STEPS)
  for (; !stop && end - p >= 64; p += 64) {
    for (uint64_t lfs = LfMask64(p); lfs != 0; lfs &= lfs - 1) {
      const char* q = p + __builtin_ctzll(lfs);
      if (q - line > kLongestDscLine) {
        LongLine(line, q - line, line_ + lines, offset + (line - begin));
      }
      ++lines;
      line = q + 1;
      if (line < end && *line != '%') {
        stop = true;
        break;
      }
    }
  }
#endif
  for (; !stop && p < end; ++p) {
    if (*p != '\n') continue;
    if (p - line > kLongestDscLine) {
      LongLine(line, p - line, line_ + lines, offset + (line - begin));
    }
    ++lines;
    line = p + 1;
    if (line < end && *line != '%') break;
  }
  line_ += lines;
  line_start_ = offset + (line - begin);
  return line;
}

// Counts every line end (LF, CR, CRLF) of [p, end), `p` being at file
// offset `offset`, and answers end. Lines are not looked at.
const char* Checker::CountAnyLineEnds(const char* p, const char* end,
                                      int64_t offset) {
  const char* const begin = p;
  const char* line = nullptr;  // after the last line end met
  int64_t lines = 0;
  bool cr = after_cr_;  // the byte before p was a CR
#if defined(__SSE2__)
  for (; end - p >= 64; p += 64) {
    uint64_t lfs = 0;
    uint64_t crs = 0;
    LineEndMasks64(p, &lfs, &crs);
    const uint64_t ends = lfs | crs;
    if (ends == 0) {
      cr = false;
      continue;
    }
    // An LF right after a CR ends no line of its own.
    const uint64_t second = lfs & ((crs << 1) | (cr ? 1u : 0u));
    lines += Bits64(ends & ~second);
    line = p + (63 - __builtin_clzll(ends)) + 1;
    cr = (crs >> 63) != 0;
  }
#endif
  for (; p < end; ++p) {
    if (*p == '\n') {
      if (!cr) ++lines;
      line = p + 1;
      cr = false;
    } else if (*p == '\r') {
      ++lines;
      line = p + 1;
      cr = true;
    } else {
      cr = false;
    }
  }
  after_cr_ = cr;
  if (line != nullptr) {
    line_ += lines;
    line_start_ = offset + (line - begin);
    head_len_ = 0;
    head_done_ = false;
  }
  return end;
}

void Checker::LongLine(const char* line, int64_t length, int64_t number,
                       int64_t offset) {
  if (line[0] != '%' || (line[1] != '%' && line[1] != '!')) return;
  if (data_active_ && !data_lines_ && offset < data_end_) return;
  AddAt(
      number, offset, FindingLevel::kWarning, "line-too-long",
      "DSC comment line of " + std::to_string(length) + " bytes (at most 255)");
}

void Checker::EndLine(int64_t end) {
  if (!head_done_) LineHead();
  const bool dsc_line =
      head_len_ >= 2 && head_[0] == '%' && (head_[1] == '%' || head_[1] == '!');
  const int64_t length = end - line_start_;
  if (dsc_line && length > kLongestDscLine && Active() && !InData()) {
    Add(FindingLevel::kWarning, "line-too-long",
        "DSC comment line of " + std::to_string(length) +
            " bytes (at most 255)");
  }
  head_len_ = 0;
  head_done_ = false;
  if (data_pending_) {
    // The data begin on the next line.
    data_pending_ = false;
    data_active_ = true;
    data_end_ = data_lines_ ? line_ + 1 + data_count_ : end + 1 + data_count_;
    data_fresh_ = true;
  }
  if (dex_pending_) {
    dex_pending_ = false;
    dex_starting_ = true;
  }
}

// The start of a line is known (its first kHeadBytes bytes, or all of a
// shorter line): decides what needs the line's first bytes.
void Checker::LineHead() {
  head_done_ = true;
  const std::string_view head(head_, static_cast<size_t>(head_len_));
  const WindowStart kind = ClassifyWindowStart(head_, head_len_);
  bool blank = true;
  for (char c : head) {
    if (!(IsBlankByte(c) || c == '\x04' || c == '\f' || c == '\0'))
      blank = false;
  }
  if (!started_ && !stopped_) {
    if (head.substr(0, 2) == "%!") {
      started_ = true;
    } else if (kind.pdf) {
      AddAt(1, line_start_, FindingLevel::kError, "pdf",
            "the job is a PDF file, not PostScript");
      stopped_ = true;
    } else if (!kind.pjl && !(blank && line_ > 1)) {
      // A PJL header (and the blank lines in it) may stand before "%!".
      AddAt(1, job_start_, FindingLevel::kError, "not-postscript",
            "the job does not start with %!");
      stopped_ = true;
    }
    return;
  }
  if (!Active() || InData()) return;
  if (eof_seen_ && !after_eof_reported_ && line_ > eof_line_ && !blank &&
      !kind.pjl) {
    after_eof_reported_ = true;
    Add(FindingLevel::kWarning, "after-eof", "content after the job's %%EOF");
  }
  if (!blank && head_[0] != '%' &&
      (Current().part == Part::kHeader || Current().part == Part::kNone)) {
    CloseHeader();
  }
}

// Counted bytes are only counted through (their lines are never looked
// at), so a skip loses nothing but their line ends, which NoteGap and
// ResolveLines make up for. Small counts are read through: a skip saves
// less than the read it costs. So are data the chunk does not show the
// count line's end of, or that run past the window (their count is then
// reported, and the scan reads what there is).
void Checker::SkipData(const ParserContext* ctx, const char* value,
                       int64_t value_offset) {
  if (!Active() || data_count_ < kLaterBytes || ctx->windowEnd <= 0) return;
  const Part part = Current().part;
  if (part != Part::kBody && part != Part::kTrailer) return;
  const char* const data_end = ctx->dataEnd;
  const char* p = value;
  while (p < data_end && *p != '\n' && *p != '\r') ++p;
  if (p >= data_end) return;
  if (*p == '\r') {
    if (p + 1 >= data_end) return;  // a CRLF or a lone CR: not yet known
    if (p[1] == '\n') ++p;
  }
  // The data begin after the line end; the scanner lands on their last
  // byte, so that a comment right after them is still at a line start.
  const int64_t begin = value_offset + (p + 1 - value);
  if (data_count_ > ctx->windowEnd - begin) return;
  skip_to_ = begin + data_count_ - 1;
}

// The line ends of [begin, end), bytes of counted data, are left for
// later: the scan skipped them (the chunk that follows starts at `end`), or
// the chunk holds them and they are passed over. `before_end` is their last
// byte. They are counted when the job ends, if a finding comes after them.
void Checker::NoteGap(int64_t begin, int64_t end, char before_end) {
  if (range_count_ == kMaxRanges) {
    // Merge the two ranges with the fewest bytes between them: reading
    // the merged one reads those bytes too.
    int best = 0;
    for (int i = 1; i + 1 < range_count_; ++i) {
      if (ranges_[i + 1].begin - ranges_[i].end <
          ranges_[best + 1].begin - ranges_[best].end) {
        best = i;
      }
    }
    ranges_[best].end = ranges_[best + 1].end;
    ranges_[best].line_end = ranges_[best + 1].line_end;
    for (int i = best + 1; i + 1 < range_count_; ++i)
      ranges_[i] = ranges_[i + 1];
    --range_count_;
  }
  ranges_[range_count_++] = Range{begin, end, line_, line_, after_cr_};
  counted_ = end;
  // The count line's end was wholly seen before the range (a skip lands
  // past the data's first byte, and a range passed over starts once the
  // byte after that line end was looked at).
  data_fresh_ = false;
  after_cr_ = before_end == '\r';
  // The line that holds `end` starts there when a line end was skipped
  // last; else it started within the data, where it is never looked at
  // (nothing in counted bytes is reported), and line_start_ stays a line
  // start within or before them.
  if (before_end == '\r' || before_end == '\n') line_start_ = end;
  head_len_ = 0;
  head_done_ = false;
}

void Checker::ScanEnded(ParserContext* context) {
  if (scan_ended_) return;
  scan_ended_ = true;
  CloseJob();
  if (range_count_ > 0 && !ResolveLines(context)) lines_exact_ = false;
  range_count_ = 0;
}

// Adds to the line of every finding the line ends of the skipped ranges
// before it (the job is closed: nothing more is reported). A finding keeps
// the offset of its line's start: the ranges that end at or before it lie
// before it; one that holds it (merged ranges hold counted lines) is read
// up to it. Ranges after the last finding are not read. False when a read
// failed (the numbers are then left short).
bool Checker::ResolveLines(ParserContext* ctx) {
  struct Query {
    int64_t offset;
    int64_t* line;
  };
  std::vector<Query> queries;
  const auto add = [&queries, this](int64_t* line, int64_t offset) {
    if (offset > ranges_[0].begin) queries.push_back(Query{offset, line});
  };
  for (Finding& f : report_.findings) add(&f.line, f.offset);
  if (dropped_ > 0) add(&dropped_line_, dropped_offset_);
  if (queries.empty()) return true;
  std::sort(queries.begin(), queries.end(),
            [](const Query& a, const Query& b) { return a.offset < b.offset; });

  constexpr size_t kReadBytes = 64 * 1024;
  std::unique_ptr<char[]> buffer(new char[kReadBytes]);
  // Counts the line ends of [*at, to), moving *at there.
  bool failed = false;
  const auto count = [&](int64_t* at, int64_t to, bool* cr) {
    int64_t lines = 0;
    while (!failed && *at < to) {
      const size_t want =
          static_cast<size_t>(std::min<int64_t>(to - *at, kReadBytes));
      const int64_t n = SourceReadAt(ctx, buffer.get(), want, *at);
      if (n <= 0) {
        failed = true;
        break;
      }
      lines += CountEnds(buffer.get(), buffer.get() + n, cr);
      *at += n;
    }
    return lines;
  };

  int64_t hidden = 0;  // line ends of the ranges passed, not in line_
  size_t q = 0;
  for (int r = 0; r < range_count_ && q < queries.size() && !failed; ++r) {
    const Range& range = ranges_[r];
    for (; q < queries.size() && queries[q].offset <= range.begin; ++q) {
      *queries[q].line += hidden;
    }
    int64_t at = range.begin;
    bool cr = range.cr_before;
    int64_t lines = 0;
    for (; q < queries.size() && queries[q].offset < range.end && !failed;
         ++q) {
      lines += count(&at, queries[q].offset, &cr);
      // Its line's number: the range's first plus every line end since.
      *queries[q].line = range.line_begin + hidden + lines;
    }
    if (q == queries.size()) break;
    lines += count(&at, range.end, &cr);
    hidden += lines - (range.line_end - range.line_begin);
  }
  for (; q < queries.size() && !failed; ++q) *queries[q].line += hidden;
  return !failed;
}

bool Checker::InData() const {
  if (!data_active_) return false;
  return data_lines_ ? line_ < data_end_ : line_start_ < data_end_;
}

// The first comment after counted data: the data's end must come right
// before it (after at most a line end) and be the data's own end comment.
void Checker::DataReached(const KeyInfo& key, int64_t at, bool continuation) {
  data_active_ = false;
  const bool own_end = !continuation && key.role == Role::kEnd &&
                       static_cast<BlockKind>(key.arg) == data_kind_;
  const bool lands =
      data_lines_ ? line_ == data_end_ : at >= data_end_ && at - data_end_ <= 2;
  if (own_end && lands) return;
  const std::string name = kBlockNames[static_cast<int>(data_kind_)];
  AddAt(data_line_, data_offset_, FindingLevel::kError, "data-count",
        "%%Begin" + name + " count " + std::to_string(data_count_) +
            (data_lines_ ? " lines" : " bytes") +
            " does not land on its %%End" + name);
}

void Checker::CloseHeader() {
  Doc& doc = Current();
  if (doc.part != Part::kHeader && doc.part != Part::kNone) return;
  const bool was_header = doc.part == Part::kHeader;
  doc.part = Part::kBody;
  if (was_header && !doc.end_comments && doc.dsc &&
      (doc.job || HoldsPages(doc.kind))) {
    Add(FindingLevel::kWarning, "no-end-comments",
        "the header ends here without %%EndComments");
  }
}

void Checker::FinishDoc(const Doc& doc) {
  for (int k = 0; k < kAtEndKeys; ++k) {
    const uint32_t bit = uint32_t{1} << k;
    if ((doc.deferred & bit) == 0 || (doc.resolved & bit) != 0) continue;
    const char* name = "";
    for (const KeyInfo& key : kKeys) {
      if (key.atend == k) name = key.key;
    }
    AddAt(doc.defer_line[k], doc.defer_offset[k], FindingLevel::kError,
          "atend-unresolved",
          std::string("%%") + name +
              " says (atend) but no trailer gives its value");
  }
  if (doc.pages_stated < 0 || doc.pages_stated == doc.page_count) return;
  // An EPS file marks no page: "%%Pages: 1" is its one page.
  if (doc.page_count == 0 && doc.pages_stated == 1 && doc.eps) return;
  AddAt(doc.pages_line, doc.pages_offset, FindingLevel::kError,
        "pages-mismatch",
        "%%Pages says " + std::to_string(doc.pages_stated) + " but the " +
            (doc.job ? "job" : "embedded document") + " has " +
            std::to_string(doc.page_count) + " page" +
            (doc.page_count == 1 ? "" : "s"));
}

void Checker::PopBlock(bool left_open) {
  const Block& block = blocks_[--block_depth_];
  if (left_open) {
    const std::string name = kBlockNames[static_cast<int>(block.kind)];
    AddAt(block.line, block.offset, FindingLevel::kError, "unbalanced",
          "%%Begin" + name + " without its %%End" + name);
  }
  if (block.doc >= 0) {
    FinishDoc(docs_[block.doc]);
    doc_depth_ = block.doc;
  }
}

// Closes, as left open, the blocks above the first `keep`.
void Checker::EndBlocksAbove(int keep) {
  while (block_depth_ > keep) PopBlock(true);
}

void Checker::CheckBox(const char* name, std::string_view value,
                       bool integers) {
  if (IsAtEnd(value)) return;
  std::string_view rest = value;
  double v[4] = {};
  bool all_integers = true;
  for (double& n : v) {
    bool integer = false;
    if (!ReadNumber(NextToken(rest), &n, &integer)) {
      Add(FindingLevel::kError, "bbox-invalid",
          std::string("%%") + name + " " + Quoted(Trimmed(value)) +
              " is not four numbers");
      return;
    }
    all_integers = all_integers && integer;
  }
  if (!Trimmed(rest).empty()) {
    Add(FindingLevel::kError, "bbox-invalid",
        std::string("%%") + name + " " + Quoted(Trimmed(value)) +
            " is not four numbers");
    return;
  }
  if (!(v[2] > v[0] && v[3] > v[1])) {
    Add(FindingLevel::kError, "bbox-invalid",
        std::string("%%") + name + " " + Quoted(Trimmed(value)) +
            " is empty or inverted: its upper corner is not above and right "
            "of its lower one");
    return;
  }
  if (integers && !all_integers) {
    Add(FindingLevel::kWarning, "bbox-not-integer",
        std::string("%%") + name + " " + Quoted(Trimmed(value)) +
            " has fractions; DSC wants integers (%%HiResBoundingBox carries "
            "fractions)");
  }
}

void Checker::CheckWords(const char* name, int set, std::string_view value) {
  const WordSet& words = kWordSets[set];
  std::string_view rest = value;
  if (words.atend && IsAtEnd(value)) return;
  const bool list = set == kRequirementSet;
  do {
    std::string_view token = NextToken(rest);
    if (token.empty() && list) break;
    // A requirement may carry its options: "duplex(tumble)".
    std::string_view word = token;
    if (list) word = word.substr(0, word.find('('));
    bool known = false;
    for (const char* const* w = words.words; *w != nullptr; ++w) {
      if (word == *w) known = true;
    }
    if (!known) {
      Add(FindingLevel::kWarning, "unknown-value",
          std::string("%%") + name + " value " + Quoted(word) +
              " is not a DSC word (" + words.list + ")");
    }
  } while (list);
}

void Checker::HeaderComment(const KeyInfo& key, std::string_view value,
                            bool continuation) {
  if (continuation) {
    if (key.value == Value::kWords && key.arg == kRequirementSet) {
      CheckWords(key.key, key.arg, value);
    }
    return;
  }
  if (key.value == Value::kBox) CheckBox(key.key, value, true);
  if (key.value == Value::kWords) CheckWords(key.key, key.arg, value);
  Doc& doc = Current();
  const bool atend = IsAtEnd(value);
  const uint32_t bit = key.atend >= 0 ? uint32_t{1} << key.atend : 0;
  int64_t count = -1;
  if (key.value == Value::kPages && !atend) {
    std::string_view rest = value;
    if (!ReadCount(NextToken(rest), &count)) count = -1;
  }
  switch (doc.part) {
    case Part::kNone:
    case Part::kHeader:
      if (atend && bit != 0 && (doc.deferred & bit) == 0) {
        doc.deferred |= bit;
        doc.defer_line[key.atend] = line_;
        doc.defer_offset[key.atend] = line_start_;
      }
      if (count >= 0 && doc.pages_stated < 0 && (doc.deferred & bit) == 0) {
        doc.pages_stated = count;
        doc.pages_line = line_;
        doc.pages_offset = line_start_;
      }
      if (key.value == Value::kWords && key.arg == kPageOrderSet &&
          std::string_view(Trimmed(value)) == "Special") {
        doc.order_special = true;
      }
      break;
    case Part::kBody:
      // Readers take these from the header (or a deferred trailer) only.
      if (doc.job && doc_depth_ == 1) {
        Add(FindingLevel::kWarning, "header-in-body",
            std::string("%%") + key.key +
                " in the body, where readers ignore it: it counts only in "
                "the header");
      }
      break;
    case Part::kTrailer:
      if (bit == 0) break;
      if ((doc.deferred & bit) == 0) {
        Add(FindingLevel::kWarning, "atend-missing",
            std::string("%%") + key.key +
                " in the trailer, but the header did not say (atend)");
      } else if ((doc.resolved & bit) == 0 && !atend) {
        doc.resolved |= bit;
        if (count >= 0) {
          doc.pages_stated = count;
          doc.pages_line = line_;
          doc.pages_offset = line_start_;
        }
      }
      break;
  }
}

void Checker::Page(std::string_view value) {
  // A page ends the resources and sections left open in its document.
  while (block_depth_ > 0) {
    const Block& top = blocks_[block_depth_ - 1];
    if (HoldsPages(top.kind)) break;
    PopBlock(true);
  }
  CloseHeader();
  Doc& doc = Current();
  ++doc.page_count;
  if (doc.eps && doc.page_count == 2) {
    Add(FindingLevel::kWarning, "eps-pages",
        std::string("an EPS ") + (doc.job ? "file" : "document") +
            " with more than one page");
  }
  // The ordinal is the last word: "%%Page: (iv) 4".
  std::string_view rest = Trimmed(value);
  const size_t space = rest.find_last_of(" \t");
  std::string_view ordinal =
      space == std::string_view::npos ? rest : rest.substr(space + 1);
  int64_t n = -1;
  const bool number = ReadCount(ordinal, &n);
  if (!doc.order_special && !doc.order_reported &&
      (!number || n != doc.next_ordinal)) {
    doc.order_reported = true;
    Add(FindingLevel::kWarning, "page-order",
        "page ordinal " + Quoted(ordinal) + " where " +
            std::to_string(doc.next_ordinal) + " was expected");
  }
  ++doc.next_ordinal;
}

namespace {

// The value from `value` up to its line's end, within what the chunk holds
// (up to `data_end`), and at most kValueBytes long.
std::string_view ValueLine(const char* value, const char* data_end) {
  const char* v = value;
  while (v < data_end && static_cast<size_t>(v - value) < kValueBytes &&
         !IsLineEndByte(*v)) {
    ++v;
  }
  return std::string_view(value, static_cast<size_t>(v - value));
}

}  // namespace

void Checker::OnComment(const KeyInfo& key, char* context,
                        const char* comment_start, int64_t at,
                        const char* value, bool continuation) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  ReadHead(ctx);
  // Every byte from counted_ on lies in the chunk held.
  Advance(comment_start - (at - ctx->chunkOffset), ctx->chunkOffset, at);
  if (!started_ && !stopped_ && key.role == Role::kHeaderLine &&
      line_start_ == at) {
    started_ = true;
  }
  if (!Active()) return;
  // The scanner also dispatches "% Page ..." (one "%", then blanks): a
  // plain PostScript comment, which is no DSC comment to the checker.
  if (comment_start + 1 >= ctx->dataEnd ||
      (comment_start[1] != '%' && comment_start[1] != '!')) {
    return;
  }
  if (data_active_) {
    if (InData()) return;
    DataReached(key, at, continuation);
    // A "%%+" line right after the data goes on with no comment the
    // checker looked at: the one before it stood in the data (or, when the
    // scan skipped them, is the count's own).
    if (continuation) return;
  }
  const std::string_view text = ValueLine(value, ctx->dataEnd);

  switch (key.role) {
    case Role::kHeaderLine:
      HeaderLine(text);
      break;
    case Role::kEndComments:
      if (Current().part == Part::kHeader || Current().part == Part::kNone) {
        Current().end_comments = true;
        Current().part = Part::kBody;
      }
      break;
    case Role::kTrailer:
      while (block_depth_ > 0 && !HoldsPages(blocks_[block_depth_ - 1].kind)) {
        PopBlock(true);
      }
      CloseHeader();
      Current().part = Part::kTrailer;
      break;
    case Role::kPage:
      if (!continuation) Page(text);
      break;
    case Role::kEof:
      if (doc_depth_ == 1 && !eof_seen_) {
        eof_seen_ = true;
        eof_line_ = line_;
      }
      break;
    case Role::kBegin:
      if (!continuation) BeginBlock(key, ctx, text, value, comment_start, at);
      break;
    case Role::kEnd:
      if (!continuation) EndBlock(key);
      break;
    case Role::kBodyMark:
      CloseHeader();
      break;
    case Role::kHeaderOnly:
      HeaderComment(key, text, continuation);
      break;
    case Role::kPageBox:
      if (!continuation) CheckBox(key.key, text, true);
      break;
    case Role::kPageWord:
      if (!continuation) CheckWords(key.key, key.arg, text);
      break;
    case Role::kDex:
      DexBlock(text);
      break;
  }
}

// A "%%Begin..." comment opens a block; a counted one says where its data
// end.
void Checker::BeginBlock(const KeyInfo& key, ParserContext* ctx,
                         std::string_view text, const char* value,
                         const char* comment_start, int64_t at) {
  CloseHeader();
  const BlockKind kind = static_cast<BlockKind>(key.arg);
  if (block_depth_ == kMaxBlocks) {
    ++overflow_;
    return;
  }
  Block& block = blocks_[block_depth_++];
  block.kind = kind;
  block.line = line_;
  block.offset = line_start_;
  block.doc = -1;
  if (OpensDocument(kind)) {
    block.doc = doc_depth_;
    docs_[doc_depth_] = Doc{};
    docs_[doc_depth_].kind = kind;
    ++doc_depth_;
  }
  if (kind == BlockKind::kData || kind == BlockKind::kBinary) {
    // "%%BeginData: count [type [Bytes|Lines]]", "%%BeginBinary: count".
    std::string_view rest = text;
    int64_t count = 0;
    if (ReadCount(NextToken(rest), &count)) {
      NextToken(rest);
      data_lines_ = kind == BlockKind::kData && NextToken(rest) == "Lines";
      data_pending_ = true;
      data_kind_ = kind;
      data_count_ = count;
      data_line_ = line_;
      data_offset_ = line_start_;
      if (!data_lines_) {
        SkipData(ctx, value, at + (value - comment_start));
      }
    }
  }
}

// A "%%End..." comment closes its block and every block still open in it.
void Checker::EndBlock(const KeyInfo& key) {
  if (overflow_ > 0) {
    --overflow_;
    return;
  }
  const BlockKind kind = static_cast<BlockKind>(key.arg);
  int found = block_depth_ - 1;
  while (found >= 0 && blocks_[found].kind != kind) --found;
  if (found < 0) {
    // The prolog may begin right after the header without its own
    // "%%BeginProlog": a lone "%%EndProlog" is how many jobs mark it.
    if (kind == BlockKind::kProlog) {
      CloseHeader();
      return;
    }
    const std::string name = kBlockNames[key.arg];
    Add(FindingLevel::kError, "unbalanced",
        "%%End" + name + " without its %%Begin" + name);
    return;
  }
  EndBlocksAbove(found + 1);
  PopBlock(false);
}

// A "%!" line opens the header of the document it stands at the start of;
// one in a body opens nothing.
void Checker::HeaderLine(std::string_view text) {
  Doc& doc = Current();
  if (doc.part != Part::kNone) return;
  doc.part = Part::kHeader;
  doc.dsc = text.substr(0, 9) == "PS-Adobe-";
  doc.eps = text.find("EPSF-") != std::string_view::npos;
}

// A DEX block states its length.
void Checker::DexBlock(std::string_view text) {
  std::string_view rest = text;
  const std::string_view token = NextToken(rest);
  int64_t length = 0;
  if (!ReadCount(token, &length) || length <= 0) {
    Add(FindingLevel::kError, "dex-length",
        "DEX block length " + Quoted(token) + " is not a positive number");
    return;
  }
  dex_pending_ = true;
  dex_length_ = length;
  dex_line_ = line_;
  dex_offset_ = line_start_;
}

void Checker::ReadDosEpsHeader(ParserContext* ctx) {
  head_read_ = true;
  const ParserContext::DosEpsHeader& dos = ctx->dosEps;
  if (dos.present) NoteDosEpsHeader(dos.begin, dos.length, dos.fileSize);
}

void Checker::NoteDosEpsHeader(int64_t begin, int64_t length, int64_t size) {
  if (begin < size && begin + length <= size) return;
  dos_range_bad_ = true;
  AddAt(1, 0, FindingLevel::kError, "dos-eps-range",
        "the DOS EPS header's PostScript section (offset " +
            std::to_string(begin) + ", " + std::to_string(length) +
            " bytes) lies outside the file of " + std::to_string(size) +
            " bytes");
}

void Checker::CloseJob() {
  if (closed_) return;
  closed_ = true;
  const int64_t end = std::max<int64_t>(counted_, 0);
  if (counted_ >= 0 && (head_len_ > 0 || line_start_ < end)) {
    EndLine(end);  // the last line has no line end
  }
  if (!started_ && !stopped_ && !dos_range_bad_) {
    AddAt(1, job_start_, FindingLevel::kError, "not-postscript",
          counted_ <= 0 && head_len_ == 0 ? "the job is empty"
                                          : "the job does not start with %!");
  }
  if (Active()) {
    if (data_pending_ || data_active_) {
      const bool past = data_lines_ ? line_ < data_end_ || data_pending_
                                    : end < data_end_ || data_pending_;
      if (past) {
        const std::string name = kBlockNames[static_cast<int>(data_kind_)];
        AddAt(data_line_, data_offset_, FindingLevel::kError, "data-count",
              "%%Begin" + name + " count " + std::to_string(data_count_) +
                  (data_lines_ ? " lines" : " bytes") +
                  " runs past the end of the job");
      }
    }
    if (dex_pending_ || dex_starting_) {
      // The block would begin at the job's end.
      if (end + dex_length_ > dex_far_end_) {
        dex_far_end_ = end + dex_length_;
        dex_far_length_ = dex_length_;
        dex_far_line_ = dex_line_;
        dex_far_offset_ = dex_offset_;
      }
    }
    if (dex_far_end_ > end) {
      AddAt(dex_far_line_, dex_far_offset_, FindingLevel::kError, "dex-length",
            "DEX block of " + std::to_string(dex_far_length_) +
                " bytes runs past the end of the job");
    }
    EndBlocksAbove(0);
    FinishDoc(docs_[0]);
  }
}

CheckReport Checker::Finish() {
  // A scan that stopped early left skipped ranges uncounted: the lines
  // after them are short by their line ends.
  if (!scan_ended_ && range_count_ > 0) lines_exact_ = false;
  CloseJob();
  CheckReport report = std::move(report_);
  std::stable_sort(
      report.findings.begin(), report.findings.end(),
      [](const Finding& a, const Finding& b) { return a.line < b.line; });
  if (dropped_ > 0) {
    Finding more;
    more.line = dropped_line_;
    more.offset = dropped_offset_;
    if (!report.findings.empty() && report.findings.back().line > more.line) {
      more.line = report.findings.back().line;
      more.offset = report.findings.back().offset;
    }
    more.level = FindingLevel::kWarning;
    more.code = "too-many";
    more.message = std::to_string(dropped_) + " more finding" +
                   (dropped_ == 1 ? "" : "s") + " not listed";
    report.findings.push_back(std::move(more));
  }
  return report;
}

CheckState::CheckState() : checker_(new Checker) {}
CheckState::~CheckState() = default;

void CheckState::NoteDosEpsHeader(int64_t begin, int64_t length, int64_t size) {
  checker_->NoteDosEpsHeader(begin, length, size);
}

CheckReport CheckState::Finish() { return checker_->Finish(); }

bool CheckState::SawBytes() const { return checker_->SawBytes(); }

bool CheckState::LinesExact() const { return checker_->LinesExact(); }

namespace {

void PassedBytes(ParserContext* context, const char* data, int64_t offset,
                 int64_t upto) {
  if (context == nullptr || context->state == nullptr) return;
  CheckState* state = HandlerVars(context).check.get();
  if (state == nullptr) return;
  state->checker().ReadHead(context);
  state->checker().Advance(data, offset, upto);
  if (context->windowEnd > 0 && upto >= context->windowEnd) {
    state->checker().ScanEnded(context);
  }
}

void AddCheckKeys(ParserContext* table, int /*variant*/) {
  for (size_t i = 0; i < sizeof kKeys / sizeof kKeys[0]; ++i) {
    ParserAddEntryToList(table, kKeys[i].key, CheckComment,
                         static_cast<long>(i), nullptr, 0);
  }
}

}  // namespace

void RegisterCheckSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  std::shared_ptr<CheckState>& state = HandlerVars(context).check;
  // No exception leaves the library: without memory for the checker the
  // set is not registered, and the check road answers out of memory.
  try {
    state = std::make_shared<CheckState>();
  } catch (const std::bad_alloc&) {
    state.reset();
    return;
  }
  context->hooks.passedBytes = PassedBytes;
  AddKeywordSet(context, AddCheckKeys, 0);
}

int64_t CheckComment(char* context, CommentStruct*, long param, char*,
                     char** position, char* comment_start, int64_t continuation,
                     int64_t value_offset, long*, void*, void*) {
  auto* ctx = reinterpret_cast<ParserContext*>(context);
  CheckState* state = ctx != nullptr && ctx->state != nullptr
                          ? HandlerVars(context).check.get()
                          : nullptr;
  if (state == nullptr || position == nullptr || comment_start == nullptr ||
      param < 0 ||
      static_cast<size_t>(param) >= sizeof kKeys / sizeof kKeys[0]) {
    return 0;
  }
  const int64_t at = value_offset - (*position - comment_start);
  state->checker().OnComment(kKeys[param], context, comment_start, at,
                             *position, continuation != 0);
  return state->checker().TakeSkip();
}

}  // namespace vantrel
