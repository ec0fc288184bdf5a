#include "stdin_spool.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
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

// A new file of our own (never an existing one) in the temporary folder,
// deleted by the system when its last handle closes, however the tool ends.
int CreateSpoolFile(std::string& folder) {
  folder = TemporaryFolder();
  const unsigned seed = GetTickCount() ^ GetCurrentProcessId();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    char name[MAX_PATH + 1];
    // A unique number of our own: GetTempFileName makes no file then.
    if (GetTempFileNameA(folder.c_str(), "vtl", ((seed + attempt) & 0xFFFF) | 1,
                         name) == 0) {
      break;
    }
    HANDLE handle = CreateFileA(
        name, GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      errno = GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
      return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   _O_RDWR | _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    return fd;
  }
  errno = EEXIST;
  return -1;
}

bool IsOpen(int fd) { return _get_osfhandle(fd) != -1; }

long ReadSome(int fd, char* buffer, size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(size));
}
long WriteSome(int fd, const char* buffer, size_t size) {
  return _write(fd, buffer, static_cast<unsigned>(size));
}
int CloseFile(int fd) { return _close(fd); }
void BinaryInput(int fd) { _setmode(fd, _O_BINARY); }
#else
// A new file (mode 0600, that no other user can read or replace) in the
// temporary folder, unlinked before anything else happens: the terminating
// signals are held off from its creation to its unlinking, so that none can
// end the tool while the file has a name.
int CreateSpoolFile(std::string& folder) {
  const char* from_environment = std::getenv("TMPDIR");
  folder = from_environment != nullptr && *from_environment != '\0'
               ? from_environment
               : "/tmp";
  if (folder.back() != '/') folder += '/';
  std::vector<char> name(folder.begin(), folder.end());
  const char kPattern[] = "vantrel-stdin-XXXXXX";
  name.insert(name.end(), kPattern, kPattern + sizeof kPattern);
  sigset_t held, before;
  sigemptyset(&held);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
    sigaddset(&held, signal);
  }
  sigprocmask(SIG_BLOCK, &held, &before);
  const int fd = mkstemp(name.data());
  const int error = errno;
  if (fd >= 0) unlink(name.data());
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
  errno = error;
  return fd;
}

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

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
  if (fd_ >= 0) CloseFile(fd_);
}

bool StdinSpool::Fill(int fd, std::string& error) {
  if (fd_ >= 0) {
    CloseFile(fd_);
    fd_ = -1;
  }
  // A closed input is no empty job. Asked before the spool is made, which
  // would otherwise take the free descriptor number and be read as input.
  if (fd < 0 || !IsOpen(fd)) {
    error = std::string("cannot read standard input: ") + std::strerror(EBADF);
    return false;
  }
  std::string folder;
  const int out = CreateSpoolFile(folder);
  if (out < 0) {
    error = "cannot create a temporary file in " + folder + ": " +
            std::strerror(errno);
    return false;
  }
  BinaryInput(fd);
  std::vector<char> buffer(kCopyBufferSize);
  for (;;) {
    const long n = ReadSome(fd, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      error = std::string("cannot read standard input: ") + std::strerror(errno);
      CloseFile(out);
      return false;
    }
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
      error = "cannot write a temporary file in " + folder + ": " +
              std::strerror(errno);
      CloseFile(out);
      return false;
    }
  }
  fd_ = out;
  return true;
}

}  // namespace vantrel_cli
