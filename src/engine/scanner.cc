#include "engine/scanner.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/keyword_table.h"

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
      context->pathTooLong = true;
    } else {
      std::memcpy(context->filePath, path, len + 1);
    }
  }
  return context;
}

void ParserReleaseContext(ParserContext* context) {
  if (context == nullptr) return;
  ParserFreeTable(context);
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

int64_t ParserScanFile(ParserContext* context, CommentStruct* /*record*/,
                       void* /*caller*/) {
  ParserReleaseContext(context);
  return -1;
}

}  // namespace vantrel
