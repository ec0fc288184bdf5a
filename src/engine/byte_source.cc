#include "engine/byte_source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/context.h"
#include "platform/file.h"

namespace vantrel {

void* ByteSource::Reallocate(void* block, size_t size) {
  return std::realloc(block, size);
}

FileSource::~FileSource() {
  if (owns_ && fd_ >= 0) CloseFile(fd_);
}

int64_t FileSource::ReadAt(char* buffer, size_t count, int64_t offset) {
  return vantrel::ReadAt(fd_, buffer, count, offset);
}

int64_t MemorySource::ReadAt(char* buffer, size_t count, int64_t offset) {
  if (offset < 0) return -1;
  if (offset >= size_ || count == 0) return 0;
  const size_t n = static_cast<size_t>(
      std::min<int64_t>(static_cast<int64_t>(count), size_ - offset));
  std::memcpy(buffer, data_ + offset, n);
  return static_cast<int64_t>(n);
}

int64_t SourceReadAt(const ParserContext* context, char* buffer, size_t count,
                     int64_t offset) {
  if (context == nullptr || context->source == nullptr) return -1;
  return context->source->ReadAt(buffer, count, offset);
}

}  // namespace vantrel
