#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include "vantrel/parser_if.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <string>

#include "platform/wide_text.h"
#else
#include <unistd.h>
#endif

namespace vantrel {

#if !defined(_WIN32)
namespace {

int StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return VANTREL_SCAN_NO_SUCH_FILE;
    case EACCES:
    case EPERM:
      return VANTREL_SCAN_PERMISSION_DENIED;
    case EISDIR:
      return VANTREL_SCAN_IS_DIRECTORY;
    case ENAMETOOLONG:
      return VANTREL_SCAN_PATH_TOO_LONG;
    default:
      return VANTREL_SCAN_READ_ERROR;
  }
}

}  // namespace
#endif

#if defined(_WIN32)

namespace {

// The longest name a component may have on the file systems Windows uses.
constexpr size_t kMaxComponent = 255;

bool HasOverlongComponent(const std::wstring& path) {
  size_t run = 0;
  for (wchar_t c : path) {
    run = (c == L'\\' || c == L'/') ? 0 : run + 1;
    if (run > kMaxComponent) return true;
  }
  return false;
}

int StatusFromWindowsError(DWORD error, const std::wstring& path) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
      // A name beyond the limits is reported as such, whatever error the
      // system gives for it.
      return path.size() >= MAX_PATH || HasOverlongComponent(path)
                 ? VANTREL_SCAN_PATH_TOO_LONG
                 : VANTREL_SCAN_NO_SUCH_FILE;
    case ERROR_FILENAME_EXCED_RANGE:
      return VANTREL_SCAN_PATH_TOO_LONG;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return VANTREL_SCAN_PERMISSION_DENIED;
    default:
      return VANTREL_SCAN_READ_ERROR;
  }
}

int ErrnoFromWindowsError(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

// A descriptor of the C runtime that owns `handle` (closing it closes the
// handle), or -1 with the handle closed.
int Descriptor(HANDLE handle, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (fd < 0) CloseHandle(handle);
  return fd;
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

bool OpenForScan(const char* path, int* fd, int64_t* size, int* status) {
  // The wide-character API, so that a name in any script is found; the
  // name comes as UTF-8.
  const std::wstring wide = WideText(path);
  if (wide.empty()) {
    *status = VANTREL_SCAN_NO_SUCH_FILE;
    return false;
  }
  if (HasOverlongComponent(wide)) {
    *status = VANTREL_SCAN_PATH_TOO_LONG;
    return false;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *status = VANTREL_SCAN_IS_DIRECTORY;
    return false;
  }
  // Others may go on reading, writing, renaming or deleting the file while
  // it is scanned, as on POSIX.
  HANDLE handle = CreateFileW(
      wide.c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
      nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *status = StatusFromWindowsError(GetLastError(), wide);
    return false;
  }
  // Pipes, consoles and devices are no print files.
  LARGE_INTEGER length{};
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileSizeEx(handle, &length)) {
    CloseHandle(handle);
    *status = VANTREL_SCAN_NOT_REGULAR_FILE;
    return false;
  }
  const int descriptor = Descriptor(handle, _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    *status = VANTREL_SCAN_READ_ERROR;
    return false;
  }
  *fd = descriptor;
  *size = static_cast<int64_t>(length.QuadPart);
  return true;
}

bool SizeOfDescriptor(int fd, int64_t* size, int* status) {
  HANDLE handle = fd >= 0 ? HandleOf(fd) : INVALID_HANDLE_VALUE;
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    *status = VANTREL_SCAN_READ_ERROR;
    return false;
  }
  LARGE_INTEGER length{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      !GetFileSizeEx(handle, &length)) {
    *status = VANTREL_SCAN_NOT_REGULAR_FILE;
    return false;
  }
  *size = static_cast<int64_t>(length.QuadPart);
  return true;
}

int64_t ReadAt(int fd, char* buffer, size_t count, int64_t offset) {
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  size_t done = 0;
  while (done < count) {
    // Each read names its offset, as pread does.
    const uint64_t at = static_cast<uint64_t>(offset) + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = count - done > (1u << 30)
                           ? (1u << 30)
                           : static_cast<DWORD>(count - done);
    DWORD n = 0;
    if (!ReadFile(handle, buffer + done, want, &n, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return static_cast<int64_t>(done);
}

void CloseFile(int fd) { _close(fd); }

int CreateNewFile(const char* path) {
  const std::wstring wide = WideText(path);
  if (wide.empty()) {
    errno = ENOENT;
    return -1;
  }
  // CREATE_NEW fails on any existing name, a link or junction included;
  // FILE_FLAG_OPEN_REPARSE_POINT keeps the call from ever acting on what a
  // reparse point names.
  HANDLE handle = CreateFileW(
      wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder at the name answers "access denied": the name is taken.
    errno = error == ERROR_ACCESS_DENIED &&
                    GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES
                ? EEXIST
                : ErrnoFromWindowsError(error);
    return -1;
  }
  // What was opened is the new plain file; anything else is a name that
  // was taken.
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes &
       (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
      GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    errno = EEXIST;
    return -1;
  }
  const int fd = Descriptor(handle, _O_WRONLY | _O_BINARY);
  if (fd < 0) errno = EMFILE;
  return fd;
}

bool WriteAll(int fd, const char* data, size_t count) {
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return false;
  while (count > 0) {
    const DWORD chunk =
        count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
    DWORD n = 0;
    if (!WriteFile(handle, data, chunk, &n, nullptr) || n == 0) return false;
    data += n;
    count -= n;
  }
  return true;
}

bool CloseWritten(int fd) { return _close(fd) == 0; }

#else

bool OpenForScan(const char* path, int* fd, int64_t* size, int* status) {
  // O_NONBLOCK keeps a FIFO from blocking the open; such files are refused
  // below anyway, and the flag has no effect on regular files.
  int handle;
  do {
    handle = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) {
    *status = StatusFromErrno(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode)) {
    *status = S_ISDIR(st.st_mode) ? VANTREL_SCAN_IS_DIRECTORY
                                  : VANTREL_SCAN_NOT_REGULAR_FILE;
    ::close(handle);
    return false;
  }
  *fd = handle;
  *size = static_cast<int64_t>(st.st_size);
  return true;
}

bool SizeOfDescriptor(int fd, int64_t* size, int* status) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    *status = VANTREL_SCAN_READ_ERROR;
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *status = S_ISDIR(st.st_mode) ? VANTREL_SCAN_IS_DIRECTORY
                                  : VANTREL_SCAN_NOT_REGULAR_FILE;
    return false;
  }
  *size = static_cast<int64_t>(st.st_size);
  return true;
}

int64_t ReadAt(int fd, char* buffer, size_t count, int64_t offset) {
  size_t done = 0;
  while (done < count) {
    ssize_t n =
        ::pread(fd, buffer + done, count - done,
                static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

void CloseFile(int fd) { ::close(fd); }

int CreateNewFile(const char* path) {
  int fd;
  do {
    // O_EXCL with O_CREAT never follows a link at the name; O_NOFOLLOW says
    // so again for systems that would.
    fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WriteAll(int fd, const char* data, size_t count) {
  while (count > 0) {
    ssize_t n = ::write(fd, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool CloseWritten(int fd) {
  // After close() fails the descriptor is gone either way; EINTR is no
  // reason to retry.
  return ::close(fd) == 0 || errno == EINTR;
}

#endif

}  // namespace vantrel
