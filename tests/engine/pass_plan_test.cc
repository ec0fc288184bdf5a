#include <gtest/gtest.h>

#include <string>

#include "engine/scan_record.h"
#include "engine/scanner.h"

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

}  // namespace
}  // namespace vantrel
