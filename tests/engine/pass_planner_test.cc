#include "engine/pass_planner.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/scan_record.h"

namespace vantrel {
namespace {

std::string Dump(const PassPlan& p) {
  if (!p.run) {
    return "none bits " + std::to_string(p.passBitsAfter) + " mode " +
           std::to_string(p.scanModeAfter);
  }
  return std::string(p.tail ? "tail " : "") + std::to_string(p.start) + "-" +
         std::to_string(p.limit) + " backoff " + std::to_string(p.backoff) +
         " chunk " + std::to_string(p.maxChunk) + " bits " +
         std::to_string(p.passBitsAfter) + " mode " +
         std::to_string(p.scanModeAfter);
}

TEST(PassPlan, PlansEachPassFromTheBitsTheWindowAndWhatWasCovered) {
  constexpr int kWhole = kWholeFileReadSize;
  static const struct {
    const char* name;
    int32_t bits, mode;
    int64_t begin, end, covered;
    int read_size;
    const char* expected;
  } kCases[] = {
      {"whole file", 15, 15, 0, 500000, 0, kWhole,
       "0-500000 backoff 0 chunk 245760 bits 0 mode 15"},
      {"whole pass after a head pass", 15, 15, 0, 500000, 3097, 4096,
       "3097-500000 backoff 0 chunk 245760 bits 0 mode 15"},
      {"head of a large file", 3, 3, 0, 100000, 0, 4096,
       "0-4096 backoff 1000 chunk 4096 bits 2 mode 3"},
      {"head of a file shorter than a head", 1, 1, 0, 3000, 0, 4096,
       "0-4096 backoff 0 chunk 4096 bits 0 mode 15"},
      {"head of a DOS EPS window", 1, 1, 30, 100030, 30, 4096,
       "30-4126 backoff 1000 chunk 4096 bits 0 mode 1"},
      {"tail after a head", 2, 3, 0, 100000, 3097, 4096,
       "tail 91808-100000 backoff 0 chunk 8192 bits 0 mode 3"},
      {"tail overlapping the head's part", 2, 3, 0, 10000, 3097, 4096,
       "tail 3097-10000 backoff 0 chunk 8192 bits 0 mode 3"},
      {"tail of a small file", 2, 2, 0, 6000, 0, 4096,
       "tail 0-6000 backoff 0 chunk 8192 bits 0 mode 15"},
      {"tail of a DOS EPS window", 2, 2, 30, 100030, 30, 4096,
       "tail 91838-100030 backoff 0 chunk 8192 bits 0 mode 2"},
      {"bits with no pass", 4, 4, 0, 100000, 0, 4096, "none bits 0 mode 4"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Dump(PlanPass(c.bits, c.mode, c.begin, c.end, c.covered,
                            c.read_size, kWhole)),
              c.expected)
        << c.name;
  }
}

std::string Dump(const NextRead& n, const PassCursor& pass) {
  return (n.passOver ? "over at " + std::to_string(n.covered)
                     : "read " + std::to_string(n.offset) + "+" +
                           std::to_string(n.size)) +
         " passed " + std::to_string(n.passed) + " limit " +
         std::to_string(pass.limit) + " chunk " + std::to_string(pass.maxChunk);
}

// Every read decision after a chunk: where the next chunk starts, how large
// it is, when the pass is over, and how a head pass without a "%!" line
// reads on.
TEST(PassPlan, PlansEveryReadAfterAChunk) {
  constexpr int kWhole = kWholeFileReadSize;
  static const struct {
    const char* name;
    PassCursor pass;
    ChunkResult chunk;
    int64_t win_end;
    const char* expected;
  } kCases[] = {
      {"head chunk examined up to its backoff: the pass is over",
       {4096, 1000, 4096},
       {ChunkEnd::kNext, 0, 4096, 4096, 3096, 4096, true},
       100000,
       "over at 3097 passed 3097 limit 4096 chunk 4096"},
      {"head without a \"%!\" line reads on in whole-file chunks",
       {4096, 1000, 4096},
       {ChunkEnd::kNext, 0, 4096, 4096, 3096, 4096, false},
       1000000,
       "read 3097+16384 passed 3097 limit 249856 chunk 245760"},
      {"whole pass: the next chunk follows",
       {1000000, 0, kWhole},
       {ChunkEnd::kNext, 0, kWhole, kWhole, kWhole, kWhole, true},
       1000000,
       "read 245760+245760 passed 245760 limit 1000000 chunk 245760"},
      {"a carry starts the next chunk at the comment",
       {1000000, 0, kWhole},
       {ChunkEnd::kCarry, 0, kWhole, kWhole, kWhole, 245000, true},
       1000000,
       "read 245000+245760 passed 245000 limit 1000000 chunk 245760"},
      {"a skip lands with a small read",
       {1000000, 0, kWhole},
       {ChunkEnd::kSkip, 0, kWhole, kWhole, kWhole, 700000, true},
       1000000,
       "read 700000+8192 passed 245760 limit 1000000 chunk 245760"},
      {"reads grow again after a landing",
       {1000000, 0, kWhole},
       {ChunkEnd::kNext, 700000, 8192, 8192, 8192, 708192, true},
       1000000,
       "read 708192+32768 passed 708192 limit 1000000 chunk 245760"},
      {"a resume reads a full chunk where the section began",
       {1000000, 0, kWhole},
       {ChunkEnd::kResume, 700000, 8192, 8192, 8192, 650000, true},
       1000000,
       "read 650000+245760 passed 650000 limit 1000000 chunk 245760"},
      {"a skip past the window ends the pass",
       {1000000, 0, kWhole},
       {ChunkEnd::kSkip, 0, kWhole, kWhole, kWhole, 1000000, true},
       1000000,
       "over at 1000000 passed 245760 limit 1000000 chunk 245760"},
  };
  for (const auto& c : kCases) {
    PassCursor pass = c.pass;
    const NextRead next = PlanNextRead(&pass, c.chunk, c.win_end, kWhole);
    EXPECT_EQ(Dump(next, pass), c.expected) << c.name;
  }
}

TEST(PassPlan, PlansTheScanBeforeItsPasses) {
  // A head and tail scan of a window too small to hold both apart is a
  // whole-file scan; other bits stay.
  EXPECT_EQ(PlanScanBits(3, 8191), 15);
  EXPECT_EQ(PlanScanBits(3, 8192), 3);
  EXPECT_EQ(PlanScanBits(1, 100), 1);
  EXPECT_EQ(PlanScanBits(15, 100), 15);
  // The first read starts the first pass unless the tail pass comes first
  // in a file larger than a tail: then it holds only the DOS EPS header.
  static const struct {
    int32_t bits;
    int64_t size;
    bool starts;
    int read;
  } kFirst[] = {
      {15, 1000000, true, kWholeFileReadSize},
      {1, 1000000, true, kHeadSize},
      {3, 1000000, true, kHeadSize},
      {2, 1000000, false, 12},
      {2, 8192, true, kTailSize},
  };
  for (const auto& c : kFirst) {
    const FirstRead first =
        PlanFirstRead(c.bits, c.size, ScanReadSize(c.bits, kWholeFileReadSize),
                      kWholeFileReadSize);
    EXPECT_EQ(first.startsPass, c.starts) << c.bits << " " << c.size;
    EXPECT_EQ(first.size, c.read) << c.bits << " " << c.size;
  }
  EXPECT_TRUE(TailPassFirst(2, 8193));
  EXPECT_FALSE(TailPassFirst(2, 8192));
  EXPECT_FALSE(TailPassFirst(3, 100000));
  // A "%!" line near the head limit pushes it on.
  EXPECT_EQ(LimitAfterHeaderLine(4096, 3000), 4096 + kLargestReadSize);
  EXPECT_EQ(LimitAfterHeaderLine(4096, 0), 4096);
}

}  // namespace
}  // namespace vantrel
