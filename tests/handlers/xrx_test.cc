#include "handlers/xrx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "engine/scanner.h"
#include "platform/loader.h"
#include "platform/trace.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

const std::string kScripted = VANTREL_TEST_PLUGIN_DIR;

const char kTwoBlocks[] =
    "%!PS-Adobe-3.0\n%XRXbegin: job-1\n%XRXMedia: A4\n%XRXend\n%%Page: 1 1\n"
    "%XRXbegin:\n%XRXend\n";

// Replaces every `from` in `text` by `to`.
void Mark(std::string& text, const std::string& from, const char* to) {
  for (size_t at; (at = text.find(from)) != std::string::npos;) {
    text.replace(at, from.size(), to);
  }
}

// Scans `contents` with the XRX comment registered and the scripted plug-in
// searched in `plugin_dir`. Answers the plug-in's calls, one per line, then
// "--", then the XRX trace lines; {rules} stands for the container's
// address, {dir} for the plug-in folder. With `memory` the contents are
// scanned as a memory block.
std::string Scan(const std::string& contents, const std::string& plugin_dir,
                 const char* script, bool memory = false) {
  vantrel_test::TempDir dir;
  const std::string log = dir.path() + "/calls.log";
  vantrel_test::ScopedEnv path_env("VANTREL_PLUGIN_PATH", plugin_dir.c_str());
  vantrel_test::ScopedEnv log_env("VANTREL_TEST_XRX_LOG", log.c_str());
  vantrel_test::ScopedEnv script_env("VANTREL_TEST_XRX_SCRIPT", script);
  CRuleKalPropArrArray rules;
  std::string trace;
  {
    TraceCapture capture;
    CKalParser parser(dir.Write("job.ps", contents).c_str());
    if (memory) parser.SetMemorySource(contents.data(), contents.size());
    parser.AddXRXComment();
    EXPECT_EQ(parser.HandleFile(rules, 15), 1);
    for (const std::string& line : capture.lines()) {
      if (line.find("XRX") != std::string::npos &&
          line.find("ParserAddEntryToList") == std::string::npos) {
        trace += line + "\n";
      }
    }
  }
  EXPECT_EQ(rules.GetSize(), 0);  // the scripted plug-in adds nothing
  std::string text = vantrel_test::TempDir::Read(log) + "--\n" + trace;
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<void*>(&rules));
  Mark(text, address, "{rules}");
  Mark(text, plugin_dir + "/", "{dir}/");
  Mark(text, plugin_dir + "\\", "{dir}/");  // joined with "\\" on Windows
  Mark(text, PluginFileName("XRXParseDLL"), "{file}");
  return text;
}

TEST(XRXHandler, CallsThePluginInOrderAndReleasesObjectBeforeLibrary) {
  const std::string kLoaded =
      "--\nLoadXRXPareseDLL() parser from {dir}/{file}\n";
  static const struct {
    const char* name;
    const char* contents;
    std::string plugin_dir;
    const char* script;
    std::string expected;
  } kCases[] = {
      // clang-format off
      {"no block", "%!PS-Adobe-3.0\n%%Page: 1 1\n", kScripted, "", "--\n"},
      // The text starts after "XRXbegin:" and its blanks and runs to the
      // end of the file.
      {"two blocks", kTwoBlocks, kScripted, "",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 28 [job-1] end@20\nfillRules {rules}\n"
       "init\nsetMode 2\nparseBuffer 9 [] end@1\nfillRules {rules}\ndestroy\nunload\n" + kLoaded +
       "ParserXRX() parseXRX.parseBuffer() OK AND END.\n"
       "ParserXRX() parseXRX.parseBuffer() OK AND END.\n"},
      {"init fails", kTwoBlocks, kScripted, "init=0",
       "create XRXParseDll 0\ninit\ninit\ndestroy\nunload\n" + kLoaded +
       "--ERROR-- ParserXRX() parseXRX.init()()\n--ERROR-- ParserXRX() parseXRX.init()()\n"},
      {"parse not 3", "%XRXbegin:\n", kScripted, "parse=2",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 1 [] end@-1\ndestroy\nunload\n" +
       kLoaded + "--ERROR-- ParserXRX() parseXRX.parseBuffer()\n"},
      {"nothing filled", "%XRXbegin:\n%XRXend\n", kScripted, "fill=0",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 9 [] end@1\nfillRules {rules}\n"
       "destroy\nunload\n" + kLoaded + "ParserXRX() parseXRX.parseBuffer() END and NO comments.\n"},
      {"throws", "%XRXbegin:\n%XRXend\n", kScripted, "throw=parse",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 9 [] end@1\ndestroy\nunload\n" +
       kLoaded + "--ERROR-- ParserXRX() the XRX parser threw an exception\n"},
      // A block ends at the next "XRXbegin:" line: no byte is handed over
      // twice, however many blocks a job opens.
      {"next block", "%%XRXbegin: a\n%XRXa: b\n%%XRXbegin: c\n%XRXa: b\n%XRXend\n",
       kScripted, "",
       "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 11 [a] end@-1\n"
       "init\nsetMode 2\nparseBuffer 19 [c] end@11\nfillRules {rules}\ndestroy\nunload\n" +
       kLoaded + "--ERROR-- ParserXRX() parseXRX.parseBuffer()\n"
       "ParserXRX() parseXRX.parseBuffer() OK AND END.\n"},
      // A missing object is not asked for again in the scan.
      {"null object", kTwoBlocks, kScripted, "object=null",
       "create XRXParseDll 0\nunload\n--\n"
       "--ERROR-- LoadXRXPareseDLL() VantrelCreateObject(XRXParseDll) answered null\n"},
      {"no factory", "%XRXbegin:\n", VANTREL_TEST_NOFACTORY_PLUGIN_DIR, "",
       "unload\n--\n--ERROR-- LoadXRXPareseDLL() {dir}/{file} exports no "
       "VantrelCreateObject\n"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Scan(c.contents, c.plugin_dir, c.script), c.expected) << c.name;
  }
}

TEST(XRXHandler, AMissingLibraryIsLookedForOncePerScan) {
  vantrel_test::TempDir empty;
  // 300,000 blocks (3.6 MB), the usual case of a host without a plug-in.
  std::string blocks;
  for (int i = 0; i < 300000; ++i) blocks += "%%XRXbegin:\n";
  std::string text = Scan(blocks, empty.path(), "");
  // The next scan looks again.
  text += Scan(kTwoBlocks, empty.path(), "");
  // The second line of each attempt is the system's reason.
  // The system's number for a library not found.
#if defined(_WIN32)
  const std::string kFailed =
      "--ERROR-- LoadLibrary() XRXParseDLL error = 126 \n";
#else
  const std::string kFailed =
      "--ERROR-- LoadLibrary() XRXParseDLL error = 2 \n";
#endif
  const std::string kReason = "--ERROR-- LoadXRXPareseDLL() ";
  for (size_t at = 0; (at = text.find(kReason, at)) != std::string::npos;) {
    text.replace(at, text.find('\n', at) - at, "reason");
  }
  EXPECT_EQ(text, "--\n" + kFailed + "reason\n--\n" + kFailed + "reason\n");
}

TEST(XRXHandler, ABlockAcrossTheChunkEndReachesThePluginWhole) {
  std::string block = "%XRXbegin: job\n";
  while (block.size() < 4100)
    block += "%XRXNote: " + std::string(30, 'n') + "\n";
  block += "%XRXend\n";
  const std::string tail(70000, 'x');
  const std::string filler = std::string(kWholeFileReadSize - 2440, ' ') + "\n";
  const std::string kCalls =
      "create XRXParseDll 0\ninit\nsetMode 2\nparseBuffer 4112 [job] "
      "end@4104\nfillRules {rules}\ndestroy\nunload\n";
  // The same block, up to its "%XRXend" line, whether it starts the file or
  // runs across the end of the first or second chunk, from the file or from
  // memory.
  for (bool memory : {false, true}) {
    EXPECT_EQ(Scan(block + tail, kScripted, "", memory).rfind(kCalls, 0), 0u);
    for (const std::string& before :
         {filler, std::string(kWholeFileReadSize, '\n') + filler}) {
      EXPECT_EQ(Scan(before + block + tail, kScripted, "", memory)
                    .rfind(kCalls, 0),
                0u)
          << memory << before.size();
    }
    EXPECT_NE(Scan(filler + block, kScripted, "", memory)
                  .find("parseBuffer 4112 [job] end@4104"),
              std::string::npos)
        << memory;
  }
}

// Two parses on two threads, each with one XRX block. A plug-in that says
// nothing is called one call at a time: a call never meets another (each
// waits its 2 s in vain). One that declares itself concurrent is called
// without the lock, so the two calls meet.
TEST(XRXHandler, OnlyAPluginThatSaysSoIsCalledConcurrently) {
  for (const char* concurrent : {"0", "1"}) {
    vantrel_test::TempDir dir;
    const std::string log = dir.path() + "/calls.log";
    const std::string script = std::string("meet=1,concurrent=") + concurrent;
    vantrel_test::ScopedEnv path_env("VANTREL_PLUGIN_PATH", kScripted.c_str());
    vantrel_test::ScopedEnv log_env("VANTREL_TEST_XRX_LOG", log.c_str());
    vantrel_test::ScopedEnv script_env("VANTREL_TEST_XRX_SCRIPT",
                                       script.c_str());
    const std::string job =
        dir.Write("job.ps", "%!PS-Adobe-3.0\n%XRXbegin:\n%XRXend\n");
    auto parse = [&job] {
      CRuleKalPropArrArray rules;
      CKalParser parser(job.c_str());
      parser.AddXRXComment();
      parser.HandleFile(rules, 15);
    };
    std::thread other(parse);
    parse();
    other.join();
    const std::string calls = vantrel_test::TempDir::Read(log);
    const std::string most =
        std::string("overlap ") + (*concurrent == '1' ? "2" : "1");
    EXPECT_NE(calls.find(most), std::string::npos) << concurrent << "\n"
                                                   << calls;
    EXPECT_EQ(calls.find(*concurrent == '1' ? "overlap 1" : "overlap 2"),
              std::string::npos)
        << concurrent << "\n"
        << calls;
  }
}

}  // namespace
}  // namespace vantrel
