#include "platform/loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "support/test_support.h"
#include "vantrel/xrx_plugin.h"

namespace vantrel {
namespace {

using vantrel_test::ScopedEnv;
using vantrel_test::TempDir;

const std::string kScripted = VANTREL_TEST_PLUGIN_DIR;
const std::string kNoFactory = VANTREL_TEST_NOFACTORY_PLUGIN_DIR;

TEST(PluginLoader, SearchesThePathFoldersInOrderAndSkipsWhatCannotLoad) {
  TempDir dir;
  const std::string empty = dir.path();
  const std::string broken = dir.path() + "/broken";
  mkdir(broken.c_str(), 0755);
  dir.Write("broken/" + PluginFileName("XRXParseDLL"), "not a library");
  const std::string file = "/" + PluginFileName("XRXParseDLL");
  static const struct {
    std::string path;    // VANTREL_PLUGIN_PATH
    std::string loaded;  // "" when nothing loads
    unsigned long error;
  } kCases[] = {
      {"", "", ENOENT},
      {empty, "", ENOENT},
      // Empty entries never stand for the current folder.
      {"::" + kScripted + ":", kScripted + file, 0},
      {empty + "/missing:" + kNoFactory + ":" + kScripted, kNoFactory + file,
       0},
      // A file that cannot load is passed over, and reported when nothing
      // else loads.
      {broken + ":" + kScripted, kScripted + file, 0},
      {broken, "", ENOEXEC},
  };
  for (const auto& c : kCases) {
    ScopedEnv env("VANTREL_PLUGIN_PATH", c.path.c_str());
    CLoaderLibrary loader;
    EXPECT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), c.loaded.empty() ? 0 : 1)
        << c.path;
    EXPECT_EQ(loader.GetLibraryPath(), c.loaded) << c.path;
    EXPECT_EQ(loader.IsLibraryLoaded(), !c.loaded.empty()) << c.path;
    EXPECT_EQ(loader.GetErrorState(), c.error) << c.path;
    EXPECT_EQ(*loader.GetErrReason() == '\0', c.error == 0) << c.path;
    if (c.error == ENOEXEC) {
      EXPECT_NE(std::string(loader.GetErrReason()).find(broken),
                std::string::npos)
          << loader.GetErrReason();
    }
  }
}

TEST(PluginLoader, LoadsOnceAndReleasesOnce) {
  ScopedEnv env("VANTREL_PLUGIN_PATH", kScripted.c_str());
  CLoaderLibrary loader;
  ASSERT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), 1);
  EXPECT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), 1);
  EXPECT_EQ(loader.ReleaseLibrary(), 1);
  EXPECT_EQ(loader.ReleaseLibrary(), 0);
  EXPECT_FALSE(loader.IsLibraryLoaded());
  EXPECT_EQ(loader.CreateObject(VANTREL_XRX_OBJECT_NAME, 0), nullptr);
  EXPECT_STREQ(loader.GetErrReason(), "no library loaded");
}

TEST(PluginLoader, CreateObjectReportsAMissingFactoryAndANullObject) {
  static const struct {
    std::string dir;
    const char* script;
    const char* name;
    std::string reason;  // "" when an object is made
  } kCases[] = {
      {kScripted, "", VANTREL_XRX_OBJECT_NAME, ""},
      {kScripted, "object=null", VANTREL_XRX_OBJECT_NAME,
       "VantrelCreateObject(XRXParseDll) answered null"},
      {kNoFactory, "", VANTREL_XRX_OBJECT_NAME,
       kNoFactory + "/" + PluginFileName("XRXParseDLL") +
           " exports no VantrelCreateObject"},
  };
  for (const auto& c : kCases) {
    ScopedEnv env("VANTREL_PLUGIN_PATH", c.dir.c_str());
    ScopedEnv script("VANTREL_TEST_XRX_SCRIPT", c.script);
    CLoaderLibrary loader;
    ASSERT_EQ(loader.LoadLibraryA("XRXParseDLL", 1), 1) << c.dir;
    void* object = loader.CreateObject(c.name, 0);
    EXPECT_EQ(object == nullptr, !c.reason.empty()) << c.script;
    EXPECT_EQ(loader.GetErrReason(), c.reason) << c.script;
    delete static_cast<CParseXRXCommentsIf*>(object);
  }
}

}  // namespace
}  // namespace vantrel
