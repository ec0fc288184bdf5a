#include "handlers/xrx.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "engine/byte_source.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "handlers/value_text.h"
#include "platform/file.h"
#include "platform/loader.h"
#include "platform/trace.h"
#include "vantrel/xrx_plugin.h"

namespace vantrel {
namespace {

static_assert(kXRXTextWindow == kLargestReadSize,
              "the parser sees what one whole-file chunk could hold");

// What parseBuffer answers for a block read to its end.
constexpr int kBlockComplete = 3;
// The mode the job-ticket road asks for: results as rules.
constexpr int kRulesMode = 2;

// The text handed to parseBuffer: the block, from the value on to the end
// of its "%XRXend" line, or up to the next "%XRXbegin:" line, whichever
// comes first; at most the window, and never past the end of the file.
// Blocks never overlap, so no byte of a job is handed over twice, whatever
// the job repeats. Taken in place when the chunk holds the block, else read
// from the file, so that a block which runs past the end of the chunk
// reaches the parser whole, wherever the chunk boundaries fall.
struct BlockText {
  const char* data = nullptr;
  int length = 0;
  std::unique_ptr<char[]> owned;
};

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

bool StartsWith(const char* p, const char* end, const char* word) {
  const size_t n = std::strlen(word);
  return static_cast<size_t>(end - p) >= n && std::memcmp(p, word, n) == 0;
}

// Where the block that `text` starts ends within its `length` bytes, or -1
// when neither end lies there. The first line is the "XRXbegin:" line's own
// value. A line that starts with "%" (or "%%") and "XRXend", as a word,
// ends the block after its line break; one with "XRXbegin:" starts the
// next block, which this one does not reach into.
int64_t BlockEnd(const char* text, int64_t length) {
  const char* end = text + length;
  const char* p = text;
  for (;;) {
    while (p < end && !IsLineBreak(*p)) ++p;
    while (p < end && IsLineBreak(*p)) ++p;
    if (p >= end) return -1;
    const char* line = p;
    if (*p != '%') continue;
    while (p < end && *p == '%') ++p;
    if (StartsWith(p, end, "XRXbegin:")) return line - text;
    if (!StartsWith(p, end, "XRXend")) continue;
    p += 6;
    if (p < end && *p != ' ' && *p != '\t' && *p != ':' && !IsLineBreak(*p))
      continue;
    while (p < end && !IsLineBreak(*p)) ++p;
    // The line's own break: CR, LF or CR LF.
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n' && p[-1] != '\n') ++p;
    return p - text;
  }
}

BlockText TextFrom(const ParserContext* context, const char* position,
                   int64_t value_offset) {
  BlockText text;
  const char* end =
      ValueDataEnd(reinterpret_cast<const char*>(context), position);
  const int64_t held =
      std::min<int64_t>(end > position ? end - position : 0, kXRXTextWindow);
  text.data = position;
  const int64_t block_end = BlockEnd(position, held);
  if (block_end >= 0 || held == kXRXTextWindow) {
    text.length = static_cast<int>(block_end >= 0 ? block_end : held);
    return text;
  }
  text.length = static_cast<int>(held);
  if (context->source == nullptr) return text;
  // The block runs past the chunk: a positioned read, which leaves the
  // scanner's own reading undisturbed. Only the block that a chunk ends in
  // is read so.
  text.owned.reset(new (std::nothrow) char[kXRXTextWindow + 1]);
  if (!text.owned) return text;
  const int64_t n = SourceReadAt(context, text.owned.get(), kXRXTextWindow,
                                 value_offset);
  if (n > held) {
    const int64_t read_end = BlockEnd(text.owned.get(), n);
    const int64_t length = read_end >= 0 ? read_end : n;
    text.owned[length] = '\0';
    text.data = text.owned.get();
    text.length = static_cast<int>(length);
  }
  return text;
}

// Plug-ins that do not say they may be called concurrently are called one
// call at a time process-wide, as they always were. Only the job-ticket
// road's XRX comments ever take this lock.
std::mutex& PluginMutex() {
  static std::mutex* mutex = new std::mutex;  // hosts may parse during exit
  return *mutex;
}

// Holds the plug-in lock unless the context's plug-in may be called
// concurrently.
class PluginCallLock {
 public:
  explicit PluginCallLock(const ParserContext* context) {
    if (!context->xrxConcurrent)
      lock_ = std::unique_lock<std::mutex>(PluginMutex());
  }

 private:
  std::unique_lock<std::mutex> lock_;
};

void AddXRXKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "XRXbegin:", ParserXRX, 0, nullptr, 0);
}

}  // namespace

void RegisterXRXSet(ParserContext* context) {
  if (context == nullptr) return;
  context->hooks.release = ReleaseXRXObjects;
  AddKeywordSet(context, AddXRXKeys, 0);
}

void LoadXRXPareseDLL(ParserContext* context) {
  if (context == nullptr) return;
  if (context->m_pLoaderLibrary == nullptr) {
    context->m_pLoaderLibrary = new (std::nothrow) CLoaderLibrary;
  }
  CLoaderLibrary* loader = context->m_pLoaderLibrary;
  if (loader == nullptr) {
    VTRACE("--ERROR-- LoadXRXPareseDLL() create m_pLoaderLibrary ");
    return;
  }
  if (context->m_pParseXRX != nullptr) return;
  // Loading, the factory and the plug-in's answer whether it may be called
  // concurrently are always made under the lock.
  std::lock_guard<std::mutex> lock(PluginMutex());
  if (loader->LoadLibraryA(VANTREL_XRX_LIBRARY_NAME, 1) == 0) {
    VTRACE("--ERROR-- LoadLibrary() %s error = %d ", VANTREL_XRX_LIBRARY_NAME,
           static_cast<int>(loader->GetErrorState()));
    VTRACE("--ERROR-- LoadXRXPareseDLL() %s", loader->GetErrReason());
    return;
  }
  context->m_pParseXRX = static_cast<CParseXRXCommentsIf*>(
      loader->CreateObject(VANTREL_XRX_OBJECT_NAME, 0));
  context->xrxConcurrent = false;
  if (auto concurrent = reinterpret_cast<VantrelPluginConcurrentFn>(
          loader->FindExport(VANTREL_PLUGIN_CONCURRENT_NAME))) {
    try {
      context->xrxConcurrent = concurrent() != 0;
    } catch (...) {
      VTRACE("--ERROR-- LoadXRXPareseDLL() " VANTREL_PLUGIN_CONCURRENT_NAME
             " threw an exception");
    }
  }
  if (context->m_pParseXRX == nullptr) {
    VTRACE("--ERROR-- LoadXRXPareseDLL() %s", loader->GetErrReason());
  } else {
    VTRACE("LoadXRXPareseDLL() parser from %s", loader->GetLibraryPath());
  }
}

void ReleaseXRXObjects(ParserContext* context) {
  if (context == nullptr) return;
  context->xrxLoadFailed = false;
  if (context->m_pParseXRX == nullptr && context->m_pLoaderLibrary == nullptr) {
    return;  // the RIP road, and scans without XRX blocks, end here
  }
  const PluginCallLock lock(context);
  // The object's code lives in the library: destroy it before the library
  // goes.
  delete context->m_pParseXRX;
  context->m_pParseXRX = nullptr;
  if (context->m_pLoaderLibrary != nullptr) {
    context->m_pLoaderLibrary->ReleaseLibrary();
    delete context->m_pLoaderLibrary;
    context->m_pLoaderLibrary = nullptr;
  }
  context->xrxConcurrent = false;
}

int64_t ParserXRX(char* context, CommentStruct* /*record*/, long /*param*/,
                  char* /*keyword*/, char** position, char* /*comment_start*/,
                  int64_t /*continuation*/, int64_t value_offset,
                  long* /*wait_index*/, void* /*user_data*/, void* caller) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || position == nullptr || *position == nullptr) return 0;
  if (ctx->m_pParseXRX == nullptr) {
    // Looked for once per scan: a missing plug-in stays missing.
    if (ctx->xrxLoadFailed) return 0;
    LoadXRXPareseDLL(ctx);
    if (ctx->m_pParseXRX == nullptr) {
      ctx->xrxLoadFailed = true;
      return 0;
    }
  }
  CParseXRXCommentsIf* parser = ctx->m_pParseXRX;
  const BlockText text = TextFrom(ctx, *position, value_offset);
  const PluginCallLock lock(ctx);
  // The plug-in is foreign code: nothing it throws may reach the host.
  try {
    if (parser->init() == 0) {
      VTRACE("--ERROR-- ParserXRX() parseXRX.init()()");
      return 0;
    }
    parser->setMode(kRulesMode);
    if (parser->parseBuffer(text.data, text.length) != kBlockComplete) {
      VTRACE("--ERROR-- ParserXRX() parseXRX.parseBuffer()");
      return 0;
    }
    if (caller == nullptr) return 0;
    if (parser->fillRules(caller) != 0) {
      VTRACE("ParserXRX() parseXRX.parseBuffer() OK AND END.");
    } else {
      VTRACE("ParserXRX() parseXRX.parseBuffer() END and NO comments.");
    }
  } catch (...) {
    VTRACE("--ERROR-- ParserXRX() the XRX parser threw an exception");
  }
  return 0;
}

}  // namespace vantrel
