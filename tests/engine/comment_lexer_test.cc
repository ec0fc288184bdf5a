#include "engine/comment_lexer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <string>

namespace vantrel {
namespace {

TEST(CommentLexer, ByteClassesAreTheCLocalesAndTheScannersOwn) {
  for (int c = 0; c < 256; ++c) {
    const char b = static_cast<char>(c);
    EXPECT_EQ(IsSpaceByte(b), c < 128 && std::isspace(c) != 0) << c;
    EXPECT_EQ(IsLineEndByte(b), c == '\n' || c == '\r' || c == 0) << c;
    EXPECT_EQ(IsBlankByte(b), c == ' ' || c == '\t') << c;
    EXPECT_EQ(IsLetterByte(b), c < 128 && std::isalpha(c) != 0) << c;
    EXPECT_EQ(IsWordEndByte(b), c == ' ' || c == '\t' || c == '\n' ||
                                    c == '\f' || c == '\r' || c == 0)
        << c;
  }
}

// Offsets of the comment starts in `text` (with a line feed before it and a
// NUL after it, as a chunk has), "," between them.
std::string Starts(const std::string& text, bool any_line) {
  std::string buffer = "\n" + text + '\0';
  char* data = &buffer[1];
  char* last = data + text.size() - 1;
  std::string out;
  for (char* p = data; p <= last;) {
    char* pct = FindCommentStart(p, last, any_line);
    if (pct == nullptr) break;
    out += (out.empty() ? "" : ",") + std::to_string(pct - data);
    p = pct + 1;
  }
  return out;
}

TEST(CommentLexer, FindsCommentsAtLineStartsOnly) {
  static const struct {
    std::string text;
    bool any_line;
    const char* expected;
  } kCases[] = {
      {"%%A\nx %%B\n%%C", false, "0,10"},
      {"%%A\nx %%B\n%%C", true, "0,1,6,7,10,11"},
      {"x\r%%A\r\n%B", false, "2,7"},
      {std::string("x\0%%A", 5), false, "2"},
      {"%\xC3\xA9\n%%A", false, "4"},  // "%" before a non-ASCII byte
      {std::string(40, '%') + "\n" + std::string(3, '%') + "\n%", false,
       "0,41,45"},
      {"abc%", false, ""},
      {"", false, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Starts(c.text, c.any_line), c.expected) << c.text;
  }
}

TEST(CommentLexer, StepsOverRunsOfPercentUpToTheirEnd) {
  // Runs of every length, ending at the last byte or before another byte.
  for (int run = 0; run < 20; ++run) {
    for (const std::string tail : {"", "x", "\n%%"}) {
      std::string buffer = std::string(run, '%') + tail + '\0';
      char* data = &buffer[0];
      const char* last = data + buffer.size() - 2;
      EXPECT_EQ(SkipPercentRun(data, last) - data, run) << run << " " << tail;
    }
  }
}

TEST(CommentLexer, LexesTheStartOfACommentLine) {
  static const struct {
    std::string text;
    size_t end;
    const char* rest;
  } kCases[] = {
      {"%%Title: x", 10, "Title: x"},
      {"%  \t Page", 9, "Page"},
      {"%%+ more", 8, "+ more"},
      {"%!PS", 4, "!PS"},
      {"%%   ", 5, ""},
      {"%%Title", 1, ""},
  };
  for (const auto& c : kCases) {
    std::string buffer = c.text + '\0';
    const LexedComment lexed = LexComment(&buffer[0], buffer.data() + c.end);
    EXPECT_EQ(std::string(lexed.text, buffer.data() + c.end), c.rest) << c.text;
    EXPECT_EQ(lexed.lead, c.rest[0]) << c.text;
  }
}

TEST(CommentLexer, ReadsTheFileTypeOfAHeaderLine) {
  static const struct {
    std::string text;  // from the "!" on
    bool epsf;
    int type;
  } kCases[] = {
      {"!PS-Adobe-3.0 EPSF-3.0\n%%", true, 1},
      {"!PS-Adobe-3.0\n%%", false, 2},
      {"!PS-Adobe-3.0\nbinary EPSF-x%", true, 1},  // up to the next "%"
      {"!PS-Adobe-3.0 EPSF%-", false, 2},
      {"!PS-Adobe-3.0 EPSF-", false, 2},  // no "%" after it
      {"!PS EEPSF-%", true, 1},
      {"!VPS%", false, 3},
      {"!XY EPSF-%", true, 0},
      {"!P", false, 0},
  };
  for (const auto& c : kCases) {
    const char* end = c.text.data() + c.text.size();
    EXPECT_EQ(ParserIsEPSF(c.text.data(), end), c.epsf) << c.text;
    EXPECT_EQ(ParserFileType(c.text.data(), end), c.type) << c.text;
  }
}

}  // namespace
}  // namespace vantrel
