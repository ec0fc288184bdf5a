#include "handlers/xrx.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/byte_source.h"
#include "engine/context.h"
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

// The text handed to parseBuffer: the window from the value on, or the rest
// of the file when that is shorter. Taken in place when the chunk holds it,
// else read from the file, so that a block which runs past the end of the
// chunk reaches the parser whole, wherever the chunk boundaries fall.
struct BlockText {
  const char* data = nullptr;
  int length = 0;
  std::unique_ptr<char[]> owned;
};

BlockText TextFrom(const ParserContext* context, const char* position,
                   int64_t value_offset) {
  BlockText text;
  const char* end =
      ValueDataEnd(reinterpret_cast<const char*>(context), position);
  const int64_t held = end > position ? end - position : 0;
  text.data = position;
  if (held >= kXRXTextWindow) {
    text.length = kXRXTextWindow;
    return text;
  }
  text.length = static_cast<int>(held);
  if (context->source == nullptr) return text;
  // A positioned read: the scanner's own reading is not disturbed.
  text.owned.reset(new (std::nothrow) char[kXRXTextWindow + 1]);
  if (!text.owned) return text;
  const int64_t n = SourceReadAt(context, text.owned.get(), kXRXTextWindow,
                                 value_offset);
  if (n > held) {
    text.owned[n] = '\0';
    text.data = text.owned.get();
    text.length = static_cast<int>(n);
  }
  return text;
}

}  // namespace

void RegisterXRXSet(ParserContext* context) {
  if (context == nullptr) return;
  ParserAddEntryToList(context, "XRXbegin:", ParserXRX, 0, nullptr, 0);
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
  if (loader->LoadLibraryA(VANTREL_XRX_LIBRARY_NAME, 1) == 0) {
    VTRACE("--ERROR-- LoadLibrary() %s error = %d ", VANTREL_XRX_LIBRARY_NAME,
           static_cast<int>(loader->GetErrorState()));
    VTRACE("--ERROR-- LoadXRXPareseDLL() %s", loader->GetErrReason());
    return;
  }
  context->m_pParseXRX = static_cast<CParseXRXCommentsIf*>(
      loader->CreateObject(VANTREL_XRX_OBJECT_NAME, 0));
  if (context->m_pParseXRX == nullptr) {
    VTRACE("--ERROR-- LoadXRXPareseDLL() %s", loader->GetErrReason());
  } else {
    VTRACE("LoadXRXPareseDLL() parser from %s", loader->GetLibraryPath());
  }
}

void ReleaseXRXObjects(ParserContext* context) {
  if (context == nullptr) return;
  // The object's code lives in the library: destroy it before the library
  // goes.
  delete context->m_pParseXRX;
  context->m_pParseXRX = nullptr;
  if (context->m_pLoaderLibrary != nullptr) {
    context->m_pLoaderLibrary->ReleaseLibrary();
    delete context->m_pLoaderLibrary;
    context->m_pLoaderLibrary = nullptr;
  }
}

int64_t ParserXRX(char* context, CommentStruct* /*record*/, long /*param*/,
                  char* /*keyword*/, char** position, char* /*comment_start*/,
                  int64_t /*continuation*/, int64_t value_offset,
                  long* /*wait_index*/, void* /*user_data*/, void* caller) {
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || position == nullptr || *position == nullptr) return 0;
  if (ctx->m_pParseXRX == nullptr) {
    LoadXRXPareseDLL(ctx);
    if (ctx->m_pParseXRX == nullptr) return 0;
  }
  CParseXRXCommentsIf* parser = ctx->m_pParseXRX;
  // The plug-in is foreign code: nothing it throws may reach the host.
  try {
    if (parser->init() == 0) {
      VTRACE("--ERROR-- ParserXRX() parseXRX.init()()");
      return 0;
    }
    parser->setMode(kRulesMode);
    const BlockText text = TextFrom(ctx, *position, value_offset);
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
