#include "handlers/xrx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/loader.h"
#include "platform/trace.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

using vantrel_test::ScopedEnv;
using vantrel_test::TempDir;

const std::string kScripted = VANTREL_TEST_PLUGIN_DIR;
const std::string kNoFactory = VANTREL_TEST_NOFACTORY_PLUGIN_DIR;

const char kTwoBlocks[] =
    "%!PS-Adobe-3.0\n"
    "%XRXbegin: job-1\n"
    "%XRXMedia: A4\n"
    "%XRXend\n"
    "%%Page: 1 1\n"
    "%XRXbegin:\n"
    "%XRXend\n";

struct Outcome {
  std::string log;    // the plug-in's calls, one per line
  std::string trace;  // the XRX trace lines, one per line
  int rules = 0;      // rule arrays in the container
};

// Scans `contents` with only the XRX comment registered, the plug-in
// searched in `plugin_dir`, scripted by `script`. In `expected` texts,
// {rules} stands for the container's address and {dir} for `plugin_dir`.
Outcome Scan(const std::string& contents, const std::string& plugin_dir,
             const char* script) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", contents);
  const std::string log = dir.path() + "/calls.log";
  ScopedEnv plugin_path("VANTREL_PLUGIN_PATH", plugin_dir.c_str());
  ScopedEnv log_env("VANTREL_TEST_XRX_LOG", log.c_str());
  ScopedEnv script_env("VANTREL_TEST_XRX_SCRIPT", script);
  Outcome outcome;
  CRuleKalPropArrArray rules;
  {
    TraceCapture capture;
    CKalParser parser(path.c_str());
    parser.AddXRXComment();
    EXPECT_EQ(parser.HandleFile(rules, 15), 1);
    for (const std::string& line : capture.lines()) {
      if (line.find("XRX") != std::string::npos &&
          line.find("ParserAddEntryToList") == std::string::npos) {
        outcome.trace += line + "\n";
      }
    }
  }
  std::ifstream in(log);
  std::stringstream calls;
  calls << in.rdbuf();
  outcome.log = calls.str();
  outcome.rules = rules.GetSize();
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<void*>(&rules));
  for (std::string* text : {&outcome.log, &outcome.trace}) {
    for (size_t at; (at = text->find(address)) != std::string::npos;) {
      text->replace(at, std::string(address).size(), "{rules}");
    }
    for (size_t at; (at = text->find(plugin_dir + "/")) != std::string::npos;) {
      text->replace(at, plugin_dir.size(), "{dir}");
    }
  }
  return outcome;
}

TEST(XRXHandler, CallsThePluginInOrderAndReleasesObjectBeforeLibrary) {
  // The text starts after "XRXbegin:" and its blanks and runs to the end of
  // the file: 59 bytes from the first block's value, 9 from the second's.
  const char kBothComplete[] =
      "create XRXParseDll 0\n"
      "init\nsetMode 2\nparseBuffer 59 [job-1] end@20\nfillRules {rules}\n"
      "init\nsetMode 2\nparseBuffer 9 [] end@1\nfillRules {rules}\n"
      "destroy\nunload\n";
  static const struct {
    const char* name;
    const char* contents;
    std::string plugin_dir;
    const char* script;
    const char* log;
    const char* trace;
  } kCases[] = {
      {"no block", "%!PS-Adobe-3.0\n%%Page: 1 1\n", kScripted, "", "", ""},
      {"two blocks", kTwoBlocks, kScripted, "", kBothComplete,
       "LoadXRXPareseDLL() parser from {dir}/libXRXParseDLL.so\n"
       "ParserXRX() parseXRX.parseBuffer() OK AND END.\n"
       "ParserXRX() parseXRX.parseBuffer() OK AND END.\n"},
      {"init fails", kTwoBlocks, kScripted, "init=0",
       "create XRXParseDll 0\ninit\ninit\ndestroy\nunload\n",
       "LoadXRXPareseDLL() parser from {dir}/libXRXParseDLL.so\n"
       "--ERROR-- ParserXRX() parseXRX.init()()\n"
       "--ERROR-- ParserXRX() parseXRX.init()()\n"},
      {"parse not 3", "%XRXbegin:\n", kScripted, "parse=2",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 1 [] end@-1\n"
       "destroy\nunload\n",
       "LoadXRXPareseDLL() parser from {dir}/libXRXParseDLL.so\n"
       "--ERROR-- ParserXRX() parseXRX.parseBuffer()\n"},
      {"nothing filled", "%XRXbegin:\n%XRXend\n", kScripted, "fill=0",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 9 [] end@1\n"
       "fillRules {rules}\ndestroy\nunload\n",
       "LoadXRXPareseDLL() parser from {dir}/libXRXParseDLL.so\n"
       "ParserXRX() parseXRX.parseBuffer() END and NO comments.\n"},
      {"throws", "%XRXbegin:\n%XRXend\n", kScripted, "throw=parse",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 9 [] end@1\n"
       "destroy\nunload\n",
       "LoadXRXPareseDLL() parser from {dir}/libXRXParseDLL.so\n"
       "--ERROR-- ParserXRX() the XRX parser threw an exception\n"},
      // A failed object is asked for again at the next block; the library
      // stays loaded in between.
      {"null object", kTwoBlocks, kScripted, "object=null",
       "create XRXParseDll 0\ncreate XRXParseDll 0\nunload\n",
       "--ERROR-- LoadXRXPareseDLL() VantrelCreateObject(XRXParseDll) "
       "answered null\n"
       "--ERROR-- LoadXRXPareseDLL() VantrelCreateObject(XRXParseDll) "
       "answered null\n"},
      {"no factory", "%XRXbegin:\n", kNoFactory, "", "unload\n",
       "--ERROR-- LoadXRXPareseDLL() {dir}/libXRXParseDLL.so exports no "
       "VantrelCreateObject\n"},
  };
  for (const auto& c : kCases) {
    const Outcome o = Scan(c.contents, c.plugin_dir, c.script);
    EXPECT_EQ(o.log, c.log) << c.name;
    EXPECT_EQ(o.trace, c.trace) << c.name;
    EXPECT_EQ(o.rules, 0) << c.name;  // the scripted plug-in adds nothing
  }
}

TEST(XRXHandler, AMissingLibraryIsTracedAndTriedAgainAtTheNextBlock) {
  TempDir empty;
  const Outcome o = Scan(kTwoBlocks, empty.path(), "");
  const std::string kFailed =
      "--ERROR-- LoadLibrary() XRXParseDLL error = 2 \n";
  const std::string kReason = "--ERROR-- LoadXRXPareseDLL() ";
  // Each attempt: the error number, then the system's reason.
  ASSERT_EQ(o.trace.rfind(kFailed + kReason, 0), 0u) << o.trace;
  const size_t second = o.trace.find(kFailed, kFailed.size());
  ASSERT_NE(second, std::string::npos) << o.trace;
  EXPECT_EQ(o.trace.compare(second + kFailed.size(), kReason.size(), kReason),
            0)
      << o.trace;
  EXPECT_EQ(o.log, "");
}

TEST(XRXHandler, ABlockAcrossTheChunkEndReachesThePluginWhole) {
  std::string block = "%XRXbegin: job\n";
  for (int i = 0; i < 100; ++i) {
    block += "%XRXNote: " + std::string(30, 'a' + i % 26) + "\n";
  }
  block += "%XRXend\n";
  const std::string tail(70000, 'x');
  const std::string filler = std::string(59000, ' ') + "\n";
  // The same text, whether the block starts the file or runs across the
  // end of the first 61440-byte chunk.
  const char kExpected[] =
      "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 61440 [job] "
      "end@4104\n"
      "fillRules {rules}\ndestroy\nunload\n";
  EXPECT_EQ(Scan(block + tail, kScripted, "").log, kExpected);
  EXPECT_EQ(Scan(filler + block + tail, kScripted, "").log, kExpected);
  // At the end of the file the text ends with it.
  EXPECT_EQ(Scan(filler + block, kScripted, "").log,
            "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 4112 [job] "
            "end@4104\nfillRules {rules}\ndestroy\nunload\n");
}

}  // namespace
}  // namespace vantrel
