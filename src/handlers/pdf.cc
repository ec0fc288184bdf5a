#include "handlers/pdf.h"

#include <cstring>

#include "engine/context.h"
#include "engine/dispatcher.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "platform/trace.h"
#include "vantrel/parser_if.h"

namespace vantrel {
namespace {

// Characters of a page number that a page message may hand on.
constexpr size_t kPageNumberMax = 9;

void AddPdfKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "PDF-1", ParserPDF, 0, nullptr, 0);
}

}  // namespace

void RegisterPdfSet(ParserContext* context) {
  if (context == nullptr) return;
  // The tail pass hands this set the page messages of a converted PDF.
  context->hooks.pdfPageMessage = getNumberPagesPSfromPDF;
  AddKeywordSet(context, AddPdfKeys, 0);
}

int64_t ParserPDF(char* context, CommentStruct*, long, char*, char**, char*,
                  int64_t, int64_t, long*, void*, void*) {
  VTRACE("ParserPDF Call");
  // The caller learns why the file was not parsed.
  ParserContext* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx != nullptr) ctx->scanStatus = VANTREL_SCAN_PDF_REFUSED;
  return -1;
}

void getNumberPagesPSfromPDF(ParserContext* context, CommentStruct* record,
                             char* text) {
  if (context == nullptr || text == nullptr) return;
  try {
    const char* end = context->dataEnd != nullptr ? context->dataEnd
                                                  : text + std::strlen(text);
    if (end - text < 4 || std::memcmp(text, "Page", 4) != 0) return;
    const size_t span = static_cast<size_t>(end - text);
    const char* blank = static_cast<const char*>(std::memchr(text, ' ', span));
    const char* bracket =
        static_cast<const char*>(std::memchr(text, ']', span));
    if (blank == nullptr || bracket == nullptr || bracket < blank) return;
    char number[kPageNumberMax + 1] = {};
    size_t length = static_cast<size_t>(bracket - blank - 1);
    if (length > kPageNumberMax) length = kPageNumberMax;
    std::memcpy(number, blank + 1, length);
    DispatchValue(context, record, "Pages", number);
  } catch (...) {
    // A page message is a hint; whatever goes wrong with it, the scan goes
    // on.
    VTRACE("Error to function getNumberPagesPSfromPDF");
  }
}

}  // namespace vantrel
