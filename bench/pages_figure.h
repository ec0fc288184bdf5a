// The pages road's figure in the scan benchmark: its whole-file scan of a
// job against a whole-file job-ticket scan of the same job.
#ifndef VANTREL_BENCH_PAGES_FIGURE_H_
#define VANTREL_BENCH_PAGES_FIGURE_H_

#include <string>

namespace vantrel_bench {

struct PagesFigure {
  int runs = 0;
  double rules_best = 0;  // seconds, job-ticket road
  double pages_best = 0;  // seconds, pages road
  int status = -1;        // the pages road's scan status
  size_t pages = 0;       // pages it reported
  double Ratio() const { return rules_best > 0 ? pages_best / rules_best : 0; }
};

// Interleaved runs of both roads on the file at `path`, best of `repeats`.
PagesFigure MeasurePagesRoad(const std::string& path, int repeats);

}  // namespace vantrel_bench

#endif  // VANTREL_BENCH_PAGES_FIGURE_H_
