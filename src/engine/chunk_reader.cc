#include "engine/chunk_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vantrel {

namespace {

// Where the data starts in the chunk buffer (malloc's alignment is at least
// 16, so the data starts on a cache line and reads into it copy faster); the
// byte before it holds the byte that precedes the chunk.
constexpr int kDataStart = 64;

}  // namespace

ChunkReader::~ChunkReader() { std::free(storage_); }

bool ChunkReader::Reserve(int size) {
  // No chunk holds more than the source.
  const int64_t held = ctx_->source->Size();
  if (size > held) size = static_cast<int>(std::max<int64_t>(held, 1));
  if (size <= buffer_size_) return true;
  void* grown = ctx_->source->Reallocate(
      storage_, kDataStart + static_cast<size_t>(size) + 1);
  if (grown == nullptr) return false;
  storage_ = static_cast<char*>(grown);
  buf_ = storage_ + kDataStart;
  if (!in_place_) data_ = buf_;
  buffer_size_ = size;
  return true;
}

// Byte 0 of the buffer receives the byte before the chunk, so the first data
// byte is judged by what really precedes it: a line feed at the window's
// start or before carried bytes (a carried comment starts a line), the last
// byte of the chunk held when the new one follows it, else the byte read
// with the chunk.
bool ChunkReader::Read(int64_t offset, int kept, int size) {
  // The window's end is known, so nothing is read past it.
  const int64_t left = std::max<int64_t>(0, end_ - (offset + kept));
  const size_t want = static_cast<size_t>(std::min<int64_t>(size - kept, left));
  const int64_t step = offset - offset_;
  if (block_ != nullptr && offset > begin_ && offset + size < end_) {
    // A full chunk inside the window is read where it lies: the byte before
    // it is its true predecessor and the byte after it a true byte of the
    // window. A copy would hold a line feed before carried bytes (the first
    // byte of a carried chunk is a comment's "%", or a "translate", so the
    // byte before means the same either way) and a NUL after the data,
    // which no reader of a full chunk reaches: comments within the last
    // kNearEndMargin bytes are carried, and every read stops at dataEnd.
    data_ = const_cast<char*>(block_ + offset);
    in_place_ = true;
    offset_ = offset;
    size_ = size;
    bytes_ = size;
    return true;
  }
  int64_t n = 0;
  if (in_place_) {
    // Out of place again (the window's end): the carried bytes and the byte
    // before come from the source too.
    const char before =
        kept == 0 && offset > begin_ ? block_[offset - 1] : '\n';
    in_place_ = false;
    data_ = buf_;
    data_[-1] = before;
    n = ctx_->source->ReadAt(data_, want + static_cast<size_t>(kept), offset);
    n = n < kept ? -1 : n - kept;
  } else if (kept == 0 && offset > begin_ && !(step > 0 && step <= bytes_)) {
    n = ctx_->source->ReadAt(data_ - 1, want + 1, offset - 1);
    if (n > 0) --n;
  } else {
    data_[-1] = kept == 0 && offset > begin_ ? data_[step - 1] : '\n';
    if (want > 0) n = ctx_->source->ReadAt(data_ + kept, want, offset + kept);
  }
  if (n < 0) return false;
  offset_ = offset;
  size_ = size;
  bytes_ = kept + static_cast<int>(n);
  data_[bytes_] = '\0';
  return true;
}

int ChunkReader::Carry(const char* from) {
  const int carried = static_cast<int>(data_ + bytes_ - from);
  // In place, the carried bytes already lie where the next chunk starts.
  if (!in_place_) std::memmove(data_, from, static_cast<size_t>(carried));
  return carried;
}

}  // namespace vantrel
