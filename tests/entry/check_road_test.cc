// The check road on the real jobs of tests/data (each finding reviewed by
// hand against the file), through the C API that the CLI and Python use.
#include <fcntl.h>
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "vantrel/vantrel_c.h"

namespace {

// "line:code" of every finding, space separated.
std::string Dump(const vantrel_check_result* r) {
  std::string text;
  for (int i = 0; i < vantrel_check_finding_count(r); ++i) {
    vantrel_finding_info f{};
    EXPECT_EQ(vantrel_check_finding(r, i, &f), 1);
    if (!text.empty()) text += ' ';
    text += std::to_string(f.line) + ":" + f.code;
  }
  return text;
}

TEST(CheckRoad, RealJobsGiveTheirReviewedFindings) {
  static const struct {
    const char* file;
    const char* expected;
  } kCases[] = {
      {"tests/data/groff.ps", ""},
      // The logo is an embedded document with its own "%%Pages: 1",
      // "%%Page: 1 1" and "%%EOF": none of it is the job's.
      {"tests/data/groff_logo.ps", ""},
      {"tests/data/groff_pictures.ps", ""},
      {"tests/data/dvips.ps", ""},
      {"tests/data/dvips.eps", ""},
      {"tests/data/dvips_fonts.ps", ""},
      // "% Page prefeed" in its prolog is a plain comment, not a page.
      {"tests/data/enscript.ps", ""},
      {"tests/data/landscape_enscript.ps", ""},
      {"tests/data/pdftops_fonts.ps", ""},
      {"tests/data/spot_colours_pdftops.ps", ""},
      {"tests/data/spot_colours_source.ps", ""},
      {"examples/brochure.ps", ""},
      {"examples/logo.eps", ""},
      // paps defers "%%Pages" but writes it before "%%Trailer"; goes from
      // its header to "%%BeginProlog" and then "%%Orientation"; and closes
      // its two prologs with "%%EndPrologue", which is no DSC comment.
      {"tests/data/paps.ps",
       "4:atend-unresolved 6:no-end-comments 6:unbalanced 7:header-in-body "
       "101:unbalanced 560:header-in-body"},
      // a2ps repeats its "%%Copyright" lines in the prolog, after the
      // header has ended.
      {"tests/data/a2ps.ps", "29:header-in-body 30:header-in-body"},
      // One page cut out of groff.ps: "%%Pages: 1 0", "%%Page: 2 1".
      {"tests/data/psselect.ps", ""},
      {"tests/data/landscape.txt", "1:not-postscript"},
  };
  for (const auto& c : kCases) {
    const std::string path = std::string(VANTREL_SOURCE_DIR) + "/" + c.file;
    vantrel_check_result* r = vantrel_check_file(path.c_str());
    EXPECT_EQ(vantrel_check_status(r), VANTREL_SCAN_OK) << c.file;
    EXPECT_EQ(Dump(r), c.expected) << c.file;
    vantrel_check_free(r);
  }
}

TEST(CheckRoad, MemoryAndFileGiveOneAnswerAndTheJsonCountsThem) {
  const std::string text =
      "%!PS-Adobe-3.0\n%%Pages: 3\n%%Orientation: landscape\n%%EndComments\n"
      "%%Page: 1 1\n";
  vantrel_test::TempDir dir;
  const std::string path = dir.Write("job.ps", text);
  vantrel_check_result* file = vantrel_check_file_named(path.c_str(), "job.ps");
  vantrel_check_result* memory =
      vantrel_check_memory(text.data(), text.size(), "job.ps");
  const std::string expected =
      "{\"file\":\"job.ps\",\"scan\":\"ok\",\"errors\":1,\"warnings\":1,"
      "\"findings\":[{\"line\":2,\"offset\":15,\"level\":\"error\",\"code\":"
      "\"pages-mismatch\",\"message\":\"%%Pages says 3 but the job has 1 "
      "page\"},{\"line\":3,\"offset\":26,\"level\":\"warning\",\"code\":"
      "\"unknown-value\",\"message\":\"%%Orientation value 'landscape' is "
      "not a DSC word (Portrait, Landscape)\"}]}";
  EXPECT_EQ(vantrel_check_json(file), expected);
  EXPECT_EQ(vantrel_check_json(memory), expected);
  EXPECT_EQ(vantrel_check_error_count(memory), 1);
  EXPECT_EQ(vantrel_check_warning_count(memory), 1);
  vantrel_check_free(file);
  vantrel_check_free(memory);
}

TEST(CheckRoad, DosEpsSectionsOutsideTheFileAreErrors) {
  const std::string eps = vantrel_test::DosEps(
      "",
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 1 1\n%%EndComments\n"
      "%%Orientation: up\n%%EOF\n");
  const std::string cut = eps.substr(0, eps.size() - 6);
  std::string outside = eps;  // leaves the scan no byte
  outside.replace(4, 4, "\xf0\xff\xff\x7f", 4);
  static const struct {
    const std::string* text;
    const char* expected;
  } kCases[] = {
      // Line 1 is the section's first line: the finding's line 4 is the
      // section's fourth.
      {&eps, "4:unknown-value 4:header-in-body"},
      {&cut, "1:dos-eps-range 4:unknown-value 4:header-in-body"},
      {&outside, "1:dos-eps-range"},
  };
  for (const auto& c : kCases) {
    vantrel_check_result* r =
        vantrel_check_memory(c.text->data(), c.text->size(), "job.eps");
    EXPECT_EQ(Dump(r), c.expected);
    vantrel_check_free(r);
  }
}

TEST(CheckRoad, BadArgumentsAndMissingFilesGiveNoFindings) {
  vantrel_check_result* missing = vantrel_check_file("/nonexistent/job.ps");
  EXPECT_EQ(vantrel_check_status(missing), VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(vantrel_check_finding_count(missing), 0);
  vantrel_check_free(missing);
  vantrel_check_result* bad = vantrel_check_memory(nullptr, 5, "x");
  EXPECT_EQ(vantrel_check_status(bad), VANTREL_SCAN_BAD_ARGUMENT);
  EXPECT_EQ(std::string(vantrel_check_json(bad)),
            "{\"file\":\"\",\"scan\":\"failed\",\"error\":\"bad argument\","
            "\"errors\":0,\"warnings\":0,\"findings\":[]}");
  vantrel_finding_info f{};
  EXPECT_EQ(vantrel_check_finding(bad, 0, &f), 0);
  vantrel_check_free(bad);
  EXPECT_EQ(vantrel_check_finding_count(nullptr), 0);
  EXPECT_STREQ(vantrel_check_json(nullptr), "");
}

// A job of many large counted sections, their bytes dense with CR, LF and
// CRLF, split every way by the scan's chunks and its skips, each section's
// count line and last bytes ending in another style; findings between the
// sections, after them and at the job's end (an unclosed resource, a page
// count from the trailer). Every finding stands at the line an editor shows,
// from a file, from memory and from a descriptor alike.
TEST(CheckRoad, FindingsAfterSkippedSectionsKeepTheirLines) {
  std::string text = "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n";
  std::vector<std::pair<size_t, std::string>> expected;  // offset, code
  const auto finding = [&](const std::string& line, const char* code) {
    expected.emplace_back(text.size(), code);
    text += line;
  };
  finding("%%PageOrientation: Sideways\n", "unknown-value");
  uint32_t seed = 12345;
  const char* const kTokens[] = {"\r\n", "\r", "\n", "x", "yz\x80", "\r\n"};
  const char* const kOpenEnds[] = {"\n", "\r\n", "\r"};
  // The data's last bytes and what stands between them and the end
  // comment: a line end that ends the data, one split across their end,
  // and one after them.
  const char* const kLast[][2] = {
      {"\r\n", ""}, {"\r", "\n"}, {"ab", "\r\n"}, {"\n\r", ""}};
  for (int i = 0; i < 80; ++i) {
    std::string data = "q";  // never an LF that a CR before it would take
    const size_t size = 20000 + static_cast<size_t>(i) * 7919 % 150000;
    while (data.size() < size - 2) {
      seed = seed * 1103515245u + 12345u;
      data += kTokens[(seed >> 16) % 6];
    }
    data.resize(size - 2);
    data += kLast[i % 4][0];
    const bool binary = i % 5 == 0;
    text += (binary ? "%%BeginBinary: " : "%%BeginData: ") +
            std::to_string(data.size()) + (binary ? "" : " Binary Bytes") +
            kOpenEnds[i % 3] + data + kLast[i % 4][1] +
            (binary ? "%%EndBinary\n" : "%%EndData\n");
    text += "0 0 moveto\r\n";
    if (i % 9 == 4) finding("%%PageOrientation: Up\r", "unknown-value");
  }
  finding("%%Trailer\n", "");
  expected.pop_back();
  finding("%%Pages: 2\n", "pages-mismatch");
  finding("%%BeginResource: x\n", "unbalanced");
  text += "end\r\n";

  std::string want;
  for (const auto& e : expected) {
    int64_t line = 1;
    for (size_t i = 0; i < e.first; ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (text[i] == '\n' || text[i] == '\r') ++line;
    }
    if (!want.empty()) want += ' ';
    want += std::to_string(line) + ":" + e.second;
  }

  vantrel_test::TempDir dir;
  const std::string path = dir.Write("images.ps", text);
#if defined(_WIN32)
  const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
  const int fd = open(path.c_str(), O_RDONLY);
#endif
  ASSERT_GE(fd, 0);
  vantrel_check_result* results[] = {
      vantrel_check_file(path.c_str()),
      vantrel_check_memory(text.data(), text.size(), "images.ps"),
      vantrel_check_fd(fd, "images.ps"),
  };
  for (vantrel_check_result* r : results) {
    EXPECT_EQ(vantrel_check_status(r), VANTREL_SCAN_OK);
    EXPECT_EQ(Dump(r), want);
    for (int i = 0; i < vantrel_check_finding_count(r); ++i) {
      vantrel_finding_info f{};
      vantrel_check_finding(r, i, &f);
      EXPECT_EQ(static_cast<size_t>(f.offset), expected[i].first) << i;
    }
    vantrel_check_free(r);
  }
#if defined(_WIN32)
  _close(fd);
#else
  close(fd);
#endif
}

}  // namespace
