#include "handlers/dex.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/byte_source.h"
#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/file.h"
#include "platform/number_text.h"
#include "platform/trace.h"
#include "store/property_map.h"
#include "vantrel/parser_if.h"

namespace vantrel {
namespace {

constexpr char kOutputVariable[] = "KALOUTPUT";
#if defined(_WIN32)
constexpr char kFolderSeparator[] = "\\";
#else
constexpr char kFolderSeparator[] = "/";
#endif

// The rest of the length's line that is stepped over before the block.
constexpr int kLineRestBudget = 256;
// The copy of the block's part beyond the chunk goes through this much
// memory, whatever length the comment claims.
constexpr size_t kCopyBufferSize = 16384;

// The output folder: the parse's own setting when it has one, else
// KALOUTPUT; null when the one that counts is unset or empty.
//
// Such a name would start at the root of the file system ("/job.ps_0.dexxml"
// where a host has the rights to write there). A host that wants the tickets
// names a folder; one that sets nothing gets none written, and its scans go
// on as if the block were text.
const char* OutputFolder(const ParserContext* context) {
  const char* folder = context != nullptr && context->dexFolder != nullptr
                           ? context->dexFolder
                           : std::getenv(kOutputVariable);
  return folder != nullptr && *folder != '\0' ? folder : nullptr;
}

// Stands for the job's name when a scan of memory was given none.
constexpr char kUnnamedJob[] = "job";

const char* BaseName(const char* path) {
  if (path[0] == '\0') return kUnnamedJob;
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  return base;
}

// Most file systems take names of at most 255 bytes. A ticket's name is the
// job's base name and "_<n>.dexxml" (at most 11 bytes, n below 1000); a base
// name too long for that is cut to the first kMaxBaseBytes bytes, at the
// start of a UTF-8 character, so that the job of a long name still gets its
// tickets. Shorter names are used whole, as they always were.
constexpr size_t kMaxNameBytes = 255;
constexpr size_t kMaxBaseBytes = kMaxNameBytes - 11;

std::string TicketBase(const char* base) {
  size_t n = std::strlen(base);
  if (n <= kMaxBaseBytes) return std::string(base, n);
  n = kMaxBaseBytes;
  while (n > 0 && (static_cast<unsigned char>(base[n]) & 0xC0) == 0x80) --n;
  return std::string(base, n);
}

// Only "/" separates folders on POSIX: a folder named "o3\" is a folder of
// that name, and its tickets go into it, not beside it.
bool EndsWithSeparator(const char* folder) {
  const size_t n = std::strlen(folder);
  if (n == 0) return false;
#if defined(_WIN32)
  if (folder[n - 1] == '\\') return true;
#endif
  return folder[n - 1] == '/';
}

// Keeps "<where>: <reason>" as the scan's detail for the host.
void DexDetail(ParserContext* context, const char* where, const char* reason) {
  try {
    SetScanDetail(context, std::string(where) + ": " + reason);
  } catch (const std::bad_alloc&) {
    // The status still tells the failure.
  }
}

// The length: a decimal number at the start of the value, 0 when there is
// none or it is no length (negative, or beyond a long).
long ParseCount(const char* text) {
  long n = 0;
  return ReadIntegerText<long>(text, text + std::strlen(text), 1, LONG_MAX,
                               &n) != nullptr
             ? n
             : 0;
}

// Reports a ticket written. The first answers as a job with one ticket
// always has: "DexJTData" names it. From the second on, "DexJTData" names the
// last one, and every ticket of the job is named in the order of the job as
// "DexJTData1", "DexJTData2", ..., with "DexJTDataCount" saying how many
// there are, so that no file written is left unnamed (see docs/dex.md).
bool ReportTicket(ParserContext* context, const char* name) {
  PropertyMap& properties = PropertiesOf(context);
  HandlerState& state = HandlerVars(context);
  if (state.dexTickets >= 1) {
    if (state.dexTickets == 1) {
      const CKalProperty* first = FindProperty(properties, "DexJTData");
      std::string text;
      if (first == nullptr || !first->getValue(text) ||
          StoreProperty(properties, "DexJTData1", "STRING", 0, text.c_str()) ==
              nullptr) {
        return false;
      }
    }
    const std::string key = "DexJTData" + std::to_string(state.dexTickets + 1);
    if (StoreProperty(properties, key.c_str(), "STRING", 0, name) == nullptr ||
        StoreProperty(properties, "DexJTDataCount", "int", 0,
                      static_cast<int32_t>(state.dexTickets + 1)) == nullptr) {
      return false;
    }
  }
  if (StoreProperty(properties, "DexJTData", "STRING", 0, name) == nullptr) {
    return false;
  }
  ++state.dexTickets;
  return true;
}

// The input's bytes from a file offset on: those the chunk holds in place,
// the rest read from the file a window at a time.
class InputBytes {
 public:
  InputBytes(const ParserContext* context, const char* position, int64_t offset)
      : context_(context), position_(position), offset_(offset) {
    const char* end =
        ValueDataEnd(reinterpret_cast<const char*>(context), position);
    held_end_ = offset + std::max<int64_t>(0, end - position);
  }

  // The byte at file offset `at` (not before the start offset), or -1 at the
  // end of the file.
  int At(int64_t at) {
    if (at < held_end_) {
      return static_cast<unsigned char>(position_[at - offset_]);
    }
    if (at < window_offset_ || at >= window_offset_ + window_length_) {
      window_offset_ = at;
      window_length_ = SourceReadAt(context_, window_, sizeof window_, at);
      if (window_length_ <= 0) {
        window_length_ = 0;
        return -1;
      }
    }
    return static_cast<unsigned char>(window_[at - window_offset_]);
  }

  int64_t held_end() const { return held_end_; }
  // The chunk's bytes from file offset `at`; at most held_end() - at.
  const char* HeldAt(int64_t at) const { return position_ + (at - offset_); }

 private:
  const ParserContext* context_;
  const char* position_;
  int64_t offset_;
  int64_t held_end_ = 0;
  char window_[4096];
  int64_t window_offset_ = 0;
  int64_t window_length_ = 0;
};

// The file offset where the block starts: after the rest of the length's
// line (at most 256 bytes) and every line feed and carriage return that
// follows. A CR LF pair is two bytes stepped over, not data.
int64_t BlockStart(InputBytes& input, int64_t offset) {
  int64_t at = offset;
  for (int n = 0; n < kLineRestBudget; ++n, ++at) {
    const int c = input.At(at);
    if (c < 0 || IsLineEndByte(static_cast<char>(c))) break;
  }
  for (;; ++at) {
    const int c = input.At(at);
    if (c != '\n' && c != '\r') break;
  }
  return at;
}

// Copies `count` bytes of the input from file offset `start` to `out`: the
// part the chunk holds straight from it, the rest with positioned reads,
// stopping at the end of the input file or at a failed write. Answers the
// bytes written.
int64_t CopyBlock(const ParserContext* context, InputBytes& input,
                  int64_t start, long count, int out) {
  int64_t written = 0;
  const int64_t total = count;
  if (start < input.held_end()) {
    const int64_t part = std::min(total, input.held_end() - start);
    if (!WriteAll(out, input.HeldAt(start), static_cast<size_t>(part))) {
      return 0;
    }
    written = part;
  }
  char buffer[kCopyBufferSize];
  while (written < total && context->source != nullptr) {
    const size_t want =
        static_cast<size_t>(std::min<int64_t>(total - written, sizeof buffer));
    const int64_t n = SourceReadAt(context, buffer, want, start + written);
    if (n <= 0) break;
    if (!WriteAll(out, buffer, static_cast<size_t>(n))) break;
    written += n;
  }
  return written;
}

void AddDexxmlKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "BeginDexJTData:", ParserDexJTData, 0, nullptr,
                       0);
}

}  // namespace

void RegisterDexxmlSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddDexxmlKeys, 0);
}

namespace {

void AddDexStepKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "BeginDexJTData:", ParserDexJTData, kDexStepOnly,
                       nullptr, 0);
}

}  // namespace

void RegisterDexStepSet(ParserContext* context) {
  if (context == nullptr) return;
  AddKeywordSet(context, AddDexStepKeys, 0);
}

bool getFileNameAndDescriptor(ParserContext* context,
                              char (&name)[kDexNameSize], int* handle) {
  *handle = -1;
  name[0] = '\0';
  int tried = 0;
  const char* folder = OutputFolder(context);
  if (context != nullptr && folder != nullptr) {
    const std::string base = TicketBase(BaseName(
        context->jobName != nullptr ? context->jobName : context->filePath));
    const char* separator = EndsWithSeparator(folder) ? "" : kFolderSeparator;
    // The names this job's earlier tickets took are not tried again: each
    // ticket costs one name, however many the job holds.
    HandlerState* state =
        context->state != nullptr ? &context->state->handlers : nullptr;
    int counter = state != nullptr ? state->dexNextCounter : 0;
    for (; counter < kDexMaxCounter; ++counter) {
      const int n = std::snprintf(name, sizeof name, "%s%s%s_%d.dexxml", folder,
                                  separator, base.c_str(), counter);
      ++tried;
      if (n < 0 || n >= static_cast<int>(sizeof name)) {
        name[0] = '\0';
        VTRACE("--ERROR-- getFileNameAndDescriptor name too long in %s",
               folder);
        DexDetail(context, folder, std::strerror(ENAMETOOLONG));
        break;
      }
      *handle = CreateNewFile(name);
      if (*handle >= 0) {
        if (state != nullptr) state->dexNextCounter = counter + 1;
        break;
      }
      // A taken name (also a link or a folder there) moves on to the next
      // counter; any other failure would fail for every counter alike.
      if (errno != EEXIST) {
        const int error = errno;
        VTRACE("--ERROR-- getFileNameAndDescriptor %s: %s", name,
               ErrnoText(error));
        // A missing or unwritable folder is what the user has to mend.
        DexDetail(context, folder, std::strerror(error));
        break;
      }
    }
    if (counter == kDexMaxCounter) {
      DexDetail(context, folder, "every ticket name is taken");
    }
  }
  VTRACE("getFileNameAndDescriptor a_newName = %s counter = %d a_hFile =%d",
         name, tried, *handle);
  return *handle >= 0;
}

bool saveDexxmlToFile(ParserContext* context, char** position, long num_bytes,
                      int64_t offset) {
  bool result = false;
  char name[kDexNameSize];
  int out = -1;
  if (context != nullptr && position != nullptr && *position != nullptr &&
      num_bytes > 0 && getFileNameAndDescriptor(context, name, &out)) {
    InputBytes input(context, *position, offset);
    const int64_t start = BlockStart(input, offset);
    *position += std::min(start, input.held_end()) - offset;
    // A failed write sets errno; the input's end sets nothing.
    errno = 0;
    const int64_t written = CopyBlock(context, input, start, num_bytes, out);
    const int copy_error = errno;
    const bool closed = CloseWritten(out);
    const int close_error = errno;
    if (written == num_bytes && closed) {
      result = ReportTicket(context, name);
    } else {
      if (written != num_bytes) {
        DexDetail(context, name,
                  copy_error != 0 ? std::strerror(copy_error)
                                  : "the job ends inside the ticket data");
      } else {
        DexDetail(context, name, std::strerror(close_error));
      }
      VTRACE(
          "saveDexxmlToFile error writing a_numBytes = %ld writennBytes = %ld ",
          num_bytes, static_cast<long>(written));
    }
  }
  VTRACE("saveDexxmlToFile res = %d ", result ? 1 : 0);
  return result;
}

namespace {

// A DEX block as its comment states it: its length, the file offset after
// the length, and the offset of the block's last byte.
struct DexBlock {
  long count = 0;
  int64_t offset = 0;
  int64_t end = 0;
};

// Reads the block length after "BeginDexJTData:" at *position (moved past
// it) and where the block's data end. False when the length is none or not
// positive.
bool ReadDexBlock(ParserContext* ctx, char** position, int64_t value_offset,
                  DexBlock* block) {
  const char* end = ValueDataEnd(reinterpret_cast<const char*>(ctx), *position);
  char value[kValueBufferSize];
  const char* stop = *position;
  ReadValueText(*position, end, value, &stop);
  block->offset = value_offset + (stop - *position);
  *position = const_cast<char*>(stop);
  block->count = ParseCount(value);
  if (block->count <= 0) {
    VTRACE("--ERROR-- ParserDexJTData() bad length %s", value);
    return false;
  }
  // The ticket data are data, not comments: the scan goes on after them,
  // whether or not they are extracted, so a ticket inside a ticket is
  // neither written nor read. The answer is the offset of the block's last
  // byte, which the scanner steps over; whether the comment after the block
  // starts a line is then decided by that byte, as it would be in the text.
  InputBytes input(ctx, *position, block->offset);
  const int64_t start = BlockStart(input, block->offset);
  block->end =
      block->count <= INT64_MAX - start ? start + block->count - 1 : INT64_MAX;
  return true;
}

}  // namespace

int64_t ParserDexJTData(char* context, CommentStruct* /*record*/, long param,
                        char* /*keyword*/, char** position,
                        char* /*comment_start*/, int64_t /*continuation*/,
                        int64_t value_offset, long* /*wait_index*/,
                        void* /*user_data*/, void* /*caller*/) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || position == nullptr || *position == nullptr) return 0;
  DexBlock block;
  if (param == kDexStepOnly) {
    // The text position stays where it was, for a DEX data handler chained
    // after this one. A block without a length holds nothing to step over.
    char* at = *position;
    return ReadDexBlock(ctx, &at, value_offset, &block) ? block.end : 0;
  }
  if (!ReadDexBlock(ctx, position, value_offset, &block)) {
    ctx->scanStatus = VANTREL_SCAN_JOB_TICKET_FAILED;
    return -1;
  }
  if (OutputFolder(ctx) == nullptr) {
    VTRACE("ParserDexJTData() %s is not set: the job ticket is not extracted",
           kOutputVariable);
    return block.end;
  }
  if (!saveDexxmlToFile(ctx, position, block.count, block.offset)) {
    ctx->scanStatus = VANTREL_SCAN_JOB_TICKET_FAILED;
    return -1;
  }
  return block.end;
}

}  // namespace vantrel
