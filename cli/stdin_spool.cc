#include "stdin_spool.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vantrel_cli {

namespace {

constexpr size_t kCopyBufferSize = 65536;

#if defined(_WIN32)
std::string TemporaryFolder() {
  char folder[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n > sizeof folder) return ".\\";
  return std::string(folder, n);
}

// A new file of our own (never an existing one) in the temporary folder.
int CreateSpoolFile(std::string& path) {
  const std::string folder = TemporaryFolder();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    char name[MAX_PATH + 1];
    if (GetTempFileNameA(folder.c_str(), "vtl", 0, name) == 0) break;
    // GetTempFileName made the file; open it again, keeping it ours.
    const int fd = _open(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (fd >= 0) {
      path = name;
      return fd;
    }
    DeleteFileA(name);
  }
  path = folder;
  return -1;
}

long ReadSome(int fd, char* buffer, size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(size));
}
long WriteSome(int fd, const char* buffer, size_t size) {
  return _write(fd, buffer, static_cast<unsigned>(size));
}
int CloseFile(int fd) { return _close(fd); }
void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }
void BinaryInput(int fd) { _setmode(fd, _O_BINARY); }
#else
int CreateSpoolFile(std::string& path) {
  const char* folder = std::getenv("TMPDIR");
  std::string base = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  if (base.back() != '/') base += '/';
  std::vector<char> name(base.begin(), base.end());
  const char kPattern[] = "vantrel-stdin-XXXXXX";
  name.insert(name.end(), kPattern, kPattern + sizeof kPattern);
  // mkstemp: a new file, mode 0600, that no other user can read or replace.
  const int fd = mkstemp(name.data());
  path = fd >= 0 ? std::string(name.data()) : base;
  return fd;
}

long ReadSome(int fd, char* buffer, size_t size) {
  ssize_t n;
  do {
    n = read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}
long WriteSome(int fd, const char* buffer, size_t size) {
  ssize_t n;
  do {
    n = write(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}
int CloseFile(int fd) { return close(fd); }
void RemoveFile(const std::string& path) { unlink(path.c_str()); }
void BinaryInput(int) {}
#endif

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const long n = WriteSome(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

StdinSpool::~StdinSpool() {
  if (!path_.empty()) RemoveFile(path_);
}

bool StdinSpool::Fill(int fd, std::string& error) {
  if (!path_.empty()) {
    RemoveFile(path_);
    path_.clear();
  }
  std::string path;
  const int out = CreateSpoolFile(path);
  if (out < 0) {
    error = "cannot create a temporary file in " + path + ": " +
            std::strerror(errno);
    return false;
  }
  BinaryInput(fd);
  std::vector<char> buffer(kCopyBufferSize);
  bool ok = true;
  for (;;) {
    const long n = ReadSome(fd, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      error = std::string("cannot read standard input: ") + std::strerror(errno);
      ok = false;
      break;
    }
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
      error = "cannot write the temporary file " + path + ": " +
              std::strerror(errno);
      ok = false;
      break;
    }
  }
  if (CloseFile(out) != 0 && ok) {
    error = "cannot write the temporary file " + path + ": " +
            std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    RemoveFile(path);
    return false;
  }
  path_ = path;
  return true;
}

}  // namespace vantrel_cli
