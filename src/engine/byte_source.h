// The bytes a scan reads: a file, a memory block, or a test's fake.
#ifndef VANTREL_ENGINE_BYTE_SOURCE_H_
#define VANTREL_ENGINE_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>

struct ParserContext;

namespace vantrel {

// What the scanner and the handlers that read beyond the chunk (DEX, XRX)
// read through. Positioned reads only: no reader disturbs another.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The number of bytes the source holds.
  virtual int64_t Size() const = 0;

  // Copies up to `count` bytes at `offset` into `buffer`. Answers the number
  // copied (fewer only at the end of the source, 0 there), or -1 on a read
  // error.
  virtual int64_t ReadAt(char* buffer, size_t count, int64_t offset) = 0;

  // The source's own bytes from `offset` on, readable in place up to
  // Size(), or null when the source holds no such block (a file). The
  // bytes must not be written.
  virtual const char* InPlace(int64_t offset) const {
    (void)offset;
    return nullptr;
  }

  // The chunk buffer's (re)allocation: realloc semantics. A fake fails it
  // at a chosen call.
  virtual void* Reallocate(void* block, size_t size);
};

// An open file, read with positioned reads (the descriptor's own offset is
// left alone). Closes the descriptor when it owns it; a host's descriptor
// stays open. Its size is taken once, when the scan opens it: a read that
// brings fewer bytes than that size promises (the file shrank under the
// scan) answers -1, a read error.
class FileSource : public ByteSource {
 public:
  FileSource(int fd, int64_t size, bool owns_descriptor = true)
      : fd_(fd), size_(size), owns_(owns_descriptor) {}
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  int64_t Size() const override { return size_; }
  int64_t ReadAt(char* buffer, size_t count, int64_t offset) override;

 private:
  int fd_;
  int64_t size_;
  bool owns_;
};

// A block of memory held by the host; not owned. `data` may be null when
// `size` is 0.
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const char*>(data)),
        size_(data == nullptr ? 0 : static_cast<int64_t>(size)) {}

  int64_t Size() const override { return size_; }
  int64_t ReadAt(char* buffer, size_t count, int64_t offset) override;
  const char* InPlace(int64_t offset) const override {
    return data_ == nullptr ? nullptr : data_ + offset;
  }

 private:
  const char* data_;
  int64_t size_;
};

// Sets the source of the scan that `context` is about to run: the host's
// descriptor (CKalParser::SetDescriptorSource), its memory block
// (SetMemorySource), or else the file at the context's path. A source the
// context holds already (a test's) is used as it is, and stays the
// caller's. False with *status set when the source cannot be had.
bool OpenScanSource(ParserContext* context, int* status);

// Reads through the source of the scan that `context` is running. Answers
// -1 when no scan is running.
int64_t SourceReadAt(const ParserContext* context, char* buffer, size_t count,
                     int64_t offset);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_BYTE_SOURCE_H_
