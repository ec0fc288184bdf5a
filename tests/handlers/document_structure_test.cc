#include "handlers/document_structure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/scan_record.h"
#include "handlers/handler_state.h"
#include "store/property_map.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

// Plays comments on a fresh scan record that is in the header: 'E'
// EndComments, 'T' Trailer, 'B' BeginDocument, 'D' EndDocument, 'C' Creator
// and 'd' CreationDate with the next value, 'H' a "%!" line, 'L' a pass that
// leaves the blocks open behind, 'R' BeginResource, 'P' Page.
class Script {
 public:
  Script() {
    vantrel_test::TestMap().Clear();
    vantrel_test::TestVars().creatorText[0] = '\0';
    record.m_headerState = 1;
  }
  ~Script() { vantrel_test::TestMap().Clear(); }

  Script& Play(const char* steps, std::vector<std::string> values = {}) {
    static const CommentHandler kHandlers[] = {
        ParserEndComments,  ParserTrailer,       ParserBeginDocument,
        ParserEndDocument,  ParserCreator,       ParserCreationDate,
        ParserBeginResource, ParserStructurePage};
    size_t next = 0;
    for (const char* s = steps; *s != '\0'; ++s) {
      if (*s == 'H' || *s == 'L') {
        (*s == 'H' ? ParserHeaderLine : ParserLeaveEmbeddedBlocks)(&record);
        continue;
      }
      const bool valued = *s == 'C' || *s == 'd';
      vantrel_test::Feed(kHandlers[std::strchr("ETBDCdRP", *s) - "ETBDCdRP"],
                         valued ? values.at(next++) : "", &record);
    }
    return *this;
  }

  CommentStruct record{};
};

TEST(DocumentStructure, TracksHeaderTrailerAndNesting) {
  static const struct {
    const char* steps;
    int header_state, end_comments, trailer, depth;
  } kCases[] = {
      {"E", 0, 1, 0, 0},   {"T", 2, 0, 1, 0},    {"ET", 2, 1, 1, 0},
      {"BBD", 0, 0, 0, 1}, {"BBDD", 1, 0, 0, 0}, {"BBDDD", 1, 0, 0, 0},
      {"DB", 0, 0, 0, 1},
      // A block's own header line, header end and trailer are its own; the
      // job's state comes back with the last end.
      {"BHETD", 1, 0, 0, 0}, {"BHEBHTDD", 1, 0, 0, 0}, {"EBHD", 0, 1, 0, 0},
      {"EBHTL", 0, 1, 0, 0}, {"TBHED", 2, 0, 1, 0},
      // A resource holds no page and no trailer: the resources open at one
      // were left unclosed. Documents may hold both.
      {"ERRHPP", 0, 1, 0, 0}, {"EBRRT", 2, 1, 0, 1}, {"EBHRP", 0, 1, 0, 1},
      {"ERBRT", 2, 1, 0, 2}, {"ERT", 2, 1, 1, 0}, {"BP", 0, 0, 0, 1},
      // A "%!" line after the job's header does not reopen it.
      {"EH", 0, 1, 0, 0}, {"TH", 2, 0, 1, 0}, {"ETH", 2, 1, 1, 0},
  };
  for (const auto& c : kCases) {
    Script s;
    const CommentStruct& r = s.Play(c.steps).record;
    EXPECT_EQ(
        std::vector<int>({r.m_headerState, r.m_endCommentsSeen, r.m_trailerSeen,
                          r.m_documentDepth}),
        std::vector<int>({c.header_state, c.end_comments, c.trailer, c.depth}))
        << c.steps;
  }
}

TEST(Creator, FirstHeaderValueOrTheTrailerValueThatAtendDeferred) {
  static const struct {
    const char* steps;
    std::vector<std::string> values;
    const char* map;
    int separation_mode;
  } kCases[] = {
      // clang-format off
      // The parenthesised copy keeps the inner "(" and stops at the first ")".
      {"CC", {"(Adobe Illustrator(R) 10)", "Foo"}, "Adobe Illustrator(R", 1},
      {"CETC", {"(atend)", "PageMaker 7"}, "PageMaker 7", 1},
      {"CETC", {"atend", "Quark"}, "Quark", 0},
      {"CETCC", {"(atend)", "(atend)", "Late"}, "Late", 0},
      {"CEBC", {"(atend)", "Embedded"}, "atend", 0},
      {"CEBTC", {"(atend)", "Embedded trailer"}, "atend", 0},
      {"CETBC", {"(atend)", "FrameMaker"}, "atend", 0},
      {"CEC", {"(atend)", "Body"}, "atend", 0},
      // A deferred header value is not even read in the header.
      {"CC", {"(atend)", "Illustrator"}, "atend", 0},
      {"CETC", {"Foo", "Bar"}, "Foo", 0},
      {"ETC", {"Late"}, nullptr, 0},
      {"TC", {"Late"}, "Late", 0},
      // An ignored creator of the job's own document still selects.
      {"CC", {"Foo", "FreeHand 9"}, "Foo", 1},
      {"C", {""}, "", 0},
      // clang-format on
  };
  for (const auto& c : kCases) {
    Script s;
    s.Play(c.steps, c.values);
    std::string expected =
        c.map ? std::string("Creator:string#3=") + c.map : "";
    EXPECT_EQ(vantrel_test::DumpPropertyMap(), expected) << c.steps;
    EXPECT_EQ(s.record.m_separationMode, c.separation_mode) << c.steps;
  }
}

TEST(Creator, KnownApplicationsSelectSeparationMode) {
  static const struct {
    const char* value;
    int mode;
  } kCases[] = {
      {"FrameMaker 5.5", 1},    {"ArtPro 6", 1},    {"FreeHand 10", 1},
      {"ALDImagePosition:", 1}, {"Illustrator", 1}, {"Acrobat: pictwpstops", 1},
      {"PDFL 7.0", 1},          {"PageMaker", 1},   {"PSProof", 1},
      {"Adobe Acrobat 9", 1},   {"illustrator", 0}, {"Acrobat Distiller", 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Script().Play("C", {c.value}).record.m_separationMode, c.mode)
        << c.value;
  }
}

TEST(CreationDate, FirstValueIsFinalAndReadLikeEveryValue) {
  static const struct {
    std::vector<std::string> values;
    std::string stored;
  } kCases[] = {
      // clang-format off
      {{"(atend)", "D:20240101"}, "atend"},
      {{" \t 2024-01-01 \r\n%%Next", "x"}, "2024-01-01 "},
      {{"(D:2024) trailing"}, "D:2024"},
      {{"(two\nlines)"}, "two\nlines"},
      {{"abc\x80" "def"}, "abc"},
      {{std::string(300, 'x')}, std::string(255, 'x')},
      // clang-format on
  };
  for (const auto& c : kCases) {
    Script s;
    s.Play(c.values.size() == 2 ? "dETd" : "d", c.values);
    EXPECT_EQ(vantrel_test::DumpPropertyMap(),
              "CreationDate:string#536=" + c.stored)
        << c.values[0];
  }
  // An embedded block's date is not the job's, before or after the job's.
  Script s;
  s.Play("BdDdBd", {"D:1999", "D:2024", "D:2001"});
  EXPECT_EQ(vantrel_test::DumpPropertyMap(), "CreationDate:string#536=D:2024");
}

TEST(CreationDate, ReadsNothingPastTheEndOfTheData) {
  Script s;
  vantrel_test::Feed(ParserCreationDate, "(unterminated value", &s.record,
                     nullptr, nullptr, nullptr, 5);
  EXPECT_EQ(vantrel_test::DumpPropertyMap(), "CreationDate:string#536=unte");
}

TEST(DocumentStructureFile, HeaderAndTrailerDecideWhatCounts) {
  EXPECT_EQ(vantrel_test::Pick(
                vantrel_test::ScanJob(
                    "%!PS-Adobe-3.0\n%%Creator: (atend)\n"
                    "%%CreationDate: (D:20240101)\n%%EndComments\n"
                    "%%BoundingBox: 0 0 100 100\n%%BeginDocument: inner.eps\n"
                    "%%Creator: Inner\n%%CreationDate: D:1999\n%%EndDocument\n"
                    "%%Trailer\n%%Creator: PageMaker 7\n"
                    "%%BoundingBox: 0 0 612 792\n"),
                {"Creat", "CropWidth"}),
            "Creator:string#3=PageMaker 7; CreationDate:string#536=D:20240101; "
            "CropWidth:FLOAT=612.000000");
}

}  // namespace
}  // namespace vantrel
