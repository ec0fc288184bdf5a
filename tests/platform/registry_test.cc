#include "platform/registry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/trace.h"
#include "support/test_support.h"
#include "vantrel/parser_if.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using vantrel::kHKeyCurrentUser;
using vantrel::kHKeyLocalMachine;
using vantrel::NTBaseRegHandle;
using vantrel::RegistryRoot;
using vantrel_test::ScopedEnv;
using vantrel_test::TempDir;
using namespace std::string_literals;

const char kHeader[] = "Windows Registry Editor Version 5.00\n\n";
const std::string kGood =
    std::string(kHeader) + "[HKLM\\A\\K]\n\"On\"=dword:1\n";

// "open=1 get=1 value=5" for the library's open / read / close sequence;
// `value` starts at 42 so an untouched out-parameter shows.
std::string Query(const std::string& file,
                  RegistryRoot root = kHKeyLocalMachine,
                  const char* path = "\\A\\K", const char* name = "On") {
  TempDir dir;
  ScopedEnv env("VANTREL_REGISTRY", dir.Write("r.reg", file).c_str());
  NTBaseRegHandle h(root);
  int value = 42;
  int open = h.openRegistryFolder(path);
  int get = h.getBoolValueByName(name, value, 0);
  h.closeRegistryFolder();
  return "open=" + std::to_string(open) + " get=" + std::to_string(get) +
         " value=" + std::to_string(value);
}

std::string Crlf(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// UTF-16LE with BOM; each byte becomes one code unit.
std::string Utf16(const std::string& s) {
  std::string out = "\xFF\xFE";
  for (char c : s) out += std::string(1, c) + '\0';
  return out;
}

TEST(Registry, ReadsFlagInEveryEncodingAndLineEnd) {
  static const struct {
    const char* body;  // follows kHeader
    const char* expected;
    RegistryRoot root = kHKeyLocalMachine;
    const char* path = "\\A\\K";
    const char* name = "On";
  } kCases[] = {
      // clang-format off
      {"[HKEY_LOCAL_MACHINE\\A\\K]\n\"On\"=dword:00000001", "open=1 get=1 value=1"},
      {"[hklm\\a\\k\\]\n\"oN\" = dword:FFFFFFFF\n", "open=1 get=1 value=-1",
       kHKeyLocalMachine, "A\\K\\", "ON"},
      {"[HKCU\\A\\K]\n\"On\"=\"-7\"\n", "open=1 get=1 value=-7", kHKeyCurrentUser},
      {"[HKEY_CURRENT_USER\\A\\K]\n\"On\"=\"1\"\n", "open=0 get=0 value=42"},
      {"[HKLM\\A\\K]\n\"On\"=\"9\"\n[HKLM\\A\\K\\B]\n\"On\"=\"0\"\n", "open=1 get=1 value=9"},
      // Later sections override, deletions remove, re-creation starts afresh.
      {"[HKLM\\A\\K]\n\"On\"=\"0\"\n[HKLM\\A\\K]\n\"On\"=\" TRUE \"\n", "open=1 get=1 value=1"},
      {"[HKLM\\A\\K]\n\"On\"=\"1\"\n[HKLM\\A\\K]\n\"On\"=-\n", "open=1 get=0 value=42"},
      {"[HKLM\\A\\K]\n\"On\"=dword:1\n[-HKLM\\a]\n", "open=0 get=0 value=42"},
      {"[HKLM\\A\\K]\n\"On\"=dword:1\n[-HKLM\\A]\n[HKLM\\A\\K]\n", "open=1 get=0 value=42"},
      // A subkey implies its parent; a sibling sharing a prefix does not.
      {"[HKLM\\A\\K\\Sub]\n\"On\"=dword:1\n", "open=1 get=0 value=42"},
      {"[HKLM\\A\\KX]\n\"On\"=dword:1\n", "open=0 get=0 value=42"},
      // Continuations, default values, comments, escapes, broken sections.
      {"[HKLM\\A\\K]\n@=\"x\"\n; \"On\"=dword:1\n\"On\"=\"false\"\n"
       "\"Blob\"=hex:01,\\\n  \"On\"=dword:1,\\\n  \"On\"=dword:1\n",
       "open=1 get=1 value=0"},
      {"[HKLM\\A\\B]\n\"Blob\"=hex:01,\\\n[HKLM\\A\\K]\n\"On\"=dword:1\n", "open=1 get=1 value=1"},
      {"[HKLM\\A\\K]\n\"x\\\"y\\\\\"=dword:7\n\"x\"=dword:1\n",
       "open=1 get=1 value=7", kHKeyLocalMachine, "A\\K", "X\"Y\\"},
      {"[HKLM\\A\\K]\n\"On\"=dword:1\n[HKLM\\A\\K\n\"On\"=dword:0\n", "open=1 get=1 value=1"},
      {"\"On\"=dword:1\n[HKLM\\A\\K]\n", "open=1 get=0 value=42"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    const std::string file = std::string(kHeader) + c.body;
    for (const std::string& form :
         {file, Crlf(file), "\xEF\xBB\xBF" + Crlf(file), Utf16(Crlf(file))}) {
      EXPECT_EQ(c.expected, Query(form, c.root, c.path, c.name)) << c.body;
    }
  }
}

TEST(Registry, RefusesUnreadableValues) {
  for (const char* v :
       {"dword:000000001", "dword:", "dword:xyz", "\"1x\"", "\"\"", "\"1",
        "\"2147483648\"", "\"99999999999999999999\"", "hex:01,00,00,00", "1",
        "\"1\" junk"}) {
    EXPECT_EQ("open=1 get=0 value=42",
              Query(std::string(kHeader) + "[HKLM\\A\\K]\n\"On\"=" + v))
        << v;
  }
}

TEST(Registry, FailsSafelyOnMissingOrMalformedFiles) {
  static const struct {
    std::string file;
    const char* expected;
    const char* path = "A\\K";
  } kCases[] = {
      // clang-format off
      {"", "open=0 get=0 value=42"},
      {"REGEDIT5\n[HKLM\\A\\K]\n\"On\"=dword:1", "open=0 get=0 value=42"},
      {"REGEDIT4\r\n[HKLM\\A\\K]\n\"On\"=dword:1", "open=1 get=1 value=1"},
      {"\0\xFF\x01garbage\n[HKLM\\A\\K]"s, "open=0 get=0 value=42"},
      {Utf16(kGood) + "\x01", "open=1 get=1 value=1"},  // odd byte count
      {Utf16(kGood).substr(0, Utf16(kGood).size() - 5), "open=1 get=0 value=42"},
      {"\xFE\xFF" + Utf16(kGood).substr(2), "open=0 get=0 value=42"},  // BE
      {kHeader + "[HKLM\\A\\K]\n\""s + std::string(1 << 20, 'A') +
           "\n\"O\0n\"=dword:0\n\"On\"=dword:1\n"s,
       "open=1 get=1 value=1"},
      {kGood + std::string(16 << 20, ';'), "open=0 get=0 value=42"},  // over the cap
      // "Gr\u00FC\U0001F600" as UTF-16LE, opened by its UTF-8 name.
      {Utf16(std::string(kHeader) + "[HKLM\\Gr") + "\xFC\0\x3D\xD8\x00\xDE"s +
           Utf16("]\r\n\"On\"=dword:1\r\n").substr(2),
       "open=1 get=1 value=1", "Gr\xC3\xBC\xF0\x9F\x98\x80"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, Query(c.file, kHKeyLocalMachine, c.path))
        << c.file.substr(0, 40);
  }
}

TEST(Registry, AnswersNothingBeforeOpenOrAfterClose) {
  TempDir dir;
  ScopedEnv env("VANTREL_REGISTRY", dir.Write("r.reg", kGood).c_str());
  NTBaseRegHandle h(kHKeyLocalMachine);
  int value = 42;
  EXPECT_EQ(0, h.getBoolValueByName("On", value, 0));
  ASSERT_NE(0, h.openRegistryFolder("A\\K"));
  h.closeRegistryFolder();
  EXPECT_EQ(0, h.getBoolValueByName("On", value, 0));
  EXPECT_EQ(42, value);
}

// A named file that cannot be used says so once, on stderr and in the trace;
// the settings keep their defaults.
TEST(Registry, FileThatCannotBeUsedIsToldOnce) {
  TempDir dir;
  static const struct {
    const char* name;      // null: the folder itself
    const char* contents;  // null: not written
    const char* reason;
  } kCases[] = {
      // clang-format off
      {"missing.reg", nullptr, "no such file"}, {nullptr, nullptr, "is a directory"},
      {"notes.txt", "[HKLM\\A\\K]\n\"On\"=dword:1\n", "not a registry export file"},
      {"empty.reg", "\xEF\xBB\xBF", "not a registry export file"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    std::string path = c.name == nullptr ? dir.path() : dir.path() + "/" + c.name;
    if (c.contents != nullptr) dir.Write(c.name, c.contents);
    ScopedEnv env("VANTREL_REGISTRY", path.c_str());
    const std::string problem = "VANTREL_REGISTRY '" + path + "': " + c.reason +
                                "; the settings keep their defaults";
    vantrel::TraceCapture trace;
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
      NTBaseRegHandle h(kHKeyLocalMachine);
      EXPECT_EQ(0, h.openRegistryFolder("A\\K")) << path;
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "vantrel: " + problem + "\n");
    EXPECT_EQ(trace.lines(), std::vector<std::string>{problem});
  }
}

#if defined(_WIN32)

// Without VANTREL_REGISTRY the system's registry is read, through the same
// reader as an export file; with it, the file wins. The values are written
// below HKEY_CURRENT_USER, which the tests may change freely.
TEST(Registry, WindowsReadsTheSystemRegistryUnlessAFileIsNamed) {
  const wchar_t kKey[] = L"Software\\VantrelTest\\K";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD on = 1, all = 0xFFFFFFFF;
  const wchar_t seven[] = L"7";
  const wchar_t word[] = L"yes";
  RegSetValueExW(key, L"On", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
  RegSetValueExW(key, L"All", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&all), sizeof all);
  RegSetValueExW(key, L"Seven", 0, REG_SZ, reinterpret_cast<const BYTE*>(seven), sizeof seven);
  RegSetValueExW(key, L"Word", 0, REG_SZ, reinterpret_cast<const BYTE*>(word), sizeof word);
  RegSetValueExW(key, L"Bytes", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&on), sizeof on);
  RegCloseKey(key);
  const auto read = [](const char* path, const char* name) {
    NTBaseRegHandle h(kHKeyCurrentUser);
    int value = 42;
    const int open = h.openRegistryFolder(path);
    const int get = h.getBoolValueByName(name, value, 0);
    h.closeRegistryFolder();
    return "open=" + std::to_string(open) + " get=" + std::to_string(get) +
           " value=" + std::to_string(value);
  };
  {
    ScopedEnv unset("VANTREL_REGISTRY", nullptr);
    static const struct {
      const char *path, *name, *expected;
    } kCases[] = {
        {"\\Software\\VantrelTest\\K", "On", "open=1 get=1 value=1"},
        {"software\\vantreltest\\k", "on", "open=1 get=1 value=1"},
        {"Software\\VantrelTest\\K", "All", "open=1 get=1 value=-1"},
        {"Software\\VantrelTest\\K", "Seven", "open=1 get=1 value=7"},
        {"Software\\VantrelTest\\K", "Word", "open=1 get=0 value=42"},
        {"Software\\VantrelTest\\K", "Bytes", "open=1 get=0 value=42"},
        {"Software\\VantrelTest\\K", "Missing", "open=1 get=0 value=42"},
        {"Software\\VantrelTest\\Missing", "On", "open=0 get=0 value=42"},
    };
    for (const auto& c : kCases) {
      EXPECT_EQ(read(c.path, c.name), c.expected) << c.path << ' ' << c.name;
    }
  }
  TempDir dir;
  ScopedEnv env("VANTREL_REGISTRY",
                dir.Write("r.reg", std::string(kHeader) +
                                       "[HKCU\\Software\\VantrelTest\\K]\n\"On\"=dword:0\n")
                    .c_str());
  EXPECT_EQ(read("Software\\VantrelTest\\K", "On"), "open=1 get=1 value=0");
  EXPECT_EQ(read("Software\\VantrelTest\\K", "Seven"), "open=1 get=0 value=42");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VantrelTest");
}

#endif

// A print server's loop of head scans reads the settings file once, and
// again only when the file changes.
TEST(Registry, ReadsTheFileOnceUntilItChanges) {
  TempDir dir;
  const std::string job =
      dir.Write("job.ps", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 72 72\n");
  const std::string file = dir.Write("r.reg", kGood);
  ScopedEnv env("VANTREL_REGISTRY", file.c_str());
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  const auto reads_for_scans = [&](int scans) {
    const uint64_t before = vantrel::RegistryFileReads();
    for (int i = 0; i < scans; ++i) {
      _tPairProperty* pairs = nullptr;
      int count = 0;
      rip->ParseToPairs(job.c_str(), pairs, count, 1, 1, 'P');
      delete[] pairs;
    }
    return vantrel::RegistryFileReads() - before;
  };
  EXPECT_EQ(reads_for_scans(40), 1u);
  dir.Write("r.reg", kGood + "\"Other\"=dword:2\n");
  EXPECT_EQ(reads_for_scans(40), 1u);
  NTBaseRegHandle h(kHKeyLocalMachine);
  int value = 0;
  ASSERT_EQ(h.openRegistryFolder("\\A\\K"), 1);
  EXPECT_EQ(h.getBoolValueByName("Other", value, 0), 1);
  EXPECT_EQ(value, 2);
}

}  // namespace
