#include "platform/loader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/trace.h"
#include "vantrel/xrx_plugin.h"

#if defined(_WIN32)
#include <windows.h>

#include "platform/wide_text.h"
#else
#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#endif

namespace vantrel {
namespace {

#if defined(_WIN32)
constexpr char kListSeparator = ';';
bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }
constexpr char kFolderSeparator = '\\';
#else
constexpr char kListSeparator = ':';
bool IsFolderSeparator(char c) { return c == '/'; }
constexpr char kFolderSeparator = '/';
#endif

constexpr char kPathVariable[] = "VANTREL_PLUGIN_PATH";

// Any object of this module: its address tells which file the module was
// loaded from.
const char kModuleAnchor = 0;

std::string Join(const std::string& folder, const std::string& file) {
  if (folder.empty() || IsFolderSeparator(folder.back())) return folder + file;
  return folder + kFolderSeparator + file;
}

// True for a folder named from the root: "/..." on POSIX; "X:\...",
// "X:/...", a UNC "\\server\..." or a folder from the root of the current
// drive ("\..." or "/...") on Windows. "X:folder" and "folder" are named
// from the current folder, which a host may change.
bool IsAbsoluteFolder(const std::string& folder) {
#if defined(_WIN32)
  if (folder.size() >= 3 && folder[1] == ':' && IsFolderSeparator(folder[2])) {
    return true;
  }
  return !folder.empty() && IsFolderSeparator(folder[0]);
#else
  return !folder.empty() && folder[0] == '/';
#endif
}

// The folder of the file that holds this code: the vantrel library, or the
// program when it links the library statically. "" when unknown.
//
// Resolved to a full path once, when the library is loaded: the system
// keeps the name a host loaded the library by, and a relative one
// ("build/libvantrel.so") would otherwise be resolved against whatever
// folder the host is in at each parse, letting that folder supply code.
std::string ResolveOwnFolder() {
  std::string file;
#if defined(_WIN32)
  HMODULE module = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module)) {
    // The name in full, however long; a cut one would name another folder.
    // The system always names a loaded module by its full path.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n =
          GetModuleFileNameW(module, &name[0], static_cast<DWORD>(name.size()));
      if (n == 0) break;
      if (n < name.size()) {
        file = Utf8Text(name.c_str(), n);
        break;
      }
      if (name.size() >= 32768) break;
      name.resize(name.size() * 2);
    }
  }
#else
  Dl_info info{};
  if (dladdr(&kModuleAnchor, &info) != 0 && info.dli_fname != nullptr) {
    // realpath also resolves a name found through the loader's search,
    // which dladdr may give without a folder.
    if (char* full = ::realpath(info.dli_fname, nullptr)) {
      file = full;
      std::free(full);
    }
  }
#endif
  size_t cut = file.size();
  while (cut > 0 && !IsFolderSeparator(file[cut - 1])) --cut;
  std::string folder = file.substr(0, cut);
  // Whatever could not be resolved in full names no folder at all.
  return IsAbsoluteFolder(folder) ? folder : std::string();
}

// Made by the library's load, before any host code can change folder;
// read-only afterwards.
const std::string g_own_folder = ResolveOwnFolder();

// The folders searched before the system's own search path, in order.
// Empty and relative entries of the variable are skipped, and a relative one
// is told once: taken as the current folder, or resolved against it, they
// would let whatever folder a host runs in supply code.
std::vector<std::string> SearchFolders() {
  std::vector<std::string> folders;
  if (const char* list = std::getenv(kPathVariable)) {
    const char* p = list;
    while (true) {
      const char* end = std::strchr(p, kListSeparator);
      const size_t n =
          end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
      if (n > 0) {
        std::string folder(p, n);
        if (IsAbsoluteFolder(folder)) {
          folders.push_back(std::move(folder));
        } else {
          TellSettingProblem(SettingText(kPathVariable, folder.c_str()) +
                             " is not a full path; the folder is not searched");
        }
      }
      if (end == nullptr) break;
      p = end + 1;
    }
  }
  if (!g_own_folder.empty()) folders.push_back(g_own_folder);
  return folders;
}

bool FileExists(const std::string& path) {
#if defined(_WIN32)
  const DWORD attributes = GetFileAttributesW(WideText(path.c_str()).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
#else
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
#endif
}

#if defined(_WIN32)
// `path` as the altered search wants it: a full path with backslashes.
std::wstring FullPathForLoad(const std::string& path) {
  std::wstring wide = WideText(path.c_str());
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()),
                             &full[0], nullptr);
  if (n >= full.size()) {
    full.resize(n);
    n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()),
                         &full[0], nullptr);
  }
  if (n > 0 && n < full.size()) {
    full.resize(n);
    wide = full;
  }
  return wide;
}

// The system's text for an error code, without its final line end and
// period; empty when the system has none.
std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  std::string why;
  if (FormatMessageW(
          FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
              FORMAT_MESSAGE_IGNORE_INSERTS,
          nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr) != 0 &&
      text != nullptr) {
    why = Utf8Text(text, wcslen(text));
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' ||
                            why.back() == ' ' || why.back() == '.')) {
      why.pop_back();
    }
  }
  if (text != nullptr) LocalFree(text);
  return why;
}
#endif

// Loads `path` (a full path, or with `search` a bare file name for the
// system's search). Null on failure, with the platform's error number and
// reason.
void* OpenLibrary(const std::string& path, bool search, unsigned long* error,
                  std::string* reason) {
#if defined(_WIN32)
  // No error dialog box for a broken file: the failure is reported instead.
  DWORD old_mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old_mode);
  HMODULE module = nullptr;
  DWORD code = 0;
  if (search) {
    // The system's search without the current folder (as on POSIX, the
    // folder a host runs in supplies no code): the program's folder, the
    // system folders and those a host added.
    module = LoadLibraryExW(WideText(path.c_str()).c_str(), nullptr,
                            LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    code = GetLastError();
    if (module == nullptr && code == ERROR_INVALID_PARAMETER) {
      // A system without the search flags.
      module = LoadLibraryExW(WideText(path.c_str()).c_str(), nullptr, 0);
      code = GetLastError();
    }
  } else {
    // A file in a folder: loaded by its full name, its own dependencies
    // looked for in its folder first. The altered search needs a full path
    // with backslashes.
    module = LoadLibraryExW(FullPathForLoad(path).c_str(), nullptr,
                            LOAD_WITH_ALTERED_SEARCH_PATH);
    code = GetLastError();
  }
  SetThreadErrorMode(old_mode, nullptr);
  if (module == nullptr) {
    *error = code;
    // Named like the POSIX loader's text: the file, then why.
    const std::string why = SystemErrorText(code);
    *reason = path + ": " + (why.empty() ? "cannot be loaded" : why) +
              " (error " + std::to_string(code) + ")";
  }
  return reinterpret_cast<void*>(module);
#else
  errno = 0;
  // RTLD_NOW: a plug-in with unresolved symbols is refused here instead of
  // failing in the middle of a scan. RTLD_LOCAL: its symbols stay its own.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    // The system's loader tells what went wrong in text only. Without a
    // number, a search that failed found nothing usable, and a file that
    // exists is one the loader refused.
    const int code = errno != 0 ? errno : (search ? ENOENT : ENOEXEC);
    *error = static_cast<unsigned long>(code);
    const char* text = dlerror();
    *reason = text != nullptr ? text : "cannot load " + path;
  }
  return handle;
#endif
}

void* FindSymbol(void* handle, const char* name) {
#if defined(_WIN32)
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

void CloseLibrary(void* handle) {
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

}  // namespace

std::string PluginFileName(const char* name) {
#if defined(_WIN32)
  return std::string(name) + ".dll";
#elif defined(__APPLE__)
  return "lib" + std::string(name) + ".dylib";
#else
  return "lib" + std::string(name) + ".so";
#endif
}

CLoaderLibrary::CLoaderLibrary() = default;

CLoaderLibrary::~CLoaderLibrary() { ReleaseLibrary(); }

void CLoaderLibrary::Fail(unsigned long error, std::string reason) {
  m_errorState = error;
  m_errReason = std::move(reason);
}

int CLoaderLibrary::LoadLibraryA(const char* name, long /*flags*/) {
  if (name == nullptr || *name == '\0') {
    Fail(EINVAL, "no library name");
    return 0;
  }
  if (m_handle != nullptr) {
    if (m_name == name) return 1;
    ReleaseLibrary();
  }
  const std::string file = PluginFileName(name);
  // The first file found that fails to load gives the error: it is the one
  // the folders pointed at, even when the search goes on past it.
  unsigned long first_error = 0;
  std::string first_reason;
  for (const std::string& folder : SearchFolders()) {
    const std::string path = Join(folder, file);
    if (!FileExists(path)) continue;
    unsigned long error = 0;
    std::string reason;
    m_handle = OpenLibrary(path, false, &error, &reason);
    if (m_handle != nullptr) {
      m_path = path;
      break;
    }
    if (first_error == 0) {
      first_error = error;
      first_reason = std::move(reason);
    }
  }
  if (m_handle == nullptr) {
    unsigned long error = 0;
    std::string reason;
    m_handle = OpenLibrary(file, true, &error, &reason);
    if (m_handle != nullptr) {
      m_path = file;
    } else if (first_error != 0) {
      Fail(first_error, std::move(first_reason));
    } else {
      Fail(error, std::move(reason));
    }
  }
  if (m_handle == nullptr) return 0;
  m_name = name;
  m_errorState = 0;
  m_errReason.clear();
  return 1;
}

void* CLoaderLibrary::CreateObject(const char* name, long arg) {
  if (m_handle == nullptr) {
    Fail(ENOENT, "no library loaded");
    return nullptr;
  }
  void* symbol = FindSymbol(m_handle, VANTREL_PLUGIN_FACTORY_NAME);
  if (symbol == nullptr) {
    Fail(ENOENT, m_path + " exports no " VANTREL_PLUGIN_FACTORY_NAME);
    return nullptr;
  }
  VantrelCreateObjectFn factory =
      reinterpret_cast<VantrelCreateObjectFn>(symbol);
  void* object = nullptr;
  try {
    object = factory(name, arg);
  } catch (...) {
    Fail(EINVAL, std::string(VANTREL_PLUGIN_FACTORY_NAME "(") +
                     (name != nullptr ? name : "") + ") threw");
    return nullptr;
  }
  if (object == nullptr) {
    Fail(EINVAL, std::string(VANTREL_PLUGIN_FACTORY_NAME "(") +
                     (name != nullptr ? name : "") + ") answered null");
  }
  return object;
}

void* CLoaderLibrary::FindExport(const char* name) const {
  if (m_handle == nullptr || name == nullptr) return nullptr;
  return FindSymbol(m_handle, name);
}

int CLoaderLibrary::ReleaseLibrary() {
  if (m_handle == nullptr) return 0;
  CloseLibrary(m_handle);
  m_handle = nullptr;
  m_name.clear();
  m_path.clear();
  return 1;
}

}  // namespace vantrel
