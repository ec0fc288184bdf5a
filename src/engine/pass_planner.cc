#include "engine/pass_planner.h"

#include <algorithm>

#include "engine/scan_record.h"
#include "engine/window_probe.h"

namespace vantrel {

PassPlan PlanPass(int32_t pass_bits, int32_t scan_mode, int64_t win_begin,
                  int64_t win_end, int64_t covered, int read_size,
                  int whole_size) {
  PassPlan plan;
  plan.passBitsAfter = pass_bits;
  plan.scanModeAfter = scan_mode;
  plan.start = covered;
  const int64_t window = win_end - win_begin;
  if (pass_bits == kScanWholeFile) {
    // Continues where the passes so far stopped.
    plan.limit = win_end;
    plan.passBitsAfter = 0;
    plan.maxChunk = whole_size;
  } else if (pass_bits & kScanHeadBit) {
    plan.passBitsAfter &= ~kScanHeadBit;
    plan.start = win_begin;
    plan.limit = win_begin + kHeadSize;
    if (window < kHeadSize) {
      // This pass covers the whole window.
      plan.passBitsAfter = 0;
      plan.scanModeAfter = kScanWholeFile;
    } else {
      plan.backoff = kHeadBackoff;
    }
    plan.maxChunk = read_size;
  } else if (pass_bits & kScanTailBit) {
    if (window > kTailSize) {
      plan.start = std::max(covered, win_end - kTailSize);
    } else {
      plan.scanModeAfter = kScanWholeFile;  // the pass reads the rest
    }
    plan.limit = win_end;
    // The tail is read in one chunk.
    plan.maxChunk = std::max(read_size, kTailSize);
    plan.tail = true;
    plan.passBitsAfter &= ~kScanTailBit;
  } else {
    // Bits this scanner has no pass for (a handler left them).
    plan.run = false;
    plan.passBitsAfter = 0;
  }
  return plan;
}

int32_t PlanScanBits(int32_t pass_bits, int64_t window) {
  const int32_t both = kScanHeadBit | kScanTailBit;
  if ((pass_bits & both) == both && pass_bits != kScanWholeFile &&
      window < 2 * kHeadSize) {
    return kScanWholeFile;
  }
  return pass_bits;
}

int ScanReadSize(int32_t pass_bits, int whole_size) {
  return pass_bits == kScanWholeFile ? whole_size : kHeadSize;
}

namespace {

bool IsTailFirst(int32_t pass_bits) {
  return pass_bits != kScanWholeFile && (pass_bits & kScanHeadBit) == 0;
}

}  // namespace

FirstRead PlanFirstRead(int32_t pass_bits, int64_t source_size, int read_size,
                        int whole_size) {
  // A scan whose first pass starts at the beginning reads its whole first
  // chunk at once, so the window probe costs no read of its own.
  const bool tail_first = IsTailFirst(pass_bits);
  FirstRead first;
  first.startsPass = !tail_first || source_size <= kTailSize;
  if (!first.startsPass) {
    first.size = kDosEpsHeaderSize;  // what the window probe needs
  } else if (pass_bits == kScanWholeFile) {
    first.size = whole_size;
  } else {
    first.size = tail_first ? std::max(read_size, kTailSize) : read_size;
  }
  return first;
}

bool TailPassFirst(int32_t pass_bits, int64_t window) {
  return IsTailFirst(pass_bits) && (pass_bits & kScanTailBit) != 0 &&
         window > kTailSize;
}

NextRead PlanNextRead(PassCursor* pass, const ChunkResult& chunk,
                      int64_t win_end, int whole_size) {
  NextRead next;
  // What a backoff left unexamined is examined with the next chunk, or by
  // the pass that follows.
  const bool examined_all = chunk.end == ChunkEnd::kNext;
  const int64_t unexamined = examined_all && chunk.examined < chunk.bytes
                                 ? chunk.offset + chunk.examined + 1
                                 : chunk.nextOffset;
  next.passed = std::min(examined_all ? unexamined : chunk.nextOffset,
                         chunk.offset + chunk.bytes);
  if (!chunk.sawHeaderLine && pass->limit - chunk.nextOffset < kHeadSize) {
    if (pass->backoff != 0) pass->maxChunk = whole_size;
    pass->limit += std::max(kLargestReadSize, pass->maxChunk);
  }
  if (chunk.nextOffset >= pass->limit || chunk.nextOffset >= win_end) {
    next.passOver = true;
    next.covered = std::min(unexamined, win_end);
    return next;
  }
  next.offset = unexamined;
  next.size = pass->maxChunk;
  if (chunk.end == ChunkEnd::kSkip) {
    next.size = std::min(next.size, kLandingReadSize);
  } else if (chunk.end != ChunkEnd::kResume && chunk.size < pass->maxChunk) {
    next.size = std::min(next.size, chunk.size * kReadGrowth);
  }
  return next;
}

int64_t LimitAfterHeaderLine(int64_t limit, int64_t chunk_offset) {
  return limit - chunk_offset < kHeaderLineGrowthMargin
             ? limit + kLargestReadSize
             : limit;
}

}  // namespace vantrel
