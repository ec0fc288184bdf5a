#include "handlers/pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scan_record.h"
#include "handlers/handler_state.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::ScanJob;

TEST(PageLabelHandler, ARepeatedLabelStopsTheCollection) {
  vantrel_test::TestVars().pageLabelFlag =
      -1;  // as a scan before this one left it
  vantrel_test::TestVars().pageLabels.Insert("3 3", 3);
  CommentStruct record{};
  std::vector<int> counts;
  for (const char* label : {"3 3", "1 1", "1 1 ", "1 1", "2 2"}) {
    size_t moved = 1;
    vantrel_test::Feed(ParserPageLabel, std::string(label) + "\r\n", &record,
                       nullptr, nullptr, nullptr, std::string::npos, &moved);
    EXPECT_EQ(moved, 0u) << label;
    // Texts are checked in batches: whoever reads the count resolves first.
    ResolvePageLabels(vantrel_test::TestVars(), &record);
    counts.push_back(record.m_pageLabelCount);
  }
  EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, -2, -2}));
  EXPECT_EQ(vantrel_test::TestVars().pageLabelFlag, 1);
}

TEST(BookletHandlers, PropertiesAndOneRulePerBookletComment) {
  static const struct {
    const char* comments;
    const char* map;
    const char* rules;
  } kCases[] = {
      // clang-format off
      {"%%BookletPages: 2 16\n%%BookletPages: (3 8) (4 8)\n", "",
       "[layer 2 type 2 pages 0-0 booklet 2] PagesPerBooklet:2#289=16\n"
       "[layer 2 type 2 pages 0-0 booklet 3] PagesPerBooklet:2#289=8\n"},
      {"%%BookletPages: 2\n%%BookletPages: 0 16\n%%BookletPages: -1 4\n", "", ""},
      {"%%NumberOfBooklets: 3\n%%NumberOfBooklets: 63\n%%VariablePagesPerBooklet: True\n",
       "NumberOfBooklets:long=63; VariablePagesPerBooklet:bool=0", ""},
      {"%%VariablePagesPerBooklet: true\n%%VariablePagesPerBooklet: x\n"
       "%%VariablePagesPerBooklet: true\n",
       "VariablePagesPerBooklet:bool=1", ""},
      {"%%PagesPerBooklet: 8\n%%PagesPerBooklet: 63\n", "PagesPerBooklet:long=8", ""},
      // The booklet count shares the page-count value with "Pages".
      {"%%Pages: (atend)\n%%PagesPerBooklet: 8\n%%EndComments\n%%Pages: 4\n",
       "PagesPerBooklet:long=8; NumPages:long=4", ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScanJob(std::string("%!PS-Adobe-3.0\n") + c.comments),
              std::string(c.map) + "\n" + c.rules)
        << c.comments;
  }
}

TEST(PageCount, WholeFilesTakeTheCountByPrecedence) {
  std::string filler;
  for (int i = 0; i < 120; ++i)
    filler += "%%Filler: " + std::string(100, 'x') + "\n";
  const struct {
    std::string text;
    int mode;
    const char* pages;  // null: no "NumPages"
  } kCases[] = {
      // clang-format off
      {"%!PS\n%%Pages: 12\n%%Pages: 14\n", 15, "12"},
      {"%!PS\n%%Pages: (atend)\n%%EndComments\n%%Pages: 5\n%%Trailer\n%%Pages: 7\n", 15, "7"},
      // A head scan reads the trailer for an (atend) count.
      {"%!PS\n%%Pages: (atend)\n%%EndComments\n" + filler + "%%Trailer\n%%Pages: 7\n", 1, "7"},
      {"%!PS\n%%KAL_Pages: 3\n%%Pages: 10\n", 15, "3"},
      {"%!PS\n%%Pages: 10\n%%KAL_Pages: 3\n%%KAL_Pages: 4\n", 15, "3"},
      {"%!PS\n%%KAL_Pages: none\n%%Pages: 10\n", 15, "10"},
      // A repeated page and a repeated count: the count is not known.
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 2 2\n%%Page: 1 1\n%%Pages: 2\n", 15, "0"},
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 2 2\n%%Page: 1 1\n", 15, "2"},
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 1 1\n%%Pages: 2\n%%KAL_Pages: 6\n", 15, "6"},
      // An EPS file is one page, found at its header line.
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n", 15, "1"},
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 5\n%%KAL_Pages: 4\n", 15, "4"},
      // An embedded block's count, also in its trailer, is neither the job's
      // nor a second one of the job's.
      {"%!PS\n%%BeginDocument: a.eps\n%%Pages: 9\n%%EndDocument\n", 15, nullptr},
      {"%!PS\n%%BeginDocument: a.eps\n%%Trailer\n%%Pages: 9\n", 15, nullptr},
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%BeginDocument: a.eps\n%%Pages: 1\n%%Page: 1 1\n"
       "%%EndDocument\n%%BeginFont: F\n%%Pages: 1\n%%EndFont\n%%Page: 2 2\n", 15, "2"},
      // A font holds no trailer: one left unclosed ends at the job's.
      {"%!PS\n%%Pages: (atend)\n%%EndComments\n%%BeginFont: F\n%%Trailer\n%%Pages: 4\n", 15, "4"},
      // 63 is never taken; a value without a number leaves the count awaited.
      {"%!PS\n%%Pages: 63\n%%Pages: 64\n", 15, "64"},
      {"%!PS\n%%Pages: (atend )\n%%Pages:\n%%Pages: many\n%%Pages: 4\n", 15, "4"},
      {"%!PS\n%%Pages: (atend)\n%%Trailer\n%%Pages:\n%%Pages: 6\n", 15, "6"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScanJob(c.text, c.mode),
              c.pages ? std::string("NumPages:long=") + c.pages + "\n" : "\n")
        << c.text.substr(0, 120);
  }
  // No awaited count carries over to the next parse.
  ScanJob("%!PS\n%%Pages: (atend)\n%%EndComments\n");
  EXPECT_EQ(ScanJob("%!PS\n%%Pages: 3\n"), "NumPages:long=3\n");
}

}  // namespace
}  // namespace vantrel
