// The chunks of one scan: the window of the source that is scanned, the
// chunk held, the bytes carried into the next chunk and the byte before each
// chunk.
#ifndef VANTREL_ENGINE_CHUNK_READER_H_
#define VANTREL_ENGINE_CHUNK_READER_H_

#include <cstdint>

#include "engine/byte_source.h"
#include "engine/context.h"

namespace vantrel {

// Every chunk it hands out has, before its first data byte, the byte that
// precedes the chunk in the window (a line feed at the window's start and
// before carried bytes), and after its data either a NUL (a chunk in the
// chunk buffer) or the next byte of the window (a chunk read in place).
// Readers of a chunk stop at its data end either way.
//
// Chunks lie in the reader's chunk buffer, which it allocates through the
// source and frees when it goes. A full chunk strictly inside the window,
// not at its start, is read in place when the source holds a block
// (SetBlock): it is then never written. The reader is the one writer of the
// context's view of the chunk (Publish), which the handlers read.
class ChunkReader {
 public:
  // `context->source` must stay set while the reader reads.
  explicit ChunkReader(ParserContext* context) : ctx_(context) {}
  ~ChunkReader();
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // The source's own bytes, when it holds them in one block (else null).
  void SetBlock(const char* block) { block_ = block; }

  // The part of the source that is scanned: [begin, end).
  void SetWindow(int64_t begin, int64_t end) {
    begin_ = begin;
    end_ = end;
  }
  int64_t window_begin() const { return begin_; }
  int64_t window_end() const { return end_; }

  // Makes the buffer hold chunks of `size` bytes (no more than the source
  // holds), keeping what it holds. False when memory is exhausted.
  bool Reserve(int size);
  // The buffer's first data byte, for setting up its byte before and NUL.
  // REQUIRES: Reserve succeeded.
  char* buffer() const { return buf_; }

  // Reads the chunk at `offset`: `kept` carried bytes (Carry) stand first,
  // up to `size` bytes in all, none past the window's end. False on a read
  // error.
  bool Read(int64_t offset, int kept, int size);

  // Keeps the bytes from `from` to the end of the chunk's data for the next
  // chunk, which then begins at `from`'s offset. Answers their number.
  int Carry(const char* from);

  // Makes the chunk held the one the handlers see: its offset and data end.
  void Publish() const {
    ctx_->chunkOffset = offset_;
    ctx_->dataEnd = data_ + bytes_;
  }

  char* data() const { return data_; }
  int bytes() const { return bytes_; }
  int64_t offset() const { return offset_; }
  // The size asked for when the chunk was read (bytes() is less only at
  // the window's end).
  int size() const { return size_; }
  bool in_place() const { return in_place_; }
  int64_t OffsetOf(const char* p) const { return offset_ + (p - data_); }
  bool MoreAfter() const { return offset_ + bytes_ < end_; }

 private:
  ParserContext* ctx_;
  const char* block_ = nullptr;
  char* storage_ = nullptr;  // the allocation; the data start within it
  int64_t begin_ = 0;
  int64_t end_ = 0;
  int buffer_size_ = 0;
  char* buf_ = nullptr;
  char* data_ = nullptr;
  bool in_place_ = false;
  int64_t offset_ = 0;
  int size_ = 0;
  int bytes_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_ENGINE_CHUNK_READER_H_
