// The registry handle. On POSIX the "registry" is a Windows registry export
// file (the text regedit writes) named by the environment variable
// VANTREL_REGISTRY, so administrators configure the library the way they
// export and import settings on Windows. On Windows it is the system's
// registry, unless VANTREL_REGISTRY names an export file: then that file is
// read instead, as on POSIX (a test or a site can try settings without
// changing the machine's).
//
// Accepted file forms: "Windows Registry Editor Version 5.00" or "REGEDIT4"
// first line; "[HKEY_LOCAL_MACHINE\...]" section lines; values
// "Name"=dword:00000001 or "Name"="1"; CRLF or LF line ends; UTF-8 (with or
// without BOM) or UTF-16LE with BOM. Key paths compare without regard to case.
// Without the variable, the file, the key or the value, the operations answer
// 0 (failure) and leave the out-parameter unchanged. A malformed file is a
// failure, never a crash. A named file that cannot be read (missing,
// unreadable, not a regular file, over 16 MiB) or that is no registry export
// is told once per process on stderr ("vantrel: VANTREL_REGISTRY '...': no
// such file; the settings keep their defaults") and in the trace.
#ifndef VANTREL_PLATFORM_REGISTRY_H_
#define VANTREL_PLATFORM_REGISTRY_H_

#include <cstdint>
#include <map>
#include <string>

namespace vantrel {

enum RegistryRoot {
  kHKeyLocalMachine,
  kHKeyCurrentUser,
};

class NTBaseRegHandle {
 public:
  explicit NTBaseRegHandle(RegistryRoot root);
  ~NTBaseRegHandle();
  NTBaseRegHandle(const NTBaseRegHandle&) = delete;
  NTBaseRegHandle& operator=(const NTBaseRegHandle&) = delete;

  // `path` is the folder below the root, with or without a leading "\".
  // Reads the export file. Non-zero when the folder exists in it.
  int openRegistryFolder(const char* path);
  // Reads a value of the open folder as a flag: a dword, or a string holding
  // a decimal number. Non-zero on success, with `value` set.
  int getBoolValueByName(const char* name, int& value, int reserved);
  void closeRegistryFolder();

 private:
  RegistryRoot root_;
  bool open_ = false;
  // Values of the open folder: lower-cased name -> raw text after "=".
  std::map<std::string, std::string> values_;
};

// Reads the text of an export file for the folder `path` below `root`
// (with or without a leading "\\"). Answers 1 with `values` holding the
// folder's values (lower-cased name -> raw text after "="), 0 when the text
// holds no such folder, -1 when it is no registry export. `values` is left
// alone unless the answer is 1. May throw std::bad_alloc.
int ParseRegistryExport(std::string data, RegistryRoot root, const char* path,
                        std::map<std::string, std::string>& values);

// How many times an export file has been read in this process. A file is
// read once and then only when it changes (its path, size or modification
// time); its folders are kept, process-wide and thread-safe, in between.
uint64_t RegistryFileReads();

// A value's raw text (as ParseRegistryExport keeps it) read as a flag: a
// dword, or a string holding a decimal number. False for anything else.
bool ReadRegistryFlag(const std::string& raw, int& value);

}  // namespace vantrel

#endif  // VANTREL_PLATFORM_REGISTRY_H_
