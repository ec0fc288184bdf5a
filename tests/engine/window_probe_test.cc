#include "engine/window_probe.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

std::string DosEps(uint32_t begin, uint32_t length) {
  std::string header = "\xC5\xD0\xD3\xC6";
  for (uint32_t v : {begin, length}) {
    for (int i = 0; i < 4; ++i)
      header += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return header;
}

std::string Dump(const WindowProbe& p) {
  return std::to_string(p.begin) + "-" + std::to_string(p.end) +
         (p.dosEps ? " dos " + std::to_string(p.dosEpsBegin) + "+" +
                         std::to_string(p.dosEpsLength)
                   : "") +
         (p.readOn ? " read on" : "");
}

TEST(WindowProbe, FindsTheWindowFromTheFirstBytes) {
  static const struct {
    const char* name;
    std::string data;
    int64_t offset, size;
    const char* expected;
  } kCases[] = {
      {"plain job", "%!PS-Adobe-3.0\n", 0, 1000, "0-1000"},
      {"DOS EPS", DosEps(30, 500) + "....", 0, 1000, "30-530 dos 30+500"},
      {"DOS EPS section running past the file", DosEps(30, 5000), 0, 1000,
       "30-1000 dos 30+5000"},
      {"DOS EPS section past the file", DosEps(3000, 10), 0, 1000,
       "1000-1000 dos 3000+10"},
      {"DOS EPS without a length", DosEps(30, 0), 0, 1000, "30-1000 dos 30+0"},
      {"DOS EPS magic in too few bytes", DosEps(30, 500).substr(0, 11), 0, 1000,
       "0-1000"},
      {"DOS EPS magic later in the file", DosEps(30, 500), 4096, 10000,
       "4096-10000"},
      {"Ctrl-D bytes before the job", "\x04\x04%!PS", 0, 1000, "2-1000"},
      {"only Ctrl-D bytes so far", "\x04\x04\x04", 0, 1000, "3-1000 read on"},
      {"only Ctrl-D bytes to the end", "\x04\x04\x04", 0, 3, "3-3"},
      {"Ctrl-D bytes go on in the next read", "\x04%!", 4096, 1000000,
       "4097-1000000"},
      {"nothing read", "", 0, 0, "0-0"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Dump(ProbeWindow(c.data.data(), static_cast<int>(c.data.size()),
                               c.offset, c.size)),
              c.expected)
        << c.name;
  }
}

TEST(WindowProbe, TellsPdfAndPjlStarts) {
  static const struct {
    std::string data;
    bool pdf, pjl;
  } kCases[] = {
      {"%PDF-1.4\n", true, false},         {"%PDF", false, false},
      {"\x1b%-12345X@PJL\n", false, true}, {"@PJL ENTER\n", false, true},
      {"%!PS-Adobe-3.0\n", false, false},  {"", false, false},
  };
  for (const auto& c : kCases) {
    const WindowStart start =
        ClassifyWindowStart(c.data.data(), static_cast<int>(c.data.size()));
    EXPECT_EQ(start.pdf, c.pdf) << c.data;
    EXPECT_EQ(start.pjl, c.pjl) << c.data;
  }
}

}  // namespace
}  // namespace vantrel
