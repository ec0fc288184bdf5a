// Standard input as a file the library can scan.
//
// A job on standard input is copied, 64 KiB at a time, into a new temporary
// file in $TMPDIR (else /tmp; on Windows the system's temporary folder), and
// that file is scanned through its descriptor under the name "-". The
// scanner seeks (tail passes, "(atend)" boxes, DOS EPS sections, DEX
// copies), which a pipe cannot, so the job has to be held somewhere; a file
// holds a job of any size with bounded memory.
//
// The file has no name for longer than it takes to make it: on POSIX it is
// unlinked at once (with the terminating signals held off in between), on
// Windows it is opened to be deleted when its last handle closes. So
// nothing is left behind however the tool ends: at its end, on a signal
// (SIGINT, SIGTERM, a closed pipe's SIGPIPE) or when it is killed.
#ifndef VANTREL_CLI_STDIN_SPOOL_H_
#define VANTREL_CLI_STDIN_SPOOL_H_

#include <string>

namespace vantrel_cli {

class StdinSpool {
 public:
  StdinSpool() = default;
  ~StdinSpool();
  StdinSpool(const StdinSpool&) = delete;
  StdinSpool& operator=(const StdinSpool&) = delete;

  // Copies everything that can be read from descriptor `fd` (standard input
  // is 0) into a new temporary file. Answers false, with `error` saying why
  // ("cannot create a temporary file in /tmp/: Permission denied",
  // "cannot read standard input: Bad file descriptor" when `fd` is closed),
  // when the copy could not be made; nothing is left behind then.
  bool Fill(int fd, std::string& error);

  // The spool's descriptor, open for reading and writing on a regular file
  // without a name; -1 before a successful Fill. Closed by the destructor.
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_STDIN_SPOOL_H_
