#include "handlers/pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/scan_record.h"
#include "handlers/handler_state.h"
#include "store/property_map.h"
#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

using vantrel_test::DumpPropertyMap;
using vantrel_test::DumpRules;
using vantrel_test::ScanJobTicket;

// Hands `value` to `handler` as the scanner does; answers how far the
// handler moved the text position.
long Feed(CommentHandler handler, CommentStruct* record, void* user_data,
          std::string chunk, void* caller = nullptr) {
  ParserContext context{};
  context.dataEnd = &chunk[0] + chunk.size();
  char* position = &chunk[0];
  handler(reinterpret_cast<char*>(&context), record, 0,
          const_cast<char*>("key"), &position, &chunk[0], 0, 0, nullptr,
          user_data, caller);
  return static_cast<long>(position - &chunk[0]);
}

TEST(PagesHandler, CountDependsOnWhereTheScanStands) {
  static const struct {
    const char* name;
    // The scan record and the page-count value before the comment.
    int type, header, depth, helios, tail, mode, count;
    bool stored;  // "NumPages" is in the map already
    const char* value;
    int count_after;
    const char* map;
    int mode_after, bits_after;
  } kCases[] = {
      // clang-format off
      {"plain", 2, 1, 0, 0, 0, 15, 0, false, "12", 12, "12", 15, 0},
      {"second count", 2, 1, 0, 0, 0, 15, 12, true, "14", -2, "12", 15, 0},
      {"atend, whole file", 2, 1, 0, 0, 0, 15, 0, false, "(atend)", -1, "", 15, 0},
      {"atend adds tail pass", 2, 1, 0, 0, 0, 1, 0, false, "atend", -1, "", 3, 2},
      {"atend in tail pass", 2, 2, 0, 0, 1, 3, -1, false, "(atend)", -1, "", 3, 0},
      {"awaited, body", 2, 0, 0, 0, 0, 15, -1, false, "5", -1, "", 15, 0},
      {"awaited, trailer", 2, 2, 0, 0, 0, 15, -1, false, "7", 7, "7", 15, 0},
      {"not exactly atend", 2, 1, 0, 0, 0, 15, 0, false, "(atend )", 0, "", 15, 0},
      {"63", 2, 1, 0, 0, 0, 15, 0, false, "63", 63, "", 15, 0},
      {"64", 2, 1, 0, 0, 0, 15, 0, false, "64", 64, "64", 15, 0},
      {"EPS", 1, 1, 0, 0, 0, 15, 0, false, "0", 0, "1", 15, 0},
      {"embedded", 2, 0, 1, 0, 0, 15, 0, false, "9", 0, "", 15, 0},
      {"embedded, Helios", 2, 0, 1, 1, 0, 15, 0, false, "9", 9, "9", 15, 0},
      {"embedded, trailer", 2, 2, 1, 0, 0, 15, 0, false, "9", 9, "9", 15, 0},
      {"no number", 2, 1, 0, 0, 0, 15, 8, false, "many", 8, "", 15, 0},
      {"empty", 2, 1, 0, 0, 0, 15, 8, false, "", 8, "", 15, 0},
      // clang-format on
  };
  for (const auto& c : kCases) {
    ClearProperties();
    if (c.stored) saveNumberPages(c.count);
    CommentStruct record{};
    record.m_fileType = c.type;
    record.m_headerState = c.header;
    record.m_documentDepth = c.depth;
    record.m_heliosSupport = static_cast<uint8_t>(c.helios);
    record.m_inTailPass = static_cast<uint8_t>(c.tail);
    record.m_scanMode = c.mode;
    int32_t count = c.count;
    Feed(ParserNumPages, &record, &count, c.value);
    EXPECT_EQ(count, c.count_after) << c.name;
    std::string map = *c.map ? std::string("NumPages:long=") + c.map : "";
    EXPECT_EQ(DumpPropertyMap(), map) << c.name;
    EXPECT_EQ(record.m_scanMode, c.mode_after) << c.name;
    EXPECT_EQ(record.m_passBits, c.bits_after) << c.name;
  }
  ClearProperties();
}

TEST(PageLabelHandler, ARepeatedLabelStopsTheCollection) {
  HandlerVars().pageLabelFlag = -1;  // as a scan before this one left it
  HandlerVars().pageLabels.insert("3 3");
  CommentStruct record{};
  std::vector<int> counts;
  for (const char* label : {"3 3", "1 1", "1 1 ", "1 1", "2 2"}) {
    EXPECT_EQ(Feed(ParserPageLabel, &record, &HandlerVars().pageLabelFlag,
                   std::string(label) + "\r\n"),
              0);
    counts.push_back(record.m_pageLabelCount);
  }
  EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, -2, -2}));
  EXPECT_EQ(HandlerVars().pageLabelFlag, 1);
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
      {"%%NumberOfBooklets: 3\n%%NumberOfBooklets: 63\n"
       "%%VariablePagesPerBooklet: True\n",
       "NumberOfBooklets:long=63; VariablePagesPerBooklet:bool=0", ""},
      {"%%VariablePagesPerBooklet: true\n%%VariablePagesPerBooklet: x\n"
       "%%VariablePagesPerBooklet: true\n",
       "VariablePagesPerBooklet:bool=1", ""},
      {"%%PagesPerBooklet: 8\n%%PagesPerBooklet: 63\n",
       "PagesPerBooklet:long=8", ""},
      // The booklet count shares the page-count value with "Pages".
      {"%%Pages: (atend)\n%%PagesPerBooklet: 8\n%%EndComments\n%%Pages: 4\n",
       "PagesPerBooklet:long=8; NumPages:long=4", ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    CRuleKalPropArrArray rules;
    EXPECT_EQ(
        ScanJobTicket(std::string("%!PS-Adobe-3.0\n") + c.comments, 15, &rules),
        c.map)
        << c.comments;
    EXPECT_EQ(DumpRules(rules), c.rules) << c.comments;
  }
}

TEST(PageCount, WholeFilesTakeTheCountByPrecedence) {
  const std::string kFiller = "%%Filler: " + std::string(100, 'x') + "\n";
  std::string filler;
  for (int i = 0; i < 120; ++i) filler += kFiller;
  static const struct {
    std::string text;
    int mode;
    const char* pages;  // null: no "NumPages"
  } kCases[] = {
      {"%!PS\n%%Pages: 12\n%%Pages: 14\n", 15, "12"},
      {"%!PS\n%%Pages: (atend)\n%%EndComments\n%%Pages: 5\n%%Trailer\n"
       "%%Pages: 7\n",
       15, "7"},
      // A head scan reads the trailer for an (atend) count.
      {"%!PS\n%%Pages: (atend)\n%%EndComments\n" + filler +
           "%%Trailer\n%%Pages: 7\n",
       1, "7"},
      {"%!PS\n%%KAL_Pages: 3\n%%Pages: 10\n", 15, "3"},
      {"%!PS\n%%Pages: 10\n%%KAL_Pages: 3\n%%KAL_Pages: 4\n", 15, "3"},
      {"%!PS\n%%KAL_Pages: none\n%%Pages: 10\n", 15, "10"},
      // A repeated page and a repeated count: the count is not known.
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 2 2\n%%Page: 1 1\n"
       "%%Pages: 2\n",
       15, "0"},
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 2 2\n%%Page: 1 1\n", 15, "2"},
      {"%!PS\n%%Pages: 2\n%%Page: 1 1\n%%Page: 1 1\n%%Pages: 2\n"
       "%%KAL_Pages: 6\n",
       15, "6"},
      // An EPS file is one page, found at its header line.
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n", 15, "1"},
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 5\n%%EndComments\n", 15, "1"},
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%Pages: 5\n%%KAL_Pages: 4\n", 15, "4"},
      {"%!PS\n%%BeginDocument: a.eps\n%%Pages: 9\n%%EndDocument\n", 15,
       nullptr},
  };
  for (const auto& c : kCases) {
    const std::string map = ScanJobTicket(c.text, c.mode);
    EXPECT_EQ(map, c.pages ? std::string("NumPages:long=") + c.pages : "")
        << c.text.substr(0, 120);
  }
}

TEST(PageCount, EachParseStartsWithoutAnAwaitedCount) {
  ScanJobTicket("%!PS\n%%Pages: (atend)\n%%EndComments\n");
  EXPECT_EQ(ScanJobTicket("%!PS\n%%Pages: 3\n"), "NumPages:long=3");
}

TEST(PageCount, HostChainedAfterThePageLabelSeesTheValue) {
  vantrel_test::TempDir dir;
  const std::string path = dir.Write("job.ps", "%!PS\n%%Page: 1 1\n");
  static std::vector<std::string> seen;
  seen.clear();
  CKalParser parser(path.c_str());
  parser.AddPSRipComments();
  parser.AddComment(
      "Page", 0, 0,
      [](char*, CommentStruct* record, long, char*, char** position, char*,
         int64_t, int64_t, long*, void*, void*) -> int64_t {
        seen.push_back(std::string(*position, 3) + " labels " +
                       std::to_string(record->m_pageLabelCount));
        return 0;
      },
      nullptr);
  CRuleKalPropArrArray rules;
  parser.HandleFile(rules, 15);
  EXPECT_EQ(seen, (std::vector<std::string>{"1 1 labels 1"}));
}

TEST(PageCount, BookletPagesReplaceTheStatedCountOnlyWhenVariable) {
  static const struct {
    const char* comments;
    const char* pages;
  } kCases[] = {
      {"%%VariablePagesPerBooklet: true\n%%BookletPages: 1 8\n"
       "%%BookletPages: 2 8\n%%BookletPages: 3 4\n",
       "20"},
      {"%%VariablePagesPerBooklet: false\n%%BookletPages: 1 8\n", "24"},
      {"%%VariablePagesPerBooklet: true\n%%PagesPerBooklet: 8\n", "24"},
  };
  for (const auto& c : kCases) {
    vantrel_test::TempDir dir;
    const std::string path =
        dir.Write("job.ps", std::string("%!PS\n%%Pages: 24\n") + c.comments);
    CParserObjectIF* service = CreateParserObject(0);
    CRuleKalPropArrArray rules;
    service->ParseToRules(path.c_str(), rules, 0, 0);
    delete service;
    const std::string dump = DumpRules(rules);
    EXPECT_NE(dump.find(std::string("NumPages:long=") + c.pages + ";"),
              std::string::npos)
        << dump;
  }
}

}  // namespace
}  // namespace vantrel
