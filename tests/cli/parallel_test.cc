#include "parallel.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

using vantrel_cli::FileOutput;
using vantrel_cli::RunOrdered;

// Results come back in order while the work runs ahead only a bounded way:
// a long list streams instead of being held to the end.
TEST(RunOrdered, EmitsInOrderAsSoonAsEachIsNext) {
  for (unsigned jobs : {1u, 2u, 3u, 8u}) {
    const size_t kCount = 200;
    std::atomic<size_t> started{0};
    std::string order;
    size_t started_at_first_emit = 0;
    RunOrdered(
        kCount, jobs,
        [&](unsigned worker, size_t index, FileOutput& output) {
          EXPECT_LT(worker, jobs);
          ++started;
          output.out = std::to_string(index) + ",";
          output.failed = index % 7 == 0;
        },
        [&](size_t index, FileOutput& output) {
          if (index == 0) started_at_first_emit = started;
          order += output.out;
          EXPECT_EQ(output.failed, index % 7 == 0);
        });
    std::string expected;
    for (size_t i = 0; i < kCount; ++i) expected += std::to_string(i) + ",";
    EXPECT_EQ(order, expected) << jobs;
    EXPECT_LT(started_at_first_emit, kCount / 2) << jobs;
  }
}

TEST(RunOrdered, WorkAfterAnEarlierIndexStartsOnceThatIsDone) {
  const size_t kCount = 40;
  std::vector<size_t> after(kCount, kCount);
  for (size_t i = 4; i < kCount; ++i) after[i] = i - 4;  // four chains
  std::vector<std::atomic<bool>> done(kCount);
  std::atomic<int> out_of_order{0};
  RunOrdered(
      kCount, 4,
      [&](unsigned, size_t index, FileOutput&) {
        if (after[index] < kCount && !done[after[index]]) ++out_of_order;
        done[index] = true;
      },
      [](size_t, FileOutput&) {}, after);
  EXPECT_EQ(out_of_order, 0);
}

TEST(RunOrdered, AFailingWorkStopsTheRunAndIsThrownToTheCaller) {
  for (unsigned jobs : {1u, 4u}) {
    std::vector<size_t> emitted;
    EXPECT_THROW(
        RunOrdered(
            100, jobs,
            [](unsigned, size_t index, FileOutput&) {
              if (index == 5) throw std::runtime_error("out of memory");
            },
            [&](size_t index, FileOutput&) { emitted.push_back(index); }),
        std::runtime_error);
    EXPECT_EQ(emitted, (std::vector<size_t>{0, 1, 2, 3, 4})) << jobs;
  }
}

}  // namespace
