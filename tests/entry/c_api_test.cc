// The C interface: memory and file answer alike, names, and the DEX folder
// as a setting of one parse. (tests/consumer/c_host.c checks it from C
// against the C++ roads, and its bad arguments.)
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "gtest/gtest.h"
#include "support/test_support.h"
#include "vantrel/vantrel_c.h"

namespace {

using vantrel_test::TempDir;

struct Free {
  void operator()(vantrel_result* r) const { vantrel_result_free(r); }
};
using Result = std::unique_ptr<vantrel_result, Free>;

// The value of the first property called `name` in any rule, or "(none)".
std::string Property(const vantrel_result* r, const std::string& name) {
  vantrel_property_info p;
  for (int rule = 0; rule < vantrel_result_rule_count(r); ++rule) {
    for (int i = 0; vantrel_result_property(r, rule, i, &p) != 0; ++i) {
      if (name == p.name) return p.value;
    }
  }
  return "(none)";
}

TEST(CApi, MemoryAnswersAsTheFileInEveryModeAndUnit) {
  TempDir dir;
  const std::string job =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" +
      vantrel_test::Filler(300000) +
      "%%Trailer\n%%BoundingBox: 0 0 612 792\n%%EOF\n";
  const std::string path = dir.Write("atend.ps", job);
  for (int mode : {0, 1, 2, 3, 15}) {
    for (char unit : {'M', 'I', 'P'}) {
      Result file(vantrel_pairs_file(path.c_str(), mode, unit, 1));
      Result memory(vantrel_pairs_memory(job.data(), job.size(), path.c_str(),
                                         mode, unit, 1));
      EXPECT_EQ(vantrel_result_status(memory.get()), VANTREL_SCAN_OK);
      EXPECT_STREQ(vantrel_result_json(memory.get()),
                   vantrel_result_json(file.get()))
          << mode << unit;
    }
  }
  Result file(vantrel_rules_file(path.c_str(), 0, ""));
  Result memory(
      vantrel_rules_memory(job.data(), job.size(), path.c_str(), 0, ""));
  EXPECT_STREQ(vantrel_result_json(memory.get()),
               vantrel_result_json(file.get()));
  EXPECT_EQ(Property(memory.get(), "CropWidth"), "215.899994");
}

TEST(CApi, NamesTheJobAsTheHostSays) {
  const std::string job = "%!PS-Adobe-3.0\n";
  Result unnamed(
      vantrel_pairs_memory(job.data(), job.size(), nullptr, 15, 'M', 0));
  EXPECT_STREQ(vantrel_result_name(unnamed.get()), "-");
  EXPECT_EQ(std::string(vantrel_result_json(unnamed.get())),
            "{\"file\":\"-\",\"scan\":\"ok\",\"pairs\":[{\"key\":"
            "\"DocumentCustomColors\",\"type\":6,\"value\":\"\"}]}");
  // An empty job is a job, with nothing in it.
  Result empty(vantrel_rules_memory(nullptr, 0, "spool/42", 0, nullptr));
  EXPECT_EQ(vantrel_result_status(empty.get()), VANTREL_SCAN_OK);
  EXPECT_STREQ(vantrel_result_name(empty.get()), "spool/42");
  Result missing(
      vantrel_rules_file_named("/nonexistent/job.ps", "job 7", 0, nullptr));
  EXPECT_EQ(vantrel_result_status(missing.get()), VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(
      std::string(vantrel_result_json(missing.get()))
          .rfind("{\"file\":\"job 7\",\"scan\":\"failed\",\"error\":\"no such "
                 "file\",\"rules\":[",
                 0),
      0u);
}

TEST(CApi, DexFolderIsASettingOfOneParse) {
  TempDir dir;
  const std::string env_folder = dir.path() + "/env";
  const std::string own_folder = dir.path() + "/own";
  ASSERT_TRUE(std::filesystem::create_directory(env_folder));
  ASSERT_TRUE(std::filesystem::create_directory(own_folder));
  vantrel_test::ScopedEnv env("KALOUTPUT", env_folder.c_str());
  const std::string job =
      "%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n%%EOF\n";
  static const struct {
    const char* dex_dir;   // "@own" for own_folder
    const char* expected;  // "@env" / "@own" prefix, or "(none)"
  } kCases[] = {
      {"@own", "@own/ticket.ps_0.dexxml"},
      {nullptr, "@env/ticket.ps_0.dexxml"},
      {"", "(none)"},
  };
  for (const auto& c : kCases) {
    std::string dex_dir = c.dex_dir != nullptr ? c.dex_dir : "";
    if (dex_dir == "@own") dex_dir = own_folder;
    std::string expected = c.expected;
    for (const auto& folder : {std::make_pair("@own", &own_folder),
                               std::make_pair("@env", &env_folder)}) {
      if (expected.rfind(folder.first, 0) == 0) {
        expected.replace(0, 5, *folder.second + vantrel_test::kFolderSeparator);
      }
    }
    Result r(
        vantrel_rules_memory(job.data(), job.size(), "in/ticket.ps", 0,
                             c.dex_dir != nullptr ? dex_dir.c_str() : nullptr));
    EXPECT_EQ(vantrel_result_status(r.get()), VANTREL_SCAN_OK) << expected;
    EXPECT_EQ(Property(r.get(), "DexJTData"), expected);
    if (expected != "(none)") {
      EXPECT_EQ(TempDir::Read(expected), "<JobTicket/>");
    }
  }
  EXPECT_STREQ(std::getenv("KALOUTPUT"), env_folder.c_str());
}

}  // namespace
