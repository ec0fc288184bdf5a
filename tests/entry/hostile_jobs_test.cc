// Jobs built as a hostile sender would build them, through the public
// roads, at the sizes that once cost far more than their size or gave a
// wrong answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/test_support.h"
#include "vantrel/kal_parser.h"
#include "vantrel/scan_status.h"
#include "vantrel/vantrel_c.h"

namespace {

using vantrel_test::TempDir;

struct ResultDeleter {
  void operator()(vantrel_result* r) const { vantrel_result_free(r); }
};
using Result = std::unique_ptr<vantrel_result, ResultDeleter>;

Result Rules(const std::string& job) {
  return Result(
      vantrel_rules_memory(job.data(), job.size(), "job.ps", 0, nullptr));
}

// The value of the document rule's (the last rule's) property `name`, or
// "<none>".
std::string DocumentValue(const vantrel_result* r, const char* name) {
  const int last = vantrel_result_rule_count(r) - 1;
  vantrel_property_info property;
  for (int p = 0; vantrel_result_property(r, last, p, &property) != 0; ++p) {
    if (std::string(property.name) == name) return property.value;
  }
  return "<none>";
}

TEST(HostileJobs, CountsOutOfRangeSetNothing) {
  static const struct {
    const char* comments;
    const char* property;
    const char* value;
  } kCases[] = {
      {"%%Requirements: numcopies(3)\n", "CopiesNumber", "3"},
      {"%%Requirements: numcopies(4294967297)\n", "CopiesNumber", "<none>"},
      {"%%Requirements: numcopies(2147483648)\n", "CopiesNumber", "<none>"},
      {"%%Requirements: numcopies(18446744073709551615)\n", "CopiesNumber",
       "<none>"},
      {"%%Requirements: numcopies(-3)\n", "CopiesNumber", "<none>"},
      {"%%RBINumCopies: -3\n", "CopiesNumber", "<none>"},
      {"%%RBINumCopies: 2147483647\n", "CopiesNumber", "2147483647"},
      {"%%Pages: 4294967298\n", "NumPages", "<none>"},
      {"%%Pages: -5\n", "NumPages", "<none>"},
      {"%%Pages: 12\n", "NumPages", "12"},
      {"%%NumberOfBooklets: 4294967299\n", "NumberOfBooklets", "<none>"},
      {"%%NumberOfBooklets: -1\n", "NumberOfBooklets", "<none>"},
      {"%%PagesPerBooklet: 99999999999\n", "PagesPerBooklet", "<none>"},
      // A data section's length beyond 32 bits does not wrap to 100 and
      // hide the comment after it; a negative one skips nothing.
      {"%%BeginData: 4294967396 Binary Bytes\n%%Title: (seen)\n", "Title",
       "seen"},
      {"%%BeginData: -4294967196 Binary Bytes\n%%Title: (seen)\n", "Title",
       "seen"},
  };
  for (const auto& c : kCases) {
    const Result r = Rules(std::string("%!PS-Adobe-3.0\n") + c.comments +
                           std::string(200, ' ') + "\n%%EOF\n");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(DocumentValue(r.get(), c.property), c.value) << c.comments;
  }
}

TEST(HostileJobs, TrayRulesOutOfRangeAreRefused) {
  static const struct {
    const char* value;
    int rules;  // page-range rules made
  } kCases[] = {
      {"Tray Upper 1 2", 1},
      {"Tray Upper 1 4294967298", 0},
      {"Tray Upper -1 2", 0},
      {"Tray Upper 2147483647 2147483647", 1},
  };
  for (const auto& c : kCases) {
    const Result r = Rules(std::string("%!PS-Adobe-3.0\n%%InputSlotTray: ") +
                           c.value + "\n");
    EXPECT_EQ(vantrel_result_rule_count(r.get()), c.rules + 1) << c.value;
  }
}

TEST(HostileJobs, AMillionTrayRulesAreEachKept) {
  std::string job = "%!PS-Adobe-3.0\n";
  constexpr int kLines = 1000000;  // 25 MB
  job.reserve(26 * kLines);
  for (int i = 0; i < kLines; ++i) job += "%%InputSlotTray: a b 1 2\n";
  const Result r = Rules(job);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(vantrel_result_rule_count(r.get()), kLines + 1);
  vantrel_rule_info rule;
  vantrel_property_info property;
  ASSERT_EQ(vantrel_result_rule(r.get(), kLines - 1, &rule), 1);
  ASSERT_EQ(vantrel_result_property(r.get(), kLines - 1, 0, &property), 1);
  EXPECT_EQ(std::string(property.name) + "=" + property.value + " " +
                std::to_string(rule.first_page) + "-" +
                std::to_string(rule.last_page),
            "a=b 1-2");
}

TEST(HostileJobs, SixtyThousandColoursKeepTheirOrderWithoutRepeats) {
  std::string job = "%!PS-Adobe-3.0\n%%DocumentCustomColors: (c0)\n";
  std::string expected = " (c0)";
  constexpr int kColours = 60000;
  for (int i = 1; i < kColours; ++i) {
    job += "%%+ (c" + std::to_string(i) + ")\n";
    expected += " (c" + std::to_string(i) + ")";
  }
  // Every name again, as both comments: no name is listed twice.
  for (int i = 0; i < kColours; i += 7) {
    job += "%%+ (c" + std::to_string(i) + ")\n";
  }
  job += "%%EndComments\n";
  const Result r = Rules(job);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(DocumentValue(r.get(), "DocumentCustomColors"), expected);
}

// A ticket whose data holds a ticket, a thousand deep, each level with a
// kilobyte of its own (1 MB): one ticket, the outer one, is written.
TEST(HostileJobs, TicketsInsideTicketsAreData) {
  std::string data(1000, 'x');
  data += "\n";
  for (int level = 0; level < 1000; ++level) {
    std::string outer(1000, 'x');
    outer += "\n%%BeginDexJTData: " + std::to_string(data.size()) + "\n";
    data = outer + data;
  }
  const std::string job =
      "%!PS-Adobe-3.0\n%%BeginDexJTData: " + std::to_string(data.size()) +
      "\n" + data + "%%Title: (after)\n";
  TempDir out;
  const Result r(vantrel_rules_memory(job.data(), job.size(), "job.ps", 0,
                                      out.path().c_str()));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(vantrel_result_status(r.get()), VANTREL_SCAN_OK);
  const std::string ticket =
      out.path() + vantrel_test::kFolderSeparator + "job.ps_0.dexxml";
  EXPECT_EQ(DocumentValue(r.get(), "DexJTData"), ticket);
  EXPECT_EQ(DocumentValue(r.get(), "DexJTDataCount"), "<none>");
  EXPECT_EQ(DocumentValue(r.get(), "Title"), "after");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_EQ(TempDir::Read(ticket), data);
}

// An EPS embedded in a job whose own box is answered in its trailer. The
// EPS begins before the last 8 KB; its trailer box lies within them.
TEST(HostileJobs, HeadAndTailTakeOnlyTheJobsOwnTrailerBox) {
  const std::string eps_start =
      "%%BeginDocument: logo.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
      "%%BoundingBox: (atend)\n%%EndComments\n";
  const std::string eps_end =
      "%%Trailer\n%%BoundingBox: 0 0 72 36\n%%EOF\n%%EndDocument\n";
  const std::string head =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n%%Page: 1 1\n";
  const std::string job_trailer = "%%Trailer\n%%BoundingBox: 0 0 595 842\n";
  const std::string filler = vantrel_test::Filler(20000);
  static const struct {
    const char* name;
    int shape;  // 0 one EPS, 1 an EPS in an EPS, 2 no box in the job
    const char* crop;
  } kCases[] = {
      {"one", 0, "595.000000x842.000000+0.000000+0.000000"},
      {"nested", 1, "595.000000x842.000000+0.000000+0.000000"},
      {"job without a box", 2, ""},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    std::string job = head + eps_start;
    if (c.shape == 1) job += eps_start;
    job += filler + eps_end;
    if (c.shape == 1) job += eps_end;
    job += "showpage\n";
    job += c.shape == 2 ? "%%Trailer\n" : job_trailer;
    job += "%%EOF\n";
    const std::string path = dir.Write(std::string(c.name) + ".ps", job);
    EXPECT_EQ(vantrel_test::PairsCrop(path, 15, 'P'), c.crop) << c.name;
    EXPECT_EQ(vantrel_test::PairsCrop(path, 3, 'P'), c.crop) << c.name;
  }
}

#if !defined(_WIN32)
// Cuts the file named by the user data to 100 bytes: the file shrinks while
// it is scanned.
int64_t Shrink(char*, CommentStruct*, long, char*, char**, char*, int64_t,
               int64_t, long*, void* user_data, void*) {
  std::filesystem::resize_file(*static_cast<std::string*>(user_data), 100);
  return 0;
}

TEST(HostileJobs, AFileThatShrinksUnderTheScanFailsIt) {
  TempDir dir;
  std::string path = dir.Write("job.ps", "%!PS-Adobe-3.0\n%%Page: 1 1\n" +
                                             vantrel_test::Filler(1000000) +
                                             "%%Trailer\n%%EOF\n");
  CKalParser parser(path.c_str());
  parser.AddComment("Page:", 0, 0, Shrink, &path);
  CRuleKalPropArrArray rules;
  EXPECT_EQ(parser.HandleFile(rules, 15), 0);
  EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_READ_ERROR);
}
#endif

}  // namespace
