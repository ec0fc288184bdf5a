#include "platform/registry.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/trace.h"
#include "platform/utf8.h"
#include "vantrel/parser_if.h"

#if defined(_WIN32)
#include <windows.h>

#include "platform/wide_text.h"
#else
#include <sys/stat.h>
#endif

namespace vantrel {

namespace {

// Export files read, for the tests that count them.
std::atomic<uint64_t> g_file_reads{0};

// A configuration export is a few kilobytes; the cap keeps a wrong variable
// (a disk image, a device) from costing unbounded memory. Larger files are
// refused rather than read in part, since a cut-off tail could drop a later
// override and silently yield an older value.
constexpr size_t kMaxFileSize = 16u << 20;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Path without leading or trailing "\", lower-cased.
std::string NormalizePath(const std::string& path) {
  size_t b = path.find_first_not_of('\\');
  if (b == std::string::npos) return std::string();
  return Lower(path.substr(b, path.find_last_not_of('\\') - b + 1));
}

// Reads the whole file into `data`; on failure answers false with `problem`
// set to why. Only regular files are read (the shared file layer refuses
// FIFOs and devices without blocking on them).
bool ReadFile(const char* path, std::string& data, std::string& problem) {
  int fd = -1;
  int64_t size = 0;
  int status = 0;
  if (!OpenForScan(path, &fd, &size, &status)) {
    problem = VantrelScanStatusText(status);
    return false;
  }
  bool ok = static_cast<uint64_t>(size) <= kMaxFileSize;
  if (!ok) problem = "larger than 16 MiB";
  if (ok) {
    g_file_reads.fetch_add(1, std::memory_order_relaxed);
    data.resize(static_cast<size_t>(size));
    int64_t n = ReadAt(fd, &data[0], data.size(), 0);
    // A file that shrank meanwhile is read as it now is.
    ok = n >= 0;
    if (ok) data.resize(static_cast<size_t>(n));
    if (!ok) problem = VantrelScanStatusText(VANTREL_SCAN_READ_ERROR);
  }
  CloseFile(fd);
  return ok;
}

// What shows that a file changed: its size and modification time (to the
// nanosecond where the system keeps it).
struct FileStamp {
  int64_t size = 0;
  int64_t modified = 0;
  bool operator==(const FileStamp& o) const {
    return size == o.size && modified == o.modified;
  }
};

bool StampOf(const char* path, FileStamp* stamp) {
#if defined(_WIN32)
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard,
                            &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  stamp->size = static_cast<int64_t>(
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  stamp->modified = static_cast<int64_t>(
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime);
#else
  struct stat st {};
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp->size = static_cast<int64_t>(st.st_size);
  stamp->modified =
      static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
  return true;
}

// A folder as read from an export file.
struct CachedFolder {
  std::string file;
  FileStamp stamp;
  RegistryRoot root = kHKeyLocalMachine;
  std::string folder;
  int result = 0;  // as ParseRegistryExport answers
  std::map<std::string, std::string> values;
};

// Process-wide, read-only to a parse but for this cache: the folders last
// read from export files, so that a print server's parses read the file once
// and again only when it changes (path, size or modification time). Any
// thread may use it under the mutex; a few entries cover every setting the
// library reads, and a full cache starts over.
struct FolderCache {
  std::mutex mutex;
  std::vector<CachedFolder> entries;
};
constexpr size_t kMaxCachedFolders = 16;

FolderCache& Cache() {
  static FolderCache* cache = new FolderCache;  // never destroyed: no order
  return *cache;                                // problem at exit
}

// A named file that cannot be used is told once; settings then keep their
// defaults, as without the variable.
void TellFileProblem(const char* file, const char* problem) {
  TellSettingProblem(SettingText("VANTREL_REGISTRY", file) + ": " + problem +
                     "; the settings keep their defaults");
}

// UTF-16LE after the BOM to UTF-8. A dangling odd byte is dropped and an
// unpaired surrogate becomes U+FFFD: both only damage the text around them.
std::string Utf16LeToUtf8(const std::string& in) {
  std::string out;
  out.reserve(in.size() / 2);
  auto unit = [&in](size_t i) {
    return static_cast<unsigned char>(in[i]) |
           static_cast<unsigned>(static_cast<unsigned char>(in[i + 1])) << 8;
  };
  for (size_t i = 2; i + 1 < in.size(); i += 2) {
    unsigned cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < in.size() &&
        unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

// Reads the quoted string that starts `s`, undoing \" and \\.
// Answers the index after the closing quote, or npos when it is missing.
size_t Unquote(const std::string& s, std::string& out) {
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '"') return i + 1;
    if (s[i] == '\\' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return std::string::npos;
}

// True when `key` is `base` or lies below it.
bool Within(const std::string& key, const std::string& base) {
  return base.empty() ||
         (key.compare(0, base.size(), base) == 0 &&
          (key.size() == base.size() || key[base.size()] == '\\'));
}

// "1", "-3", "true", "false" (any case; hand-edited files say what they mean).
bool ParseDecimal(const std::string& text, int& value) {
  std::string t = Lower(Trim(text));
  if (t == "true" || t == "false") {
    value = t == "true";
    return true;
  }
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i == t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (t[0] == '-') v = -v;
  if (v > 2147483647LL) return false;
  value = static_cast<int>(v);
  return true;
}

#if defined(_WIN32)

// Reads the values of the system registry's key `path` below `root` into
// `values`, each as an export file writes it ("dword:00000001", a quoted
// string), so that both sources are read by one reader. Values of other
// types are left out: they are no flags. False when the key is missing or
// cannot be read.
bool ReadSystemKey(RegistryRoot root, const std::string& path,
                   std::map<std::string, std::string>& values) {
  std::string below = path;
  while (!below.empty() && below[0] == '\\') below.erase(0, 1);
  HKEY key = nullptr;
  if (RegOpenKeyExW(root == kHKeyLocalMachine ? HKEY_LOCAL_MACHINE
                                              : HKEY_CURRENT_USER,
                    WideText(below.c_str()).c_str(), 0, KEY_READ,
                    &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD count = 0, longest_name = 0, longest_data = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, &count, &longest_name, &longest_data, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return false;
  }
  std::vector<wchar_t> name(longest_name + 1);
  std::vector<BYTE> data(longest_data + sizeof(wchar_t));
  for (DWORD i = 0; i < count; ++i) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_length = static_cast<DWORD>(data.size() - sizeof(wchar_t));
    DWORD type = 0;
    if (RegEnumValueW(key, i, name.data(), &name_length, nullptr, &type,
                      data.data(), &data_length) != ERROR_SUCCESS) {
      continue;  // changed meanwhile: read as it was
    }
    std::string raw;
    if (type == REG_DWORD && data_length == sizeof(DWORD)) {
      DWORD dword = 0;
      std::memcpy(&dword, data.data(), sizeof dword);
      char hex[16];
      std::snprintf(hex, sizeof hex, "dword:%08lx",
                    static_cast<unsigned long>(dword));
      raw = hex;
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
      size_t length = data_length / sizeof(wchar_t);
      while (length > 0 && text[length - 1] == L'\0') --length;
      raw = "\"";
      for (char c : Utf8Text(text, length)) {
        if (c == '"' || c == '\\') raw += '\\';
        raw += c;
      }
      raw += '"';
    } else {
      continue;
    }
    values[Lower(Utf8Text(name.data(), name_length))] = raw;
  }
  RegCloseKey(key);
  return true;
}

#endif

}  // namespace

uint64_t RegistryFileReads() {
  return g_file_reads.load(std::memory_order_relaxed);
}

NTBaseRegHandle::NTBaseRegHandle(RegistryRoot root) : root_(root) {}
NTBaseRegHandle::~NTBaseRegHandle() = default;

int NTBaseRegHandle::openRegistryFolder(const char* path) {
  closeRegistryFolder();
  try {
    const char* file = std::getenv("VANTREL_REGISTRY");
    if (path == nullptr) return 0;
    if (file == nullptr || *file == '\0') {
#if defined(_WIN32)
      // Without an export file named, the system's own registry.
      std::map<std::string, std::string> values;
      if (!ReadSystemKey(root_, path, values)) return 0;
      values_.swap(values);
      open_ = true;
      return 1;
#else
      return 0;
#endif
    }
    // The stamp is taken before the file is read: a change made while it is
    // read shows as a new stamp at the next parse.
    FileStamp stamp;
    const bool stamped = StampOf(file, &stamp);
    int result = 0;
    bool cached = false;
    if (stamped) {
      FolderCache& cache = Cache();
      std::lock_guard<std::mutex> lock(cache.mutex);
      for (const CachedFolder& entry : cache.entries) {
        if (entry.stamp == stamp && entry.root == root_ &&
            entry.folder == path && entry.file == file) {
          result = entry.result;
          if (result > 0) values_ = entry.values;
          cached = true;
          break;
        }
      }
    }
    if (!cached) {
      std::string data;
      std::string problem;
      if (!ReadFile(file, data, problem)) {
        TellFileProblem(file, problem.c_str());
        return 0;
      }
      std::map<std::string, std::string> values;
      result = ParseRegistryExport(std::move(data), root_, path, values);
      if (stamped) {
        CachedFolder entry;
        entry.file = file;
        entry.stamp = stamp;
        entry.root = root_;
        entry.folder = path;
        entry.result = result;
        entry.values = values;
        FolderCache& cache = Cache();
        std::lock_guard<std::mutex> lock(cache.mutex);
        for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
          if (it->root == root_ && it->folder == path && it->file == file) {
            cache.entries.erase(it);
            break;
          }
        }
        if (cache.entries.size() >= kMaxCachedFolders) cache.entries.clear();
        cache.entries.push_back(std::move(entry));
      }
      if (result > 0) values_.swap(values);
    }
    if (result < 0) TellFileProblem(file, "not a registry export file");
    open_ = result > 0;
    if (!open_) values_.clear();
    return open_ ? 1 : 0;
  } catch (...) {
    closeRegistryFolder();
    return 0;
  }
}

int ParseRegistryExport(std::string data, RegistryRoot root, const char* path,
                        std::map<std::string, std::string>& folder_values) {
  if (path == nullptr) return 0;
  if (data.compare(0, 2, "\xFF\xFE") == 0) {
    data = Utf16LeToUtf8(data);
  } else if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    data.erase(0, 3);
  }
  if (data.empty()) return -1;
  const std::string target = NormalizePath(path);
  const char* const long_root =
      root == kHKeyLocalMachine ? "hkey_local_machine" : "hkey_current_user";
  const char* const short_root = root == kHKeyLocalMachine ? "hklm" : "hkcu";
  bool found = false;
  bool in_target = false;
  bool continued = false;  // the previous line ended in "\"
  std::map<std::string, std::string> values;
  size_t pos = 0;
  for (bool first = true; pos < data.size(); first = false) {
    size_t eol = data.find('\n', pos);
    if (eol == std::string::npos) eol = data.size();
    std::string line = Trim(data.substr(pos, eol - pos));
    pos = eol + 1;
    if (first) {
      if (line != "Windows Registry Editor Version 5.00" &&
          line != "REGEDIT4") {
        return -1;
      }
    } else if (continued && line[0] != '[') {
      // Hex data runs on over lines ending in "\". A section line still
      // starts a section, so a cut-off value cannot swallow the next key.
      continued = !line.empty() && line.back() == '\\';
    } else if (line[0] == '[') {
      continued = false;
      // A key name may hold "]", so the section ends at the last one. A
      // broken section line still ends the previous section, so its values
      // are not credited to the wrong key.
      in_target = false;
      size_t close = line.rfind(']');
      if (close == std::string::npos) continue;
      bool erase = line[1] == '-';
      size_t start = erase ? 2 : 1;
      std::string key = Lower(line.substr(start, close - start));
      std::string root_name = key.substr(0, key.find('\\'));
      if (root_name != long_root && root_name != short_root) continue;
      key = NormalizePath(key.substr(root_name.size()));
      if (erase) {
        // Deleting a key deletes everything below it.
        if (Within(target, key)) {
          found = false;
          values.clear();
        }
      } else {
        // Importing a subkey creates the keys above it.
        found = found || Within(key, target);
        in_target = key == target;
      }
    } else if (line[0] == '"' || line[0] == '@') {
      continued = line.back() == '\\';
      if (!in_target) continue;
      // "@" is the default value, read through the empty name.
      std::string name;
      size_t after = line[0] == '@' ? 1 : Unquote(line, name);
      if (after == std::string::npos) continue;
      std::string rest = Trim(line.substr(after));
      if (rest.empty() || rest[0] != '=') continue;
      std::string raw = Trim(rest.substr(1));
      if (raw == "-") {
        values.erase(Lower(name));
      } else {
        values[Lower(name)] = raw;
      }
    }
    // Comments (";"), blank lines and other text are ignored.
  }
  if (!found) return 0;
  folder_values.swap(values);
  return 1;
}

int NTBaseRegHandle::getBoolValueByName(const char* name, int& value,
                                        int /*reserved*/) {
  if (!open_ || name == nullptr) return 0;
  try {
    auto it = values_.find(Lower(name));
    if (it == values_.end()) return 0;
    return ReadRegistryFlag(it->second, value) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

bool ReadRegistryFlag(const std::string& raw, int& value) {
  if (Lower(raw.substr(0, 6)) == "dword:") {
    std::string hex = raw.substr(6);
    if (hex.empty() || hex.size() > 8 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return false;
    }
    // Two's complement, as the registry hands a dword to an int.
    value = static_cast<int>(std::stoul(hex, nullptr, 16));
    return true;
  }
  std::string text;
  if (!raw.empty() && raw[0] == '"') {
    size_t after = Unquote(raw, text);
    int parsed = 0;
    if (after == raw.size() && ParseDecimal(text, parsed)) {
      value = parsed;
      return true;
    }
  }
  return false;  // other types (hex:, hex(b):, ...) are not flags
}

void NTBaseRegHandle::closeRegistryFolder() {
  open_ = false;
  values_.clear();
}

}  // namespace vantrel
