// Standard input as a file the library can scan.
//
// A job on standard input is copied, 64 KiB at a time, into a new temporary
// file in $TMPDIR (else /tmp; on Windows the system's temporary folder), and
// that file is scanned on the file road under the name "-". The scanner seeks
// (tail passes, "(atend)" boxes, DOS EPS sections, DEX copies), which a pipe
// cannot, so the job has to be held somewhere; a file holds a job of any size
// with bounded memory. The file is removed when the spool is destroyed.
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
  // ("cannot create a temporary file in /tmp: Permission denied"), when the
  // copy could not be made; nothing is left behind then.
  bool Fill(int fd, std::string& error);

  // The spool file's path; empty before a successful Fill.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_STDIN_SPOOL_H_
