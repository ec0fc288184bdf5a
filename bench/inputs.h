// Synthetic print files for the scan benchmark. Each writer streams its file
// through a small buffer, so generating a 200 MB input costs no more memory
// than a 20 KB one and the peak RSS figures stay about the scan.
#ifndef VANTREL_BENCH_INPUTS_H_
#define VANTREL_BENCH_INPUTS_H_

#include <cstdint>
#include <cstring>
#include <string>

namespace vantrel_bench {

// What a writer produced. Counts are exact: the benchmark divides by them.
struct InputFile {
  std::string label;  // e.g. "(a) text-heavy"
  std::string path;
  int64_t size = 0;
  int64_t lines = 0;          // line ends written
  int64_t comment_lines = 0;  // lines that begin with "%"
  int64_t pages = 0;          // "%%Page:" lines at line starts
  int64_t sections = 0;       // counted %%BeginData / %%BeginBinary sections
  int64_t section_bytes = 0;  // data bytes inside those sections
};

// A multi-page document of about `size` bytes: a DSC header, pages of about
// 100 lines of drawing and text operators (a %%Page comment every ~100
// lines, a few page-level comments, an occasional "%" in mid-line), and a
// trailer. `sections` counted sections of `section_bytes` random binary
// bytes each are spread over the pages, alternately as
// "%%BeginData: N Binary Bytes" ... "%%EndData" and "%%BeginBinary: N" ...
// "%%EndBinary"; each closing line follows its data directly (after one
// line feed). The file reaches at least `size` bytes and every section.
// Answers false (with `error` set) on an I/O error.
// With `header_line` false the file has no "%!" line: a head scan of it
// reads on to the end.
bool WriteDocument(const std::string& path, int64_t size, int64_t sections,
                   int64_t section_bytes, InputFile* out, std::string* error,
                   bool header_line = true);

// About `size` bytes where every line is a comment whose keyword no comment
// set registers ("%%BeginZzz: ...", "%%PagZzz: 3 3", "%Plain note", ...),
// after a "%!PS-Adobe-3.0" first line.
bool WriteAllComments(const std::string& path, int64_t size, InputFile* out,
                      std::string* error);

// One page of about `size` bytes of lines that hold nothing but 2 to 41 "%"
// signs, between a short DSC header and trailer: legal, and the worst case
// for a scanner that looks at every "%".
bool WritePercentLines(const std::string& path, int64_t size, InputFile* out,
                       std::string* error);

// About `size` bytes of PostScript tokens without a single CR or LF. Comment
// text ("%%Page: 3 3") occurs in mid-line only.
bool WriteNoLineEnds(const std::string& path, int64_t size, InputFile* out,
                     std::string* error);

// Every "%" of [p, end) found with memchr, one call per sign: the least a
// scanner that looks at every "%" must do. Answers how many.
inline int64_t CountPercentSigns(const char* p, const char* end) {
  int64_t count = 0;
  while (p < end) {
    const void* hit = std::memchr(p, '%', static_cast<size_t>(end - p));
    if (hit == nullptr) break;
    ++count;
    p = static_cast<const char*>(hit) + 1;
  }
  return count;
}

// Reads the file at `path` whole into `block`; false when it cannot.
bool LoadFile(const std::string& path, std::string* block);

}  // namespace vantrel_bench

#endif  // VANTREL_BENCH_INPUTS_H_
