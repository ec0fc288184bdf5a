// The plug-in loader: finds a plug-in library by its short name, loads it,
// makes objects through its factory and unloads it again.
//
// The search and the factory are those documented for plug-in authors in
// <vantrel/xrx_plugin.h>: the folders of VANTREL_PLUGIN_PATH, then the folder
// of the vantrel library, then the system's search path; the factory
// exported as VANTREL_PLUGIN_FACTORY_NAME.
#ifndef VANTREL_PLATFORM_LOADER_H_
#define VANTREL_PLATFORM_LOADER_H_

#include <string>

namespace vantrel {

// The platform's file name of library `name`: "lib<name>.so",
// "lib<name>.dylib" or "<name>.dll".
std::string PluginFileName(const char* name);

// One plug-in library at a time. Not copyable: it owns the library handle.
class CLoaderLibrary {
 public:
  CLoaderLibrary();
  // Unloads the library if one is still loaded. Objects made by it must be
  // destroyed before.
  virtual ~CLoaderLibrary();
  CLoaderLibrary(const CLoaderLibrary&) = delete;
  CLoaderLibrary& operator=(const CLoaderLibrary&) = delete;

  // Loads library `name` (see PluginFileName). `flags` is not read. Answers
  // non-zero when the library is loaded, also when it already was; a loader
  // holding another library unloads that one first. On failure answers 0
  // and sets the error state and reason.
  int LoadLibraryA(const char* name, long flags);

  // Calls the loaded library's factory with `name` and `arg`. Answers the
  // object, or null (error state and reason set) when no library is loaded,
  // it exports no factory, the factory answers null or throws.
  void* CreateObject(const char* name, long arg);

  // The address of the loaded library's exported symbol `name`, or null
  // (no library loaded, or no such symbol).
  void* FindExport(const char* name) const;

  // Unloads the library. Answers 1 when one was loaded, else 0.
  int ReleaseLibrary();

  // The platform's error number of the last failure, 0 when none:
  // GetLastError() on Windows, errno elsewhere. Where the system's loader
  // gives no number: ENOENT when no file of the name could be loaded from
  // the system's search path or the factory is missing, ENOEXEC when a file
  // found in a folder was refused. GetErrReason() has the loader's text.
  unsigned long GetErrorState() const { return m_errorState; }
  // A readable reason for the last failure, "" when none.
  const char* GetErrReason() const { return m_errReason.c_str(); }
  bool IsLibraryLoaded() const { return m_handle != nullptr; }
  // The file loaded, "" when none.
  const char* GetLibraryPath() const { return m_path.c_str(); }

 private:
  void Fail(unsigned long error, std::string reason);
  bool TryLoad(const std::string& path, bool search);

  void* m_handle = nullptr;
  unsigned long m_errorState = 0;
  std::string m_errReason;
  std::string m_name;  // short name of the loaded library
  std::string m_path;
};

}  // namespace vantrel

#endif  // VANTREL_PLATFORM_LOADER_H_
