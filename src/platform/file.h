// Reading the print file: open with its size, positioned reads, close.
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

// Reads up to `count` bytes at `offset`, retrying short reads and
// interrupted calls until `count` bytes or the end of the file. Answers the
// number of bytes read (0 at the end of the file), or -1 on a read error.
int64_t ReadAt(int fd, char* buffer, size_t count, int64_t offset);

void CloseFile(int fd);

}  // namespace vantrel

#endif  // VANTREL_PLATFORM_FILE_H_
