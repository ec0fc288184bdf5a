#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include "vantrel/parser_if.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vantrel {

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

#if defined(_WIN32)

bool OpenForScan(const char* path, int* fd, int64_t* size, int* status) {
  int handle = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (handle < 0) {
    *status = StatusFromErrno(errno);
    return false;
  }
  struct _stati64 st {};
  if (_fstati64(handle, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    *status = (st.st_mode & _S_IFMT) == _S_IFDIR
                  ? VANTREL_SCAN_IS_DIRECTORY
                  : VANTREL_SCAN_NOT_REGULAR_FILE;
    _close(handle);
    return false;
  }
  *fd = handle;
  *size = st.st_size;
  return true;
}

int64_t ReadAt(int fd, char* buffer, size_t count, int64_t offset) {
  if (_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
  size_t done = 0;
  while (done < count) {
    int n = _read(fd, buffer + done, static_cast<unsigned>(count - done));
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

void CloseFile(int fd) { _close(fd); }

int CreateNewFile(const char* path) {
  // _O_EXCL fails on any existing name, a link included.
  return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
}

bool WriteAll(int fd, const char* data, size_t count) {
  while (count > 0) {
    const unsigned chunk =
        count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
    int n = _write(fd, data, chunk);
    if (n <= 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
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
