// Parses on several threads at once: each answers exactly what it answers
// alone, whatever the others scan, on which road, in which mode, and whether
// the trace is on. Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace {

struct Job {
  std::string path;
  bool rules;  // the job-ticket road, else the RIP road
  int mode;    // RIP road
};

// One parse through a fresh service object: its dump and scan status, with
// the DEX counter taken out of the output names (parallel parses of one job
// take different free names).
std::string Answer(const Job& job) {
  std::string dump;
  int status = 0;
  if (job.rules) {
    std::unique_ptr<CParserObjectIF> jt(CreateParserObject(0));
    CRuleKalPropArrArray rules;
    jt->ParseToRules(job.path.c_str(), rules, 0, 0);
    dump = vantrel_test::DumpRules(rules);
    status = jt->GetLastScanStatus();
  } else {
    std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
    _tPairProperty* pairs = nullptr;
    int count = 0;
    rip->ParseToPairs(job.path.c_str(), pairs, count, 1, job.mode, 'M');
    dump = vantrel_test::DumpPairs(pairs, count);
    delete[] pairs;
    status = rip->GetLastScanStatus();
  }
  static const std::regex kDexName("_[0-9]+\\.dexxml");
  return std::regex_replace(dump, kDexName, "_N.dexxml") + " status " +
         std::to_string(status);
}

TEST(ConcurrentParses, EachAnswersAsItDoesAlone) {
  vantrel_test::TempDir dir;
  const std::string out = dir.path() + "/dex";
  ASSERT_EQ(std::system(("mkdir -p '" + out + "'").c_str()), 0);
  vantrel_test::ScopedEnv kaloutput("KALOUTPUT", out.c_str());
  vantrel_test::ScopedEnv plugins("VANTREL_PLUGIN_PATH",
                                  VANTREL_TEST_PLUGIN_DIR);
  vantrel_test::ScopedEnv plugin_log("VANTREL_TEST_XRX_LOG", nullptr);

  std::vector<std::string> files;
  for (const char* name :
       {"tests/data/groff.ps", "tests/data/groff_logo.ps",
        "tests/data/dvips.ps", "tests/data/dvips.eps", "tests/data/enscript.ps",
        "tests/data/landscape_enscript.ps",
        "tests/data/spot_colours_pdftops.ps", "examples/brochure.ps",
        "examples/jobticket.ps", "examples/logo.eps"}) {
    files.push_back(std::string(VANTREL_SOURCE_DIR) + "/" + name);
  }
  // Jobs whose answers are made by the per-parse state the lock used to
  // guard: page labels that repeat, booklets, copies, colours, separations,
  // an (atend) box, a DEX ticket and XRX blocks.
  files.push_back(dir.Write(
      "busy.ps",
      "%!PS-Adobe-3.0\n%%Title: (Busy job)\n%%BoundingBox: (atend)\n"
      "%%Pages: (atend)\n%%Requirements: numcopies(3) collate\n"
      "%%DocumentCustomColors: (Gold) (Silver)\n%%EndComments\n"
      "%%BeginDexJTData: 12\n<ticket a=1>\n%XRXbegin:\n%XRXMedia: A4\n"
      "%XRXend\n%%Page: 1 1\n%%PlateColor: Cyan\n%%PlateColor: Magenta\n"
      "%%Page: 2 2\n%%PlateColor: Cyan\n%%Page: 1 1\n" +
          vantrel_test::Filler(70000) +
          "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%Pages: 2\n%%EOF\n"));
  files.push_back(dir.Write(
      "booklets.ps",
      "%!PS-Adobe-3.0\n%%NumberOfBooklets: 2\n%%VariablePagesPerBooklet: true\n"
      "%%BookletPages: 1 4\n%%BookletPages: 2 6\n%%Orientation: Landscape\n"
      "%%InputSlotTray: MediaType Glossy 1 4\n%%EndComments\n" +
          vantrel_test::Filler(300000)));

  std::vector<Job> jobs;
  for (const std::string& file : files) {
    jobs.push_back({file, true, 15});
    for (int mode : {1, 2, 3, 15}) jobs.push_back({file, false, mode});
  }

  for (const char* trace : {"", "file"}) {
    const std::string trace_path = dir.path() + "/trace.log";
    vantrel_test::ScopedEnv env("VANTREL_TRACE",
                                *trace != '\0' ? trace_path.c_str() : nullptr);
    std::vector<std::string> alone;
    for (const Job& job : jobs) alone.push_back(Answer(job));

    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::atomic<int> next{0};
    std::vector<std::string> got(jobs.size() * kRounds);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        // Every thread takes jobs from one queue, so roads and modes mix.
        for (int i; (i = next++) < static_cast<int>(got.size());) {
          got[static_cast<size_t>(i)] =
              Answer(jobs[static_cast<size_t>(i) % jobs.size()]);
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < got.size(); ++i) {
      const Job& job = jobs[i % jobs.size()];
      EXPECT_EQ(got[i], alone[i % jobs.size()])
          << job.path << (job.rules ? " rules" : " pairs mode ")
          << (job.rules ? "" : std::to_string(job.mode)) << " trace " << trace;
    }
    if (*trace != '\0') {
      // Every line arrived whole: none began inside another (some lines
      // hold a keyword's own line end, so lines are told by their prefix).
      const std::string lines = vantrel_test::TempDir::Read(trace_path);
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.back(), '\n');
      for (size_t at = 0;
           (at = lines.find("[Rip\\Vantrel] ", at)) != std::string::npos;
           ++at) {
        EXPECT_TRUE(at == 0 || lines[at - 1] == '\n') << at;
      }
    }
  }
  // The ticket was copied whole by every parse that took it.
  const std::string first = out + "/busy.ps_0.dexxml";
  EXPECT_EQ(vantrel_test::TempDir::Read(first), "<ticket a=1>");
}

}  // namespace
