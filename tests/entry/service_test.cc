#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace {

// Failed scans through both interfaces are shown by the CLI's tests.
TEST(ParserService, EmptyPathTouchesNothing) {
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  ASSERT_NE(rip, nullptr);
  _tPairProperty* pairs = reinterpret_cast<_tPairProperty*>(0x1);
  int count = 42;
  EXPECT_EQ(rip->ParseToPairs("", pairs, count, 1, 15, 'M'), 0);
  EXPECT_EQ(rip->ParseToPairs(nullptr, pairs, count, 1, 15, 'M'), 0);
  EXPECT_EQ(pairs, reinterpret_cast<_tPairProperty*>(0x1));
  EXPECT_EQ(count, 42);

  std::unique_ptr<CParserObjectIF> jt(CreateParserObject(0));
  ASSERT_NE(jt, nullptr);
  CRuleKalPropArrArray rules;
  EXPECT_EQ(jt->ParseToRules("", rules, 0, 0), 0);
  EXPECT_EQ(rules.GetSize(), 0);
  EXPECT_EQ(jt->FirstQuery(), 1);
  EXPECT_EQ(jt->SecondQuery(), 1);
  EXPECT_EQ(jt->IsStateClear(), 0);
}

TEST(ParserService, RipInterfaceIsTheSecondBase) {
  CRipBaseParserIF* rip = RipCreateParserObject();
  CParserObjectIF* as_first = dynamic_cast<CParserObjectIF*>(rip);
  ASSERT_NE(as_first, nullptr);
  EXPECT_NE(static_cast<void*>(rip), static_cast<void*>(as_first));
  delete rip;  // frees the whole object (checked by the sanitizer build)
}

TEST(ParserService, ConcurrentParsesDoNotMixResults) {
  vantrel_test::TempDir dir;
  std::vector<std::thread> threads;
  std::vector<std::string> wrong(4);
  for (size_t i = 0; i < wrong.size(); ++i) {
    const std::string width = std::to_string(100 * (i + 1));
    std::string text = "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 " + width + " 100\n";
    for (int j = 0; j < 2000; ++j) text += "%%Unknown: filler line\n";
    const std::string path = dir.Write("job" + width + ".ps", text);
    threads.emplace_back([&wrong, i, path, width] {
      for (int round = 0; round < 20; ++round) {
        const std::string crop = vantrel_test::PairsCrop(path, 15, 'P');
        if (crop.rfind(width + ".000000x100.000000", 0) != 0) wrong[i] = crop;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<std::string>(4));
}

std::string ParseToRulesDump(const std::string& path, int skip_flags) {
  std::unique_ptr<CParserObjectIF> service(CreateParserObject(0));
  CRuleKalPropArrArray rules;
  service->ParseToRules(path.c_str(), rules, skip_flags, 0);
  return vantrel_test::DumpRules(rules);
}

TEST(ParserService, SkipFlagOneLeavesOutJobTicketNamesAndCopies) {
  vantrel_test::TempDir dir;
  const std::string path =
      dir.Write("job.ps",
                "%!PS\n%%Title: Flyer\n%%Requirements: numcopies(2)\n"
                "%%KALPPD: ****MediaType Glossy\n%%Pages: 1\n%%EndComments\n");
  const std::string head = "[layer 0 type 2 pages 0-0 booklet 0] ";
  const std::string tail =
      "NumPages:long=1; Title:STRING=Flyer; DocumentCustomColors:string#904=\n";
  const std::string copies =
      "CopiesNumber:int#237=2; TB_Use_Num_Copies:int=2; "
      "MediaType:STRING=Glossy; ";
  for (int skip : {0, 1, 2, 3}) {
    EXPECT_EQ(ParseToRulesDump(path, skip),
              head + ((skip & 1) ? "" : copies) + tail)
        << skip;
  }
}

TEST(ParserService, BookletPagesReplaceTheStatedCountOnlyWhenVariable) {
  static const struct {
    const char* comments;
    const char* pages;
  } kCases[] = {
      // clang-format off
      {"%%VariablePagesPerBooklet: true\n%%BookletPages: 1 8\n%%BookletPages: 2 8\n"
       "%%BookletPages: 3 4\n", "20"},
      {"%%VariablePagesPerBooklet: false\n%%BookletPages: 1 8\n", "24"},
      {"%%BookletPages: 1 8\n", "24"},
      // No booklet page count at all: the stated count stands.
      {"%%VariablePagesPerBooklet: true\n%%PagesPerBooklet: 8\n", "24"},
      // clang-format on
  };
  vantrel_test::TempDir dir;
  for (const auto& c : kCases) {
    const std::string path =
        dir.Write("job.ps", std::string("%!PS\n%%Pages: 24\n") + c.comments);
    EXPECT_EQ(vantrel_test::Pick(ParseToRulesDump(path, 0), {"NumPages"}),
              std::string("NumPages:long=") + c.pages)
        << c.comments;
  }
}

TEST(ParserService, JobsThatToolsWriteGiveTheirOwnPageCountTitleAndDate) {
  static const struct {
    const char* file;
    const char* facts;  // page count and title, in the order stored
  } kCases[] = {
      {"examples/brochure.ps",
       "NumPages:long=3; Title:STRING=Harbour Festival Brochure"},
      {"examples/logo.eps",
       "NumPages:long=1; Title:STRING=Harbour Festival Logo"},
      {"tests/data/groff.ps", "NumPages:long=3"},
      {"tests/data/dvips.ps", "NumPages:long=5; Title:STRING=rules.dvi"},
      {"tests/data/dvips.eps", "NumPages:long=1; Title:STRING=box.dvi"},
      {"tests/data/enscript.ps", "Title:STRING=Line listing; NumPages:long=3"},
      // The pictures' and fonts' titles, dates and page counts are theirs;
      // paps names the job in a header without "%%EndComments".
      {"tests/data/groff_logo.ps",
       "CreationDate:string#536=Sun Dec  6 12:50:22 2026; NumPages:long=1"},
      {"tests/data/groff_pictures.ps",
       "CreationDate:string#536=Sun Dec  6 20:36:23 2026; NumPages:long=3"},
      {"tests/data/dvips_fonts.ps", "CreationDate:string#536=Sun Dec  6 20:36:20 "
                                    "2026; NumPages:long=1; Title:STRING=hi.dvi"},
      {"tests/data/pdftops_fonts.ps", "NumPages:long=1"},
      {"tests/data/paps.ps", "Title:STRING=hello.txt"},
  };
  for (const auto& c : kCases) {
    const std::string dump =
        ParseToRulesDump(std::string(VANTREL_SOURCE_DIR "/") + c.file, 0);
    const std::string facts = vantrel_test::Pick(dump, {"NumPages:", "Title:"});
    const std::string dated =
        vantrel_test::Pick(dump, {"CreationDate:", "NumPages:", "Title:"});
    // The rows that name a date check it too.
    EXPECT_EQ(std::strstr(c.facts, "CreationDate") ? dated : facts, c.facts)
        << c.file << ": " << dump;
  }
}

}  // namespace
