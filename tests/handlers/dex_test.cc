#include "handlers/dex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

using vantrel_test::ScopedEnv;
using vantrel_test::TempDir;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// "name=contents" per file, "name->target" per link, sorted by name.
std::string DumpFolder(const std::string& folder) {
  std::vector<std::string> lines;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      lines.push_back(name + "->" +
                      std::filesystem::read_symlink(entry.path()).string());
    } else {
      lines.push_back(name + "=" + ReadFile(entry.path().string()));
    }
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

// A ticket block: the comment with `count`, the line break, the data.
std::string Block(const std::string& count, const std::string& data,
                  const char* line_break = "\n") {
  return "%%BeginDexJTData: " + count + line_break + data;
}

// Data with no line starting with "%", different at every offset.
std::string Data(size_t size, char seed) {
  std::string data;
  for (size_t i = 0; data.size() < size; ++i) {
    data += static_cast<char>('a' + (seed + i) % 26);
    if (i % 70 == 69) data += '\n';
  }
  data.resize(size);
  return data;
}

struct Result {
  int handled;
  int status;
  std::string properties;
  std::string trace;  // the DEX lines
};

// Scans `path` with the DEX comment and a "Marker" comment (stored as a
// property, to show where the scan went on) registered.
Result Scan(const std::string& path) {
  Result result;
  TraceCapture capture;
  CRuleKalPropArrArray rules;
  CKalParser parser(path.c_str());
  parser.AddDexxmlComment();
  parser.AddComment("Marker", 0, 0);
  result.handled = parser.HandleFile(rules, 15);
  result.status = parser.GetScanStatus();
  result.properties = vantrel_test::DumpPropertyMap();
  for (std::string line : capture.lines()) {
    if (line.find("Dex") == std::string::npos &&
        line.find("getFileName") == std::string::npos) {
      continue;
    }
    if (line.find("ParserAddEntryToList") != std::string::npos) continue;
    // The descriptor's number is the system's choice.
    const size_t at = line.find("a_hFile =");
    if (at != std::string::npos && line.compare(at + 9, 2, "-1") != 0) {
      line = line.substr(0, at + 9) + "FD";
    }
    result.trace += line + "\n";
  }
  return result;
}

TEST(DexHandler, CopiesEachBlockIntoTheNextFreeFile) {
  const std::string d100 = Data(100, 0), d7 = Data(7, 3), d5000 = Data(5000, 7);
  const std::string after = "\n%%Marker: after\n";
  // In every case the input is <dir>/<input>, the output folder <dir>/out.
  static const struct {
    const char* name;
    std::string input;
    std::string contents;
    std::vector<std::string> existing;  // files ("name=text") or links
                                        // ("name->target") made first
    bool ok;
    std::string folder;      // DumpFolder of out/ after the scan
    std::string properties;  // {out} stands for the output folder
  } kCases[] = {
      {"in buffer", "job.ps", "%!PS\n" + Block("100", d100) + after, {}, true,
       "job.ps_0.dexxml=" + d100 + "\n",
       "DexJTData:STRING={out}/job.ps_0.dexxml; Marker:STRING=after"},
      // A CR LF pair after the count is two bytes stepped over, not data;
      // so are blank lines.
      {"crlf", "job.ps", Block("100", d100, "\r\n\r\n") + after, {}, true,
       "job.ps_0.dexxml=" + d100 + "\n",
       "DexJTData:STRING={out}/job.ps_0.dexxml; Marker:STRING=after"},
      {"parenthesised", "job.ps", Block("(7) bytes", d7) + after, {}, true,
       "job.ps_0.dexxml=" + d7 + "\n",
       "DexJTData:STRING={out}/job.ps_0.dexxml; Marker:STRING=after"},
      // The block's second half lies beyond the first 61440-byte chunk; the
      // scan reads on from where it stood.
      {"across chunk end", "job.ps",
       std::string(59000, ' ') + "\n" + Block("5000", d5000) + after, {}, true,
       "job.ps_0.dexxml=" + d5000 + "\n",
       "DexJTData:STRING={out}/job.ps_0.dexxml; Marker:STRING=after"},
      {"two blocks", "job.ps",
       Block("100", d100) + "\n" + Block("7", d7) + after, {}, true,
       "job.ps_0.dexxml=" + d100 + "\njob.ps_1.dexxml=" + d7 + "\n",
       "DexJTData:STRING={out}/job.ps_1.dexxml; Marker:STRING=after"},
      {"existing skipped", "job.ps", Block("7", d7) + after,
       {"job.ps_0.dexxml=old"}, true,
       "job.ps_0.dexxml=old\njob.ps_1.dexxml=" + d7 + "\n",
       "DexJTData:STRING={out}/job.ps_1.dexxml; Marker:STRING=after"},
      // A link at the name is a taken name: neither it nor its target is
      // touched.
      {"link planted", "job.ps", Block("7", d7) + after,
       {"job.ps_0.dexxml->../target"}, true,
       "job.ps_0.dexxml->../target\njob.ps_1.dexxml=" + d7 + "\n",
       "DexJTData:STRING={out}/job.ps_1.dexxml; Marker:STRING=after"},
      {"base name after a backslash", "win\\job.ps", Block("7", d7), {}, true,
       "job.ps_0.dexxml=" + d7 + "\n", "DexJTData:STRING={out}/job.ps_0.dexxml"},
      // Lengths that are no count end the scan before anything is written.
      {"count 0", "job.ps", Block("0", d7) + after, {}, false, "", ""},
      {"negative", "job.ps", Block("-7", d7) + after, {}, false, "", ""},
      {"no number", "job.ps", Block("many", d7) + after, {}, false, "", ""},
      // Past the end of the file: the file holds what the input held.
      {"past end", "job.ps", Block("1000", d100), {}, false,
       "job.ps_0.dexxml=" + d100 + "\n", ""},
      {"absurd count", "job.ps", Block("99999999999999999999999", d100), {},
       false, "job.ps_0.dexxml=" + d100 + "\n", ""},
  };
  for (const auto& c : kCases) {
    TempDir dir;
    const std::string out = dir.path() + "/out";
    ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
    dir.Write("target", "keep");
    for (const std::string& e : c.existing) {
      const size_t link = e.find("->");
      if (link != std::string::npos) {
        ASSERT_EQ(symlink(e.substr(link + 2).c_str(),
                          (out + "/" + e.substr(0, link)).c_str()),
                  0);
      } else {
        const size_t eq = e.find('=');
        dir.Write("out/" + e.substr(0, eq), e.substr(eq + 1));
      }
    }
    ScopedEnv output("KALOUTPUT", out.c_str());
    const Result r = Scan(dir.Write(c.input, c.contents));
    EXPECT_EQ(r.handled, c.ok ? 1 : 0) << c.name;
    EXPECT_EQ(r.status,
              c.ok ? VANTREL_SCAN_OK : VANTREL_SCAN_JOB_TICKET_NOT_SAVED)
        << c.name;
    EXPECT_EQ(DumpFolder(out), c.folder) << c.name;
    std::string properties = c.properties;
    const size_t at = properties.find("{out}");
    if (at != std::string::npos) properties.replace(at, 5, out);
    EXPECT_EQ(r.properties, properties) << c.name;
    EXPECT_EQ(ReadFile(dir.path() + "/target"), "keep") << c.name;
  }
}

TEST(DexHandler, OutputFolderSettings) {
  const std::string block = Block("7", Data(7, 0)) + "\n%%Marker: after\n";
  TempDir dir;
  const std::string input = dir.Write("job.ps", block);
  const std::string file = dir.Write("plain", "");
  const std::string read_only = dir.path() + "/read-only";
  mkdir(read_only.c_str(), 0555);
  static const struct {
    const char* name;
    const char* kaloutput;  // relative to the folder; null: unset
    bool ok;
    std::string properties;  // {dir} stands for the folder
    std::string trace;
  } kCases[] = {
      // No folder, no extraction: the scan goes on.
      {"unset", nullptr, true, "Marker:STRING=after",
       "ParserDexJTData() KALOUTPUT is not set: the job ticket is not "
       "extracted\n"},
      {"empty", "", true, "Marker:STRING=after",
       "ParserDexJTData() KALOUTPUT is not set: the job ticket is not "
       "extracted\n"},
      {"trailing slash", "/", true,
       "DexJTData:STRING={dir}/job.ps_0.dexxml; Marker:STRING=after",
       "getFileNameAndDescriptor a_newName = {dir}/job.ps_0.dexxml counter = "
       "1 a_hFile =FD\nsaveDexxmlToFile res = 1 \n"},
      {"missing folder", "/missing", false, "",
       "--ERROR-- getFileNameAndDescriptor {dir}/missing/job.ps_0.dexxml: No "
       "such file or directory\n"
       "getFileNameAndDescriptor a_newName = {dir}/missing/job.ps_0.dexxml "
       "counter = 1 a_hFile =-1\nsaveDexxmlToFile res = 0 \n"},
      {"file for folder", "/plain", false, "",
       "--ERROR-- getFileNameAndDescriptor {dir}/plain/job.ps_0.dexxml: Not a "
       "directory\n"
       "getFileNameAndDescriptor a_newName = {dir}/plain/job.ps_0.dexxml "
       "counter = 1 a_hFile =-1\nsaveDexxmlToFile res = 0 \n"},
      // Root writes anywhere; the case then only shows a good run.
      {"read-only folder", "/read-only", geteuid() == 0,
       geteuid() == 0
           ? "DexJTData:STRING={dir}/read-only/job.ps_0.dexxml; "
             "Marker:STRING=after"
           : "",
       ""},
  };
  for (const auto& c : kCases) {
    std::string value;
    if (c.kaloutput != nullptr) {
      value = *c.kaloutput == '\0' ? "" : dir.path() + c.kaloutput;
    }
    ScopedEnv output("KALOUTPUT", c.kaloutput != nullptr ? value.c_str()
                                                         : nullptr);
    const Result r = Scan(input);
    EXPECT_EQ(r.handled, c.ok ? 1 : 0) << c.name;
    std::string expected[] = {c.properties, c.trace};
    for (std::string& text : expected) {
      for (size_t at; (at = text.find("{dir}")) != std::string::npos;) {
        text.replace(at, 5, dir.path());
      }
    }
    EXPECT_EQ(r.properties, expected[0]) << c.name;
    if (!c.trace.empty()) {
      EXPECT_EQ(r.trace, expected[1]) << c.name;
    }
  }
}

TEST(DexHandler, ABlockCutShortByTheEndOfTheFileIsReported) {
  TempDir dir;
  const std::string out = dir.path() + "/out";
  mkdir(out.c_str(), 0755);
  ScopedEnv output("KALOUTPUT", out.c_str());
  const Result r = Scan(dir.Write("job.ps", Block("1000", Data(50, 0))));
  EXPECT_EQ(r.trace,
            "getFileNameAndDescriptor a_newName = " + out +
                "/job.ps_0.dexxml counter = 1 a_hFile =FD\n"
                "saveDexxmlToFile error writing a_numBytes = 1000 "
                "writennBytes = 50 \n"
                "saveDexxmlToFile res = 0 \n");
}

}  // namespace
}  // namespace vantrel
