// The file scanner: reads a print file in chunks, finds every comment at a
// line start, looks its keyword up and dispatches the handler chain.
#ifndef VANTREL_ENGINE_SCANNER_H_
#define VANTREL_ENGINE_SCANNER_H_

#include <cstdint>
#include <string>

#include "engine/context.h"
#include "engine/scan_record.h"

namespace vantrel {

// Scan constants.
constexpr int kHeadSize = 4096;
constexpr int kLargestReadSize = 61440;
constexpr int kTailSize = 8192;
constexpr int kHeadBackoff = 1000;
constexpr int kNearEndMargin = 1000;
constexpr int kBlankRunLimit = 1000;
// The chunk size of a pass that reads on through the whole file: large reads
// cost fewer system calls and carries, and no answer depends on where a
// chunk ends.
constexpr int kWholeFileReadSize = 4 * kLargestReadSize;

// What one pass reads, planned from the pass bits before it runs.
struct PassPlan {
  bool run = true;   // false: the bits name no pass; nothing is read
  int64_t start = 0;  // file offset of the pass's first chunk
  int64_t limit = 0;  // the pass ends at a chunk that starts at or past it
                      // (a head pass without a "%!" line moves it on)
  int backoff = 0;    // bytes at the end of each chunk left unexamined
  int maxChunk = 0;   // the pass's largest chunk
  bool tail = false;  // the tail pass (m_inTailPass is set)
  int32_t passBitsAfter = 0;  // m_passBits once the pass is chosen
  int32_t scanModeAfter = 0;  // m_scanMode once the pass is chosen
};

// Plans the next pass over the window [win_begin, win_end) of a scan whose
// passes so far stopped examining at `covered`: the whole-file pass when
// `pass_bits` is 15, else the head pass, else the tail pass. `read_size` is
// the scan's chunk size (4096 unless the scan is a whole-file scan),
// `whole_size` the chunk size of passes that read on through the file.
PassPlan PlanPass(int32_t pass_bits, int32_t scan_mode, int64_t win_begin,
                  int64_t win_end, int64_t covered, int read_size,
                  int whole_size);

// A new context for `path` (may be null: the scan will fail) with an empty
// table of capacity 20, or null when memory is exhausted. The path is copied
// whole, whatever its length.
ParserContext* ParserCreateContext(const char* path);

// Keeps `text` as the scan's detail for the host (CKalParser::
// GetScanDetail), replacing an earlier one. Without memory for the copy
// the scan goes without a detail.
void SetScanDetail(ParserContext* context, const std::string& text);

// Closes the file, frees the chunk buffer, the table and the XRX objects.
// The context itself stays valid (and empty). Safe to call repeatedly.
void ParserReleaseContext(ParserContext* context);

// ParserReleaseContext, then frees the context. Null is a no-op.
void ParserFreeContext(ParserContext* context);

// Scans the file of `context` as record->m_scanMode selects: 15 whole file,
// bit 0 head, bit 1 tail, 0 nothing. Other values are taken by their bits
// 0 and 1 alone (bits above are ignored), so every value ends. Answers 0 when
// the scan ran to its end (or had nothing to do), -1 when it failed; either
// way the context is released. context->scanStatus tells why.
int64_t ParserScanFile(ParserContext* context, CommentStruct* record,
                       void* caller);

// Type of a "%!" line given the text at its "!": 1 EPS ("PS" and "EPSF-"),
// 2 PostScript ("PS"), 3 VPS, 0 other. Reads no further than `end`.
int ParserFileType(const char* text, const char* end);

// True when "EPSF-" occurs in `text` before the next "%". Reads no further
// than `end`.
bool ParserIsEPSF(const char* text, const char* end);

// The Helios server support flag from the registry.
bool getHeliosSupport();


}  // namespace vantrel

#endif  // VANTREL_ENGINE_SCANNER_H_
