// The checker of `vantrel check`: what a job gets wrong against the
// Document Structuring Conventions, line by line.
//
// It runs on the scanner as a road of its own. Its comments go to one
// handler (CheckComment), and the scanner hands it every chunk once the
// chunk's comments were dispatched (ScannerHooks::passedBytes), so that it
// counts lines (LF, CR and CRLF each end one) however the chunks fall, and
// sees the lines that hold no registered comment: the end of a header
// without "%%EndComments", content after the job's "%%EOF", over-long DSC
// lines. Counted data in bytes are skipped unread, as on the other roads;
// their line ends are counted when the scan ends, and only when something
// reported lies after them. Its memory is constant in the job's size: a
// bounded stack of open blocks, a few numbers per open document, a bounded
// list of skipped ranges, and at most kMaxFindings findings.
#ifndef VANTREL_HANDLERS_CHECKS_H_
#define VANTREL_HANDLERS_CHECKS_H_

#include <cstdint>
#include <memory>

#include "handlers/comment_handler.h"
#include "output/findings.h"

struct ParserContext;

namespace vantrel {

class Checker;

// The parse's checker (HandlerState::check).
class CheckState {
 public:
  CheckState();
  ~CheckState();
  CheckState(const CheckState&) = delete;
  CheckState& operator=(const CheckState&) = delete;

  // Ends the job where the scan stopped: closes what is still open (blocks,
  // documents, counted data) and answers the findings, sorted and capped.
  // Call once, after the scan.
  CheckReport Finish();

  // A DOS EPS header names a PostScript section at `begin`, `length` bytes
  // long, in a file of `size` bytes: a section outside the file is an error
  // (the scanner reads what of it the file holds). The checker reads the
  // header itself when the scan hands it a byte; a caller tells it of a
  // header that left the scan none.
  void NoteDosEpsHeader(int64_t begin, int64_t length, int64_t size);

  // Whether the scan handed the checker any byte of the job.
  bool SawBytes() const;

  // Whether every line number is exact: false when the lines of skipped
  // data could not be read back (a read error, or a scan that stopped
  // early), so that numbers after them are short.
  bool LinesExact() const;

  Checker& checker() { return *checker_; }

 private:
  std::unique_ptr<Checker> checker_;
};

// Makes the parse's CheckState, registers every comment the checker reads
// and sets the scanner's passedBytes call. A context without a parse state
// (or out of memory) registers nothing.
void RegisterCheckSet(ParserContext* context);

// The one handler of the check set; param indexes the set's key table, user
// data is the CheckState. Answers 0, or at a count of data in bytes the
// offset of their last byte: the scan skips them unread.
VANTREL_COMMENT_HANDLER(CheckComment);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_CHECKS_H_
