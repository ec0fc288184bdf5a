#include "inputs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vantrel_bench {

namespace {

constexpr size_t kWriteBuffer = 1 << 20;
// Rough size of one ~100-line page of the document writer; it only decides
// where the counted sections go.
constexpr int64_t kPageBytesEstimate = 5000;
constexpr int64_t kTrailerBytes = 64;
constexpr int kBodyLinesPerHalf = 45;

// Streams a file through a fixed buffer and counts what it wrote.
class Writer {
 public:
  Writer(const std::string& path, InputFile* out, std::string* error)
      : out_(out), error_(error), buffer_(kWriteBuffer) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd_ < 0) Error("open", path);
    out_->path = path;
  }
  ~Writer() {
    if (fd_ >= 0) ::close(fd_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void Raw(const char* data, size_t length) {
    while (length > 0 && fd_ >= 0) {
      size_t n = std::min(length, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, data, n);
      used_ += n;
      data += n;
      length -= n;
      written_ += static_cast<int64_t>(n);
      if (used_ == buffer_.size()) Flush();
    }
  }

  // One line and its line feed.
  void Line(const char* text) {
    if (text[0] == '%') ++out_->comment_lines;
    ++out_->lines;
    Raw(text, std::strlen(text));
    Raw("\n", 1);
  }

  // printf-style Line.
  void LineF(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Line(text);
  }

  int64_t written() const { return written_; }

  bool Finish() {
    Flush();
    if (fd_ >= 0 && ::close(fd_) != 0) Error("close", out_->path);
    fd_ = -1;
    out_->size = written_;
    return error_->empty();
  }

 private:
  void Flush() {
    size_t done = 0;
    while (fd_ >= 0 && done < used_) {
      ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        Error("write", out_->path);
        break;
      }
      done += static_cast<size_t>(n);
    }
    used_ = 0;
  }

  void Error(const char* what, const std::string& path) {
    if (error_->empty()) {
      *error_ = std::string(what) + " " + path + ": " + std::strerror(errno);
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  InputFile* out_;
  std::string* error_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  int64_t written_ = 0;
  int fd_ = -1;
};

// xorshift64*: fast, and the same bytes on every run.
class Random {
 public:
  uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
  }
  void Fill(char* p, size_t n) {
    for (size_t i = 0; i < n; i += 8) {
      uint64_t v = Next();
      std::memcpy(p + i, &v, std::min<size_t>(8, n - i));
    }
  }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

const char* const kPhrases[] = {
    "Lorem ipsum dolor sit amet, consectetur",
    "adipiscing elit, sed do eiusmod tempor",
    "incididunt ut labore et dolore magna",
    "aliqua. Ut enim ad minim veniam, quis",
    "nostrud exercitation ullamco laboris",
    "nisi ut aliquip ex ea commodo consequat.",
};

// One line of page content. Mostly text setting, some vector drawing.
void BodyLine(Writer& w, int64_t page, int i) {
  const int y = 740 - (i % 50) * 14;
  const char* phrase = kPhrases[(page + i) % 6];
  switch (i % 8) {
    case 0:
      w.LineF("/F%d %d selectfont", i % 3 + 1, 9 + i % 4);
      break;
    case 3:
      w.LineF("newpath %d %d moveto %d %d lineto 0.5 setlinewidth stroke",
              36 + i, y, 576 - i, y);
      break;
    case 5:
      w.LineF("gsave 0.%d setgray %d %d %d %d rectfill grestore", i % 10,
              40 + i, y - 2, 120 + i, 10);
      break;
    default:
      w.LineF("%d %d moveto (%s) show", 54 + i % 7, y, phrase);
      break;
  }
}

void WriteHeader(Writer& w, bool header_line) {
  if (header_line) w.Line("%!PS-Adobe-3.0");
  static const char* const kHeader[] = {
      "%%Creator: vantrel scan benchmark",
      "%%Title: (synthetic benchmark document)",
      "%%CreationDate: (D:20240101120000)",
      "%%BoundingBox: 0 0 612 792",
      "%%HiResBoundingBox: 0.000000 0.000000 612.000000 792.000000",
      "%%DocumentData: Binary",
      "%%LanguageLevel: 2",
      "%%Pages: (atend)",
      "%%PageOrder: Ascend",
      "%%EndComments",
      "%%BeginProlog",
      "/bd {bind def} bind def",
      "/F1 /Helvetica findfont def /F2 /Times-Roman findfont def",
      "/F3 /Courier findfont def",
      "%%EndProlog",
      "%%BeginSetup",
      "%%BeginFeature: *PageSize Letter",
      "<< /PageSize [612 792] >> setpagedevice",
      "%%EndFeature",
      "%%EndSetup",
  };
  for (const char* line : kHeader) w.Line(line);
}

// A counted section. The scanner resumes at the data's last byte (the count
// is taken from the end of the opening line), so that byte is kept off "%":
// a "%" there reads as a comment while the scanner waits for the closing
// line, which sends it back to examine the section as text. This benchmark
// measures the skip itself.
void WriteSection(Writer& w, Random& random, bool binary_comment, int64_t bytes,
                  InputFile* out) {
  if (binary_comment) {
    w.LineF("%%%%BeginBinary: %" PRId64, bytes);
  } else {
    w.LineF("%%%%BeginData: %" PRId64 " Binary Bytes", bytes);
  }
  static char block[1 << 16];
  int64_t left = bytes;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(left, sizeof block));
    random.Fill(block, n);
    if (static_cast<int64_t>(n) == left && block[n - 1] == '%') {
      block[n - 1] = '#';
    }
    w.Raw(block, n);
    left -= static_cast<int64_t>(n);
  }
  w.Raw("\n", 1);
  w.Line(binary_comment ? "%%EndBinary" : "%%EndData");
  ++out->sections;
  out->section_bytes += bytes;
}

}  // namespace

bool WriteDocument(const std::string& path, int64_t size, int64_t sections,
                   int64_t section_bytes, InputFile* out, std::string* error,
                   bool header_line) {
  Writer w(path, out, error);
  Random random;
  WriteHeader(w, header_line);
  const int64_t text_bytes =
      std::max<int64_t>(0, size - sections * section_bytes);
  const int64_t pages_estimate = std::max<int64_t>(
      sections, std::max<int64_t>(1, text_bytes / kPageBytesEstimate));
  int64_t page = 0;
  int64_t next_section = 0;
  while (w.written() + kTrailerBytes < size || next_section < sections) {
    if (!error->empty()) return false;
    ++page;
    w.LineF("%%%%Page: %" PRId64 " %" PRId64, page, page);
    w.Line("%%PageBoundingBox: 0 0 612 792");
    w.Line("%%BeginPageSetup");
    w.Line("/pagesave save def");
    w.Line("%%EndPageSetup");
    for (int i = 0; i < kBodyLinesPerHalf; ++i) BodyLine(w, page, i);
    // Section k goes on page 1 + k * pages / sections, so they spread over
    // the document.
    if (next_section < sections &&
        page >= 1 + next_section * pages_estimate / sections) {
      WriteSection(w, random, next_section % 2 == 1, section_bytes, out);
      ++next_section;
    }
    w.Line("gsave 0.5 setgray 36 36 540 720 rectstroke grestore % page frame");
    for (int i = kBodyLinesPerHalf; i < 2 * kBodyLinesPerHalf; ++i) {
      BodyLine(w, page, i);
    }
    w.LineF("%% plain comment: end of page %" PRId64, page);
    w.Line("pagesave restore");
    w.Line("showpage");
    w.Line("%%PageTrailer");
  }
  w.Line("%%Trailer");
  w.LineF("%%%%Pages: %" PRId64, page);
  w.Line("%%EOF");
  out->pages = page;
  return w.Finish();
}

bool WriteAllComments(const std::string& path, int64_t size, InputFile* out,
                      std::string* error) {
  Writer w(path, out, error);
  w.Line("%!PS-Adobe-3.0");
  // Keywords that no comment set registers, several sharing their first
  // letters with registered ones so the lookup goes the whole way down.
  for (int64_t i = 0; w.written() < size; ++i) {
    if ((i & 0xFFFF) == 0 && !error->empty()) return false;
    switch (i % 8) {
      case 0:
        w.LineF("%%%%BeginZzz: %" PRId64, i);
        break;
      case 1:
        w.Line("%%EndZzz");
        break;
      case 2:
        w.LineF("%%%%PagZzz: %" PRId64 " %" PRId64, i % 1000, i % 1000);
        break;
      case 3:
        w.Line("%%CreaZzz: synthetic value text");
        break;
      case 4:
        w.Line("%%BoundingBoxZzz: 0 0 612 792");
        break;
      case 5:
        w.LineF("%% plain comment %" PRId64, i);
        break;
      case 6:
        w.Line("%%TrZzz: (some text in parentheses)");
        break;
      default:
        w.Line("%%XyzQuux: value");
        break;
    }
  }
  return w.Finish();
}

bool WritePercentLines(const std::string& path, int64_t size, InputFile* out,
                       std::string* error) {
  Writer w(path, out, error);
  // One page around the lines, so that loaders that want a page accept it.
  w.Line("%!PS-Adobe-3.0");
  w.Line("%%Pages: 1");
  w.Line("%%EndComments");
  w.Line("%%Page: 1 1");
  char line[48];
  std::memset(line, '%', sizeof line);
  for (int64_t i = 0; w.written() < size; ++i) {
    if ((i & 0xFFFF) == 0 && !error->empty()) return false;
    const size_t n = 2 + static_cast<size_t>(i % 40);
    line[n] = '\0';
    w.Line(line);
    line[n] = '%';
  }
  w.Line("%%Trailer");
  w.Line("%%EOF");
  out->pages = 1;
  return w.Finish();
}

bool WriteNoLineEnds(const std::string& path, int64_t size, InputFile* out,
                     std::string* error) {
  Writer w(path, out, error);
  const char kStart[] = "%!PS-Adobe-3.0 %%Creator: no line ends ";
  w.Raw(kStart, sizeof kStart - 1);
  char token[128];
  for (int64_t i = 0; w.written() < size; ++i) {
    if ((i & 0xFFFF) == 0 && !error->empty()) return false;
    int n;
    if (i % 100 == 0) {
      n = std::snprintf(token, sizeof token,
                        "%%%%Page: %" PRId64 " %" PRId64 " ", i / 100 + 1,
                        i / 100 + 1);
    } else if (i % 8 == 3) {
      n = std::snprintf(token, sizeof token,
                        "newpath %d 10 moveto %d 20 lineto stroke ",
                        static_cast<int>(i % 500), static_cast<int>(i % 400));
    } else {
      n = std::snprintf(token, sizeof token, "%d %d moveto (%s) show ",
                        static_cast<int>(54 + i % 7),
                        static_cast<int>(740 - (i % 50) * 14), kPhrases[i % 6]);
    }
    w.Raw(token, static_cast<size_t>(n));
  }
  return w.Finish();
}

bool LoadFile(const std::string& path, std::string* block) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  block->resize(size > 0 ? static_cast<size_t>(size) : 0);
  const size_t n =
      block->empty() ? 0 : std::fread(&(*block)[0], 1, block->size(), f);
  std::fclose(f);
  return n == block->size();
}

}  // namespace vantrel_bench
