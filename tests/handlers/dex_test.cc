#include "handlers/dex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/scanner.h"
#include "support/test_support.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// "name=contents" per file, "name->target" per link, sorted.
std::string DumpFolder(const std::string& folder) {
  std::vector<std::string> lines;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    lines.push_back(e.is_symlink()
                        ? name + "->" + fs::read_symlink(e).string()
                        : name + "=" +
                              vantrel_test::TempDir::Read(e.path().string()));
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

#if defined(_WIN32)
// Windows has no file mode bits nor (for a plain user) links; everyone is
// taken as able to write, and the cases that need the others are left out.
bool IsRoot() { return true; }
constexpr bool kPosixFiles = false;
#else
bool IsRoot() { return geteuid() == 0; }
constexpr bool kPosixFiles = true;
#endif

std::string Block(const std::string& count, const std::string& data,
                  const char* line_break = "\n") {
  return "%%BeginDexJTData: " + count + line_break + data;
}

// Text with no line that starts with "%", different at every offset.
std::string Data(size_t size) {
  std::string data;
  for (size_t i = 0; data.size() < size; ++i) {
    data += static_cast<char>('a' + i % 26);
    if (i % 70 == 69) data += '\n';
  }
  data.resize(size);
  return data;
}

TEST(DexHandler, CopiesEachBlockIntoTheNextFreeFileInTheFolder) {
  const std::string d100 = Data(100), d7 = Data(7), d5000 = Data(5000);
  const std::string after = "\n%%Marker: after\n";
  const std::string kFirst = "DexJTData:STRING={dir}/out/job.ps_0.dexxml";
  const std::string kSecond = "DexJTData:STRING={dir}/out/job.ps_1.dexxml";
  const std::string kMarker = "; Marker:STRING=after";
  // The input is <dir>/<input>; KALOUTPUT <dir>/<kaloutput> (null: unset);
  // `existing` is made in <dir>/out first; `folder` dumps <dir>/out after.
  static const struct {
    const char* name;
    std::string input, contents;
    const char* kaloutput;
    std::vector<std::string> existing;  // "name=text", "name->target" or "name/"
    bool ok;
    std::string folder, properties;  // {dir} stands for <dir>
  } kCases[] = {
      // clang-format off
      {"in buffer", "job.ps", "%!PS\n" + Block("100", d100) + after, "out", {},
       true, "job.ps_0.dexxml=" + d100 + "\n", kFirst + kMarker},
      // CR LF and blank lines after the count are stepped over, not data.
      {"crlf", "job.ps", Block("100", d100, "\r\n\r\n") + after, "out/", {},
       true, "job.ps_0.dexxml=" + d100 + "\n", kFirst + kMarker},
      {"parenthesised", "job.ps", Block("(7) bytes", d7) + after, "out", {},
       true, "job.ps_0.dexxml=" + d7 + "\n", kFirst + kMarker},
      // The block runs past the first chunk; the scan goes on from where it
      // stood.
      {"across chunk end", "job.ps",
       std::string(kWholeFileReadSize - 2440, ' ') + "\n" + Block("5000", d5000) + after, "out",
       {}, true, "job.ps_0.dexxml=" + d5000 + "\n", kFirst + kMarker},
      // Every ticket is named; "DexJTData" names the last.
      {"two blocks", "job.ps", Block("100", d100) + "\n" + Block("7", d7), "out", {}, true,
       "job.ps_0.dexxml=" + d100 + "\njob.ps_1.dexxml=" + d7 + "\n",
       kSecond + "; DexJTData1:STRING={dir}/out/job.ps_0.dexxml"
       "; DexJTData2:STRING={dir}/out/job.ps_1.dexxml; DexJTDataCount:int=2"},
      // Ticket data are never read as comments: a ticket inside a ticket is
      // part of the outer one's data, and the scan goes on after the block.
      {"nested", "job.ps", Block("34", "<t>" + Block("7", d7) + "</t>") + after, "out", {},
       true, "job.ps_0.dexxml=<t>" + Block("7", d7) + "</t>\n", kFirst + kMarker},
      {"comment in data", "job.ps", Block("15", "%%Marker: data\n") + after, "out", {}, true,
       "job.ps_0.dexxml=%%Marker: data\n\n", kFirst + kMarker},
      {"comment in data, unset", "job.ps", Block("15", "%%Marker: data\n") + after, nullptr,
       {}, true, "", "Marker:STRING=after"},
      // Only "/" separates folders on POSIX: the ticket goes into "o3\".
      {"folder ending in a backslash", "job.ps", Block("7", d7), "out/o3\\", {"o3\\/"}, true,
       "o3\\=\n", "DexJTData:STRING={dir}/out/o3\\/job.ps_0.dexxml"},
      {"existing skipped", "job.ps", Block("7", d7), "out", {"job.ps_0.dexxml=old"}, true,
       "job.ps_0.dexxml=old\njob.ps_1.dexxml=" + d7 + "\n", kSecond},
      // A link at the name is a taken name; neither it nor its target
      // changes.
      {"link planted", "job.ps", Block("7", d7), "out", {"job.ps_0.dexxml->../target"}, true,
       "job.ps_0.dexxml->../target\njob.ps_1.dexxml=" + d7 + "\n", kSecond},
      // So is a folder ("name/").
      {"folder planted", "job.ps", Block("7", d7), "out", {"job.ps_0.dexxml/"}, true,
       "job.ps_0.dexxml=\njob.ps_1.dexxml=" + d7 + "\n", kSecond},
      {"base name after a backslash", "win\\job.ps", Block("7", d7), "out", {},
       true, "job.ps_0.dexxml=" + d7 + "\n", kFirst},
      // No folder set: nothing extracted, the scan goes on.
      {"unset", "job.ps", Block("7", d7) + after, nullptr, {}, true, "", "Marker:STRING=after"},
      {"empty", "job.ps", Block("7", d7) + after, "", {}, true, "", "Marker:STRING=after"},
      // Failures end the scan; nothing else is written or stored.
      {"count 0", "job.ps", Block("0", d7) + after, "out", {}, false, "", ""},
      {"negative", "job.ps", Block("-7", d7), "out", {}, false, "", ""},
      {"no number", "job.ps", Block("many", d7), "out", {}, false, "", ""},
      {"past the end", "job.ps", Block("1000", d100), "out", {}, false,
       "job.ps_0.dexxml=" + d100 + "\n", ""},
      // A length beyond any file is no length: nothing is written.
      {"absurd count", "job.ps", Block("99999999999999999999999", d100), "out",
       {}, false, "", ""},
      {"missing folder", "job.ps", Block("7", d7), "out/missing", {}, false, "", ""},
      {"file for folder", "job.ps", Block("7", d7), "target", {}, false, "", ""},
      // Root may write anywhere: then the case shows a good run.
      {"read-only folder", "job.ps", Block("7", d7), "ro", {}, IsRoot(),
       "", IsRoot() ? "DexJTData:STRING={dir}/ro/job.ps_0.dexxml" : ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    const std::string name = c.name;
    if (!kPosixFiles &&
        (name == "read-only folder" || name == "base name after a backslash" ||
         name == "folder ending in a backslash")) {
      continue;  // mode bits, and a "\\" that is no folder separator
    }
    vantrel_test::TempDir dir;
    const std::string out = dir.path() + "/out";
    ASSERT_TRUE(fs::create_directory(out));
#if !defined(_WIN32)
    mkdir((dir.path() + "/ro").c_str(), 0555);
#endif
    dir.Write("target", "keep");
    bool planted = true;
    for (const std::string& e : c.existing) {
      const size_t link = e.find("->"), eq = e.find('=');
      if (link != std::string::npos) {
        std::error_code ec;
        fs::create_symlink(e.substr(link + 2), out + "/" + e.substr(0, link), ec);
        // Windows lets only some users make links (and Wine none).
        planted = !ec;
        if (kPosixFiles) {
          ASSERT_FALSE(ec) << ec.message();
        }
      } else if (e.back() == '/') {
        ASSERT_TRUE(fs::create_directory(out + "/" + e));
      } else {
        dir.Write("out/" + e.substr(0, eq), e.substr(eq + 1));
      }
    }
    if (!planted) continue;
    std::string kaloutput;
    if (c.kaloutput != nullptr && *c.kaloutput != '\0') {
      kaloutput = dir.path() + "/" + c.kaloutput;
    }
    vantrel_test::ScopedEnv env(
        "KALOUTPUT", c.kaloutput != nullptr ? kaloutput.c_str() : nullptr);
    const std::string path = dir.Write(c.input, c.contents);
    CRuleKalPropArrArray rules;
    CKalParser parser(path.c_str());
    parser.AddDexxmlComment();
    parser.AddComment("Marker", 0, 0);  // shows where the scan went on
    EXPECT_EQ(parser.HandleFile(rules, 15), c.ok ? 1 : 0) << c.name;
    EXPECT_EQ(parser.GetScanStatus(),
              c.ok ? VANTREL_SCAN_OK : VANTREL_SCAN_JOB_TICKET_FAILED)
        << c.name;
    std::string properties = c.properties;
    for (size_t mark; (mark = properties.find("{dir}")) != std::string::npos;) {
      properties.replace(mark, 5, dir.path());
    }
    // Every scan ends with the job's custom colours, none here. The file
    // name is joined to the folder with the system's separator.
    std::string dump =
        vantrel_test::DumpPropertyMap(vantrel_test::StateOf(parser).properties);
    if (!kPosixFiles) std::replace(dump.begin(), dump.end(), '\\', '/');
    EXPECT_EQ(dump,
              properties + (properties.empty() ? "" : "; ") +
                  "DocumentCustomColors:string#904=")
        << c.name;
    EXPECT_EQ(DumpFolder(out), c.folder) << c.name;
    EXPECT_EQ(vantrel_test::TempDir::Read(dir.path() + "/target"), "keep")
        << c.name;
  }
}

}  // namespace
}  // namespace vantrel
