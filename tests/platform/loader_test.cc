#include "platform/loader.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace vantrel {
namespace {

#if defined(_WIN32)
constexpr char kListSeparator[] = ";";
constexpr char kJoin[] = "\\";
constexpr unsigned long kNotFound = 126;  // ERROR_MOD_NOT_FOUND
constexpr unsigned long kRefused = 193;   // ERROR_BAD_EXE_FORMAT
#else
constexpr char kListSeparator[] = ":";
constexpr char kJoin[] = "/";
constexpr unsigned long kNotFound = ENOENT;
constexpr unsigned long kRefused = ENOEXEC;
#endif

TEST(PluginLoader, SearchesThePathFoldersInOrderAndSkipsWhatCannotLoad) {
  const std::string scripted = VANTREL_TEST_PLUGIN_DIR;
  const std::string no_factory = VANTREL_TEST_NOFACTORY_PLUGIN_DIR;
  const std::string file = kJoin + PluginFileName("XRXParseDLL");
  const std::string sep = kListSeparator;
  vantrel_test::TempDir dir;
  const std::string broken = dir.path() + "/broken";
  std::filesystem::create_directory(broken);
  dir.Write("broken/" + PluginFileName("XRXParseDLL"), "not a library");
  const struct {
    std::string path;    // VANTREL_PLUGIN_PATH
    std::string loaded;  // "" when nothing loads
    unsigned long error;
  } kCases[] = {
      {"", "", kNotFound},
      {dir.path(), "", kNotFound},
      // Empty entries never stand for the current folder.
      {sep + sep + scripted + sep, scripted + file, 0},
      {dir.path() + "/missing" + sep + no_factory + sep + scripted, no_factory + file, 0},
      // A file that does not load is passed over, and reported when nothing
      // else loads.
      {broken + sep + scripted, scripted + file, 0},
      {broken, "", kRefused},
      // Folders named from the current one are never searched: a host that
      // changes folder would take code from wherever it went.
      {std::filesystem::relative(scripted).string(), "", kNotFound},
      {"." + sep + std::filesystem::relative(scripted).string(), "", kNotFound},
  };
  for (const auto& c : kCases) {
    vantrel_test::ScopedEnv env("VANTREL_PLUGIN_PATH", c.path.c_str());
    CLoaderLibrary loader;
    const int loaded = c.loaded.empty() ? 0 : 1;
    EXPECT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), loaded) << c.path;
    EXPECT_EQ(loader.GetLibraryPath(), c.loaded) << c.path;
    EXPECT_EQ(loader.GetErrorState(), c.error) << c.path;
    const std::string reason = loader.GetErrReason();
    EXPECT_EQ(reason.empty(), c.error == 0) << c.path;
    // A refused file is named in the reason.
    EXPECT_TRUE(c.error != kRefused || reason.rfind(broken, 0) == 0) << reason;
    // Loaded once: a second load keeps it, one release ends it.
    EXPECT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), loaded) << c.path;
    EXPECT_EQ(loader.ReleaseLibrary(), loaded) << c.path;
    EXPECT_EQ(loader.ReleaseLibrary(), 0) << c.path;
  }
}

}  // namespace
}  // namespace vantrel
