#include "platform/trace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vantrel {
namespace {

// Each test sets VANTREL_TRACE and configures the trace as a parse does; the
// trace is configured again from the restored variable afterwards.
class TraceSetting : public ::testing::Test {
 protected:
  void TearDown() override { Trace().CreateTraceInstance(kTraceInstance); }

  // Configures the trace from `value` twice (as two parses would) and
  // answers what went to stderr.
  static std::string Configure(const std::string& value) {
    vantrel_test::ScopedEnv env("VANTREL_TRACE", value.c_str());
    ::testing::internal::CaptureStderr();
    Trace().CreateTraceInstance(kTraceInstance);
    Trace().CreateTraceInstance(kTraceInstance);
    return ::testing::internal::GetCapturedStderr();
  }
};

TEST_F(TraceSetting, ValueThatIsNoPathIsToldOnceAndCreatesNoFile) {
  vantrel_test::TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  for (const char* value : {"1", "on", "true", "trace.log"}) {
    TraceCapture capture;
    const std::string problem = "VANTREL_TRACE '" + std::string(value) +
                                "' is neither 'stderr' nor a file path (a "
                                "path holds a '/'); no trace is written";
    EXPECT_EQ(Configure(value), "vantrel: " + problem + "\n");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{problem});
  }
  std::filesystem::current_path(before);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(TraceSetting, PathWithAFolderPartGetsTheLines) {
  vantrel_test::TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const std::string absolute = dir.path() + "/absolute.log";
  for (const std::string& value : {absolute, std::string("./relative.log")}) {
    vantrel_test::ScopedEnv env("VANTREL_TRACE", value.c_str());
    ::testing::internal::CaptureStderr();
    Trace().CreateTraceInstance(kTraceInstance);
    VTRACE("line %d", 1);
    VTRACE("line %d", 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << value;
    EXPECT_EQ(vantrel_test::TempDir::Read(value),
              "[Rip\\Vantrel] line 1\n[Rip\\Vantrel] line 2\n");
  }
  std::filesystem::current_path(before);
}

TEST_F(TraceSetting, FileThatCannotBeOpenedIsToldOnceAndLeavesTheTraceOff) {
  vantrel_test::TempDir dir;
  static const struct {
    const char* name;  // below the folder
    const char* reason;
  } kCases[] = {{"/missing/x.log", "no such directory"}, {"/", "is a directory"}};
  for (const auto& c : kCases) {
    const std::string value = dir.path() + c.name;
    EXPECT_EQ(Configure(value), "vantrel: VANTREL_TRACE '" + value +
                        "': cannot open the file (" + c.reason +
                        "); no trace is written\n");
    EXPECT_FALSE(CKalTrace::Enabled()) << value;
  }
  EXPECT_EQ(SettingText("VANTREL_TRACE", "a\x01'b\n"),
            "VANTREL_TRACE 'a\\x01\\x27b\\x0a'");
}

#if !defined(_WIN32)
// A link planted at the trace path would have job text appended to the file
// it points at; the trace holds job text, so only its owner reads it.
TEST_F(TraceSetting, LinkAtThePathIsRefusedAndANewFileIsPrivate) {
  vantrel_test::TempDir dir;
  const std::string target = dir.Write("target", "kept\n");
  const std::string link = dir.path() + "/link.log";
  std::filesystem::create_symlink(target, link);
  EXPECT_EQ(Configure(link), "vantrel: VANTREL_TRACE '" + link +
                                 "': cannot open the file (a symbolic link); "
                                 "no trace is written\n");
  EXPECT_FALSE(CKalTrace::Enabled());
  EXPECT_EQ(vantrel_test::TempDir::Read(target), "kept\n");

  const std::string fresh = dir.path() + "/fresh.log";
  EXPECT_EQ(Configure(fresh), "");
  EXPECT_EQ(std::filesystem::status(fresh).permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read |
                std::filesystem::perms::owner_write);
}
#endif

}  // namespace
}  // namespace vantrel
