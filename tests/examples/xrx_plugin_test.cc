// The example plug-in, run by the vantrel tool: a plug-in that links the
// shared library runs in programs on the shared library, never in one that
// holds a static copy of it.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <string>

#include "support/test_support.h"

namespace {

#if defined(_WIN32)

TEST(XRXExamplePlugin, FillsOneRuleOfTextPropertiesPerCompleteBlock) {
  GTEST_SKIP() << "runs the tool through a POSIX shell; on Windows the tool "
                  "runs the example plug-in in the answers_match_linux test";
}

#elif defined(VANTREL_CLI_PATH) && defined(VANTREL_EXAMPLE_PLUGIN_DIR)

std::string Rule(const std::string& properties) {
  return "{\"layer\":0,\"type\":2,\"first\":0,\"last\":0,\"booklet\":0,"
         "\"properties\":[" + properties + "]}";
}

std::string Text(const char* name, const char* value) {
  return std::string("{\"name\":\"") + name + "\",\"type\":6,\"id\":0,\"value\":\"" + value + "\"}";
}

// 61 KB of blocks that each open the next one, closed once at the end: every
// block ends where the next begins, so only the last is complete, and the
// plug-in reads each byte once.
std::string OpenBlocks() {
  std::string text;
  while (text.size() < 61 * 1024) text += "%%XRXbegin:\n%XRXa: b\n";
  return text + "%XRXend\n";
}

TEST(XRXExamplePlugin, FillsOneRuleOfTextPropertiesPerCompleteBlock) {
  static const struct {
    const char* name;
    std::string contents;
    std::string rules;  // the plug-in's, before the document rule
  } kCases[] = {
      // clang-format off
      {"crlf", "%!PS-Adobe-3.0\r\n%XRXbegin:\r\n%XRXMedia: A4 plain white\r\n"
       "\r\n%XRXFinishing:staple top-left\r\n%XRXend\r\n",
       Rule(Text("Media", "A4 plain white") + "," + Text("Finishing", "staple top-left")) + ","},
      {"two", "%XRXbegin:\n%XRXCopies: 2\n%XRXend\n%%Page: 1 1\n"
       "%XRXbegin:\n%XRXCopies: 3\n%XRXCopies: 4\n%XRXend\n",
       Rule(Text("Copies", "2")) + "," +
       Rule(Text("Copies", "3") + "," + Text("Copies", "4")) + ","},
      {"unended", "%XRXbegin:\n%XRXMedia: A4\n", ""},
      {"empty", "%XRXbegin:\n%XRXend\n", ""},
      {"nested", "%XRXbegin:\n%XRXMedia: A4\n%XRXbegin:\n%XRXend\n", ""},
      {"open blocks", OpenBlocks(), Rule(Text("a", "b")) + ","},
      // clang-format on
  };
  vantrel_test::TempDir dir;
  std::string command = std::string("VANTREL_PLUGIN_PATH='") + VANTREL_EXAMPLE_PLUGIN_DIR +
                        "' '" + VANTREL_CLI_PATH + "' rules --json";
  // Every scan's document rule lists the job's custom colours, none here.
  const std::string document =
      Rule("{\"name\":\"DocumentCustomColors\",\"type\":6,\"id\":904,\"value\":\"\"}");
  std::string expected;
  for (const auto& c : kCases) {
    const std::string path = dir.Write(std::string(c.name) + ".ps", c.contents);
    command += " '" + path + "'";
    expected += "{\"file\":\"" + path + "\",\"scan\":\"ok\",\"rules\":[" + c.rules + document +
                "]}\n";
  }
  FILE* tool = popen(command.c_str(), "r");
  ASSERT_NE(tool, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, tool)) > 0;) out.append(buffer, n);
  const int status = pclose(tool);
  EXPECT_EQ(out, expected);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

#endif

}  // namespace
