#include "pages_figure.h"

#include <vector>

#include "entry/pages_road.h"
#include "entry/roads.h"
#include "measure.h"

namespace vantrel_bench {

PagesFigure MeasurePagesRoad(const std::string& path, int repeats) {
  PagesFigure figure;
  vantrel::Job job;
  job.path = path.c_str();
  std::vector<double> rules_times;
  std::vector<double> pages_times;
  // Interleaved, so drift in the machine's state hits both alike; each
  // road's result is built and dropped inside its timing, as a host's is.
  for (int i = 0; i < repeats; ++i) {
    const double t0 = Now();
    {
      CRuleKalPropArrArray rules;
      vantrel::RunRulesRoad(job, 0, "", rules);
    }
    const double t1 = Now();
    {
      vantrel::PageReport report;
      figure.status = vantrel::RunPagesRoad(job, report);
      figure.pages = report.pages.size();
    }
    const double t2 = Now();
    rules_times.push_back(t1 - t0);
    pages_times.push_back(t2 - t1);
  }
  figure.runs = repeats;
  figure.rules_best = Summarize(rules_times).min;
  figure.pages_best = Summarize(pages_times).min;
  return figure;
}

}  // namespace vantrel_bench
