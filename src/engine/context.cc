#include "engine/context.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/byte_source.h"
#include "engine/keyword_table.h"
#include "vantrel/scan_status.h"

namespace vantrel {

ParserContext* ParserCreateContext(const char* path) {
  ParserContext* context = new (std::nothrow) ParserContext{};
  if (context == nullptr) return nullptr;
  // No table yet: most parses point at a shared keyword index, and a
  // parse's own table is allocated by its first keyword.
  context->scanStatus = VANTREL_SCAN_NOT_RUN;
  context->descriptor = -1;
  // Any length the system accepts: whether a path is too long is the
  // system's to say when the file is opened.
  const size_t len = path != nullptr ? std::strlen(path) : 0;
  context->filePath = new (std::nothrow) char[len + 1];
  if (context->filePath == nullptr) {
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

}  // namespace vantrel
