#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace {

TEST(ParserService, EmptyPathTouchesNothing) {
  CRipBaseParserIF* rip = RipCreateParserObject();
  ASSERT_NE(rip, nullptr);
  _tPairProperty* pairs = reinterpret_cast<_tPairProperty*>(0x1);
  int count = 42;
  EXPECT_EQ(rip->ParseToPairs("", pairs, count, 1, 15, 'M'), 0);
  EXPECT_EQ(rip->ParseToPairs(nullptr, pairs, count, 1, 15, 'M'), 0);
  EXPECT_EQ(pairs, reinterpret_cast<_tPairProperty*>(0x1));
  EXPECT_EQ(count, 42);
  delete rip;

  CParserObjectIF* jt = CreateParserObject(0);
  ASSERT_NE(jt, nullptr);
  CRuleKalPropArrArray rules;
  EXPECT_EQ(jt->ParseToRules("", rules, 0, 0), 0);
  EXPECT_EQ(rules.GetSize(), 0);
  EXPECT_EQ(jt->FirstQuery(), 1);
  EXPECT_EQ(jt->SecondQuery(), 1);
  EXPECT_EQ(jt->IsStateClear(), 0);
  delete jt;
}

TEST(ParserService, MissingFileStillAnswersOneAndSaysWhy) {
  vantrel_test::TempDir dir;
  CParserObjectIF* jt = CreateParserObject(0);
  CRuleKalPropArrArray rules;
  EXPECT_EQ(jt->ParseToRules((dir.path() + "/none.ps").c_str(), rules, 3, 0),
            1);
  EXPECT_EQ(jt->GetLastScanStatus(), VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_STREQ(VantrelScanStatusText(jt->GetLastScanStatus()), "no such file");
  ASSERT_EQ(rules.GetSize(), 1);  // the document rule
  delete jt;

  CRipBaseParserIF* rip = RipCreateParserObject();
  _tPairProperty* pairs = nullptr;
  int count = -1;
  EXPECT_EQ(rip->ParseToPairs(dir.path().c_str(), pairs, count, 2, 15, 'M'), 1);
  EXPECT_EQ(rip->GetLastScanStatus(), VANTREL_SCAN_IS_DIRECTORY);
  // The finishing steps run all the same: the (empty) custom colour list.
  EXPECT_EQ(vantrel_test::DumpPairs(pairs, count), "DocumentCustomColors(6)=");
  // Never a truncated name: a 600-byte path fails as too long.
  std::string long_path = dir.path() + "/" + std::string(600, 'a');
  rip->ParseToPairs(long_path.c_str(), pairs, count, 1, 15, 'M');
  EXPECT_EQ(rip->GetLastScanStatus(), VANTREL_SCAN_PATH_TOO_LONG);
  delete[] pairs;
  delete rip;
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
  std::vector<std::string> paths;
  for (int i = 0; i < 4; ++i) {
    std::string text = "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 " +
                       std::to_string(100 * (i + 1)) + " 100\n%%EndComments\n";
    for (int j = 0; j < 2000; ++j) text += "%%Unknown: filler line\n";
    paths.push_back(dir.Write("job" + std::to_string(i) + ".ps", text));
  }
  std::vector<std::string> results(paths.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < paths.size(); ++i) {
    threads.emplace_back([&, i] {
      CRipBaseParserIF* rip = RipCreateParserObject();
      for (int round = 0; round < 20; ++round) {
        _tPairProperty* pairs = nullptr;
        int count = 0;
        rip->ParseToPairs(paths[i].c_str(), pairs, count, 1, 15, 'P');
        std::string dump = vantrel_test::DumpPairs(pairs, count);
        if (round == 0) results[i] = dump;
        if (dump != results[i]) results[i] = "changed: " + dump;
        delete[] pairs;
      }
      delete rip;
    });
  }
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(results[i].rfind("changed", 0), std::string::npos) << results[i];
  }
}

}  // namespace

namespace {

std::string ParseToRulesDump(const std::string& path, int skip_flags) {
  CParserObjectIF* service = CreateParserObject(0);
  CRuleKalPropArrArray rules;
  service->ParseToRules(path.c_str(), rules, skip_flags, 0);
  delete service;
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
      {"%%VariablePagesPerBooklet: true\n%%PagesPerBooklet: 8\n", "24"},
      // clang-format on
  };
  vantrel_test::TempDir dir;
  for (const auto& c : kCases) {
    const std::string path =
        dir.Write("job.ps", std::string("%!PS\n%%Pages: 24\n") + c.comments);
    const std::string dump = ParseToRulesDump(path, 0);
    EXPECT_NE(dump.find(std::string("NumPages:long=") + c.pages + ";"),
              std::string::npos)
        << dump;
  }
}

TEST(ParserService, JobsThatToolsWriteGiveTheirStatedPageCountAndTitle) {
  static const struct {
    const char* file;
    const char* facts;  // page count and title, in the order stored
  } kCases[] = {
      {"examples/brochure.ps",
       "NumPages:long=3;Title:STRING=Harbour Festival Brochure;"},
      {"examples/logo.eps",
       "NumPages:long=1;Title:STRING=Harbour Festival Logo;"},
      {"tests/data/groff.ps", "NumPages:long=3;"},
      {"tests/data/dvips.ps", "NumPages:long=5;Title:STRING=rules.dvi;"},
      {"tests/data/dvips.eps", "NumPages:long=1;Title:STRING=box.dvi;"},
      {"tests/data/enscript.ps", "Title:STRING=Line listing;NumPages:long=3;"},
  };
  for (const auto& c : kCases) {
    std::string dump =
        ParseToRulesDump(std::string(VANTREL_SOURCE_DIR "/") + c.file, 0);
    std::string facts;
    std::istringstream fields(dump.substr(dump.find(']') + 2));
    for (std::string field; std::getline(fields, field, ';');) {
      if (field[0] == ' ') field.erase(0, 1);
      if (field.back() == '\n') field.pop_back();
      if (field.rfind("NumPages", 0) == 0 || field.rfind("Title", 0) == 0) {
        facts += field + ";";
      }
    }
    EXPECT_EQ(facts, c.facts) << c.file << ": " << dump;
  }
}

}  // namespace
