#include "engine/byte_source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/context.h"
#include "platform/file.h"
#include "vantrel/scan_status.h"

namespace vantrel {

void* ByteSource::Reallocate(void* block, size_t size) {
  return std::realloc(block, size);
}

FileSource::~FileSource() {
  if (owns_ && fd_ >= 0) CloseFile(fd_);
}

// The scan planned its passes, chunks and skips from the size the file had
// when it was opened. A file that shrank since would end the scan early and
// quietly: a read that brings fewer bytes than that size promised is a read
// error, never the end of the file.
int64_t FileSource::ReadAt(char* buffer, size_t count, int64_t offset) {
  const int64_t n = vantrel::ReadAt(fd_, buffer, count, offset);
  if (n < 0 || offset < 0) return -1;
  const int64_t promised = std::min<int64_t>(
      static_cast<int64_t>(count), std::max<int64_t>(0, size_ - offset));
  return n < promised ? -1 : n;
}

int64_t MemorySource::ReadAt(char* buffer, size_t count, int64_t offset) {
  if (offset < 0) return -1;
  if (offset >= size_ || count == 0) return 0;
  const size_t n = static_cast<size_t>(
      std::min<int64_t>(static_cast<int64_t>(count), size_ - offset));
  std::memcpy(buffer, data_ + offset, n);
  return static_cast<int64_t>(n);
}

namespace {

ByteSource* OpenFileSource(const ParserContext* context, int* status) {
  if (context->filePath[0] == '\0') {
    *status = VANTREL_SCAN_NO_SUCH_FILE;
    return nullptr;
  }
  int fd = -1;
  int64_t size = 0;
  if (!OpenForScan(context->filePath, &fd, &size, status)) return nullptr;
  ByteSource* source = new (std::nothrow) FileSource(fd, size);
  if (source == nullptr) {
    CloseFile(fd);
    *status = VANTREL_SCAN_OUT_OF_MEMORY;
  }
  return source;
}

ByteSource* OpenDescriptorSource(const ParserContext* context, int* status) {
  int64_t size = 0;
  if (!SizeOfDescriptor(context->descriptor, &size, status)) return nullptr;
  ByteSource* source = new (std::nothrow)
      FileSource(context->descriptor, size, /*owns_descriptor=*/false);
  if (source == nullptr) *status = VANTREL_SCAN_OUT_OF_MEMORY;
  return source;
}

}  // namespace

bool OpenScanSource(ParserContext* context, int* status) {
  *status = VANTREL_SCAN_READ_ERROR;
  if (context->source != nullptr && !context->ownsSource) return true;
  ByteSource* source = nullptr;
  if (context->hasDescriptorSource) {
    source = OpenDescriptorSource(context, status);
  } else if (context->hasMemorySource) {
    source = new (std::nothrow)
        MemorySource(context->memoryData, context->memorySize);
    if (source == nullptr) *status = VANTREL_SCAN_OUT_OF_MEMORY;
  } else {
    source = OpenFileSource(context, status);
  }
  if (source == nullptr) return false;
  context->source = source;
  context->ownsSource = true;
  return true;
}

int64_t SourceReadAt(const ParserContext* context, char* buffer, size_t count,
                     int64_t offset) {
  if (context == nullptr || context->source == nullptr) return -1;
  return context->source->ReadAt(buffer, count, offset);
}

}  // namespace vantrel
