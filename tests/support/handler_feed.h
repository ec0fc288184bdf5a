// Feeding comment handlers and whole jobs the way the scanner and the
// job-ticket road do.
#ifndef VANTREL_TESTS_SUPPORT_HANDLER_FEED_H_
#define VANTREL_TESTS_SUPPORT_HANDLER_FEED_H_

#include <cstdint>
#include <string>

#include "engine/context.h"
#include "engine/scan_record.h"
#include "vantrel/kal_parser.h"

namespace vantrel_test {

// Hands `value` to `handler` as the scanner does: the text after the key,
// in a buffer whose data ends (with a NUL) after its first `data_end` bytes
// (all of it by default). `context` may bring a keyword table; its data end
// is set here. Answers the handler's result; `*moved` receives how many
// bytes the handler moved the text position.
int64_t Feed(CommentHandler handler, const std::string& value,
             CommentStruct* record = nullptr, void* user_data = nullptr,
             void* caller = nullptr, ParserContext* context = nullptr,
             size_t data_end = std::string::npos, size_t* moved = nullptr);

// Scans `job` (written to a temporary file) as the job-ticket road does,
// with the RIP comment set and the bounding box in points, in scan mode
// `mode`, and answers the property map and the rules made during the scan:
// "<DumpPropertyMap()>\n<DumpRules(rules)>". `status` receives the scan
// status.
std::string ParseJob(const std::string& job, int mode = 15,
                     int* status = nullptr);

}  // namespace vantrel_test

#endif  // VANTREL_TESTS_SUPPORT_HANDLER_FEED_H_
