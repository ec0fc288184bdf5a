// Reading the print file (open with its size, positioned reads, close) and
// creating the files extracted from it.
// 64-bit offsets throughout, so files over 4 GB scan correctly.
#ifndef VANTREL_PLATFORM_FILE_H_
#define VANTREL_PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>

namespace vantrel {

// Opens `path` read-only (close-on-exec) and answers its size. Only regular
// files are accepted. On failure answers false with `status` set to a
// VantrelScanStatus and no descriptor left open.
bool OpenForScan(const char* path, int* fd, int64_t* size, int* status);

// The size of the regular file open on the host's descriptor `fd` (on
// Windows a descriptor of the C runtime). A descriptor that is closed, or
// open on a pipe, console, device or folder, answers false with `status`
// set (VANTREL_SCAN_READ_ERROR for a closed one, VANTREL_SCAN_NOT_REGULAR_FILE
// for what cannot be read at an offset). The descriptor is left as it is.
bool SizeOfDescriptor(int fd, int64_t* size, int* status);

// Reads up to `count` bytes at `offset`, retrying short reads and
// interrupted calls until `count` bytes or the end of the file. Answers the
// number of bytes read (0 at the end of the file), or -1 on a read error.
int64_t ReadAt(int fd, char* buffer, size_t count, int64_t offset);

void CloseFile(int fd);

// Creates `path` for writing, only when no file of that name exists (a
// symbolic link at the name counts as existing and is never followed),
// with mode 0644 before the umask, not inherited by child processes.
// Answers the descriptor, or -1 with errno set (EEXIST when the name is
// taken).
int CreateNewFile(const char* path);

// Writes all `count` bytes, retrying short and interrupted writes. False on
// a write error.
bool WriteAll(int fd, const char* data, size_t count);

// Closes a descriptor that was written; false when the system reports that
// buffered data could not be written.
bool CloseWritten(int fd);

}  // namespace vantrel

#endif  // VANTREL_PLATFORM_FILE_H_
