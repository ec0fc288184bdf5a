// The pass planner: which passes a scan runs over its window, and, chunk by
// chunk, where the next read starts, how much it holds and when the pass
// ends. Pure functions of the scan's figures, so every decision is testable
// without a file.
#ifndef VANTREL_ENGINE_PASS_PLANNER_H_
#define VANTREL_ENGINE_PASS_PLANNER_H_

#include <cstdint>

namespace vantrel {

// Scan constants.
constexpr int kHeadSize = 4096;
constexpr int kLargestReadSize = 61440;
constexpr int kTailSize = 8192;
constexpr int kHeadBackoff = 1000;
constexpr int kNearEndMargin = 1000;
// The chunk size of a pass that reads on through the whole file: large reads
// cost fewer system calls and carries, and no answer depends on where a
// chunk ends.
constexpr int kWholeFileReadSize = 4 * kLargestReadSize;
// The chunk read where a skip lands. A counted section is usually followed by
// its closing comment and a little page text before the next section, so a
// small read serves the landing; reads grow again while the text goes on.
constexpr int kLandingReadSize = 2 * kHeadSize;
constexpr int kReadGrowth = 4;
// A "%!" line close to the head limit pushes the limit on, so the head pass
// reads the rest of the header that follows it.
constexpr int64_t kHeaderLineGrowthMargin = 4094;

// How a chunk's examination ended.
enum class ChunkEnd {
  kNext,    // the chunk was examined to its end
  kCarry,   // the bytes from a comment on begin the next chunk
  kSkip,    // a handler skipped the scan past the chunk
  kResume,  // a skipped section did not end where its count said: go back
  kFail,    // a handler failed, or a read did: the scan ends
};

// What one pass reads, planned from the pass bits before it runs.
struct PassPlan {
  bool run = true;    // false: the bits name no pass; nothing is read
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

// The scan's passes for a window of `window` bytes: a head and tail scan of
// a window too small to hold both apart reads it whole.
int32_t PlanScanBits(int32_t pass_bits, int64_t window);

// The scan's chunk size: large for a whole-file scan, else a head's.
int ScanReadSize(int32_t pass_bits, int whole_size);

// The first read of a scan, at offset 0: whether it starts the first pass
// (else it reads only what the window probe needs), and how many bytes.
struct FirstRead {
  bool startsPass = false;
  int size = 0;
};
FirstRead PlanFirstRead(int32_t pass_bits, int64_t source_size, int read_size,
                        int whole_size);

// Whether the scan's first pass is a tail pass that leaves the window's
// first line unread (the scan then looks at that line on its own).
bool TailPassFirst(int32_t pass_bits, int64_t window);

// Where a pass stands between chunks.
struct PassCursor {
  int64_t limit = 0;  // as PassPlan::limit, moved on by the pass
  int backoff = 0;
  int maxChunk = 0;
};

// What the examination of one chunk left.
struct ChunkResult {
  ChunkEnd end = ChunkEnd::kNext;
  int64_t offset = 0;          // the chunk's file offset
  int bytes = 0;               // its data
  int size = 0;                // the size asked for when it was read
  int examined = 0;            // bytes examined before the backoff
  int64_t nextOffset = 0;      // where the examination says the scan goes on
  bool sawHeaderLine = false;  // a "%!" line was seen so far in the scan
};

// The next step of a pass.
struct NextRead {
  bool passOver = false;
  int64_t covered = 0;  // passOver: where the pass stopped examining
  int64_t offset = 0;   // else: the next chunk's offset and size
  int size = 0;
  // Bytes the checker may count as passed over (up to here, excluded).
  int64_t passed = 0;
};

// Plans the read after `chunk` within the window ending at `win_end`, and
// moves the pass on: without a "%!" line the head pass reads on, in the
// large chunks of a whole-file scan since it is one now.
NextRead PlanNextRead(PassCursor* pass, const ChunkResult& chunk,
                      int64_t win_end, int whole_size);

// The pass limit after a "%!" line in the chunk at `chunk_offset`.
int64_t LimitAfterHeaderLine(int64_t limit, int64_t chunk_offset);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_PASS_PLANNER_H_
