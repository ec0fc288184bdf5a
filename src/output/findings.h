// What the checker finds in a job, and its one-line JSON object (the CLI
// writes the compiler-style lines from the C API's accessors).
#ifndef VANTREL_OUTPUT_FINDINGS_H_
#define VANTREL_OUTPUT_FINDINGS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

enum class FindingLevel { kError, kWarning };

// One thing a job gets wrong, at the line it concerns. A finding about the
// whole job stands at line 1.
struct Finding {
  int64_t line = 1;    // counted from 1; LF, CR and CRLF each end a line
  int64_t offset = 0;  // file offset of the line's first byte
  FindingLevel level = FindingLevel::kWarning;
  const char* code = "";  // static text: "pages-mismatch", ...
  std::string message;    // UTF-8, with no control characters
};

// The findings of one job, sorted by line (in the order found within a
// line). At most kMaxFindings are kept; a last "too-many" finding then says
// how many more there were. `errors` and `warnings` count every finding,
// kept or not, so a job's verdict never depends on the cap.
struct CheckReport {
  std::vector<Finding> findings;
  int64_t errors = 0;
  int64_t warnings = 0;
};

constexpr size_t kMaxFindings = 1000;

const char* FindingLevelName(FindingLevel level);

// {"file":"job.ps","scan":"ok","errors":1,"warnings":0,"findings":[
//  {"line":3,"offset":40,"level":"error","code":"pages-mismatch",
//   "message":"..."}]}
// A scan that failed adds "error" as the other JSON reports do. No line end.
std::string CheckJson(std::string_view file, int status,
                      const CheckReport& report);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_FINDINGS_H_
