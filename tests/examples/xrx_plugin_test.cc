// The example plug-in, run by the vantrel tool: a program on the shared
// library, as a plug-in that links the shared library must be.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_support.h"

namespace {

#if defined(VANTREL_CLI_PATH) && defined(VANTREL_EXAMPLE_PLUGIN_DIR)

using vantrel_test::TempDir;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The tool's output for `args`, with the plug-in folder `plugin_dir`.
std::string RunTool(const TempDir& dir, const std::string& plugin_dir,
                    const std::string& args, int* status) {
  const std::string out = dir.path() + "/out.txt";
  const std::string command = "VANTREL_PLUGIN_PATH='" + plugin_dir + "' '" +
                              VANTREL_CLI_PATH + "' " + args + " >'" + out +
                              "' 2>/dev/null";
  const int rc = std::system(command.c_str());
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return ReadFile(out);
}

std::string Rule(const std::string& properties) {
  return "{\"layer\":0,\"type\":2,\"first\":0,\"last\":0,\"booklet\":0,"
         "\"properties\":[" +
         properties + "]}";
}

std::string Text(const char* name, const char* value) {
  return std::string("{\"name\":\"") + name +
         "\",\"type\":6,\"id\":0,\"value\":\"" + value + "\"}";
}

TEST(XRXExamplePlugin, FillsOneRuleOfTextPropertiesPerCompleteBlock) {
  static const struct {
    const char* name;
    const char* contents;
    std::string rules;  // the plug-in's rules, before the document rule
  } kCases[] = {
      {"crlf",
       "%!PS-Adobe-3.0\r\n%XRXbegin:\r\n%XRXMedia: A4 plain white\r\n"
       "\r\n%XRXFinishing:staple top-left\r\n%XRXend\r\n",
       Rule(Text("Media", "A4 plain white") + "," +
            Text("Finishing", "staple top-left")) +
           ","},
      {"two",
       "%XRXbegin:\n%XRXCopies: 2\n%XRXend\n%%Page: 1 1\n"
       "%XRXbegin:\n%XRXCopies: 3\n%XRXCopies: 4\n%XRXend\n",
       Rule(Text("Copies", "2")) + "," +
           Rule(Text("Copies", "3") + "," + Text("Copies", "4")) + ","},
      {"unended", "%XRXbegin:\n%XRXMedia: A4\n", ""},
      {"empty", "%XRXbegin:\n%XRXend\n", ""},
      {"nested", "%XRXbegin:\n%XRXMedia: A4\n%XRXbegin:\n%XRXend\n", ""},
  };
  TempDir dir;
  std::string args = "rules --json";
  std::string expected;
  for (const auto& c : kCases) {
    const std::string path = dir.Write(std::string(c.name) + ".ps", c.contents);
    args += " '" + path + "'";
    expected += "{\"file\":\"" + path + "\",\"scan\":\"ok\",\"rules\":[" +
                c.rules + Rule("") + "]}\n";
  }
  int status = 0;
  EXPECT_EQ(RunTool(dir, VANTREL_EXAMPLE_PLUGIN_DIR, args, &status), expected);
  EXPECT_EQ(status, 0);

  // Without the plug-in the blocks are scanned as text and give no rule.
  TempDir empty;
  const std::string one = "rules --json '" + dir.path() + "/two.ps'";
  EXPECT_EQ(RunTool(dir, empty.path(), one, &status),
            "{\"file\":\"" + dir.path() +
                "/two.ps\",\"scan\":\"ok\",\"rules\":[" + Rule("") + "]}\n");
}

#endif

}  // namespace
