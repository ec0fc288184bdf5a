// Every allocation of a scan and its conversion failed in turn, one per run,
// on each road a host takes: the host gets the whole answer or none.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/failing_new.h"
#include "support/test_support.h"
#include "vantrel/parser_if.h"
#include "vantrel/vantrel_c.h"

namespace {

using vantrel_test::FailingNew;

// One run of a road, with allocation `fail_at` of the library's calls
// failed (0: none): its status and its answer as one text. `pairs_whole` is
// false when a pairs array came back with a name or value missing.
struct Answer {
  int status = VANTREL_SCAN_NOT_RUN;
  std::string dump;
  bool pairs_whole = true;
  bool failed = false;  // the chosen allocation was reached
};

Answer PairsRoad(const std::string& path, long fail_at) {
  Answer a;
  _tPairProperty* pairs = nullptr;
  int count = 0;
  {
    FailingNew fail(fail_at);
    std::unique_ptr<CRipBaseParserIF> service(RipCreateParserObject());
    if (service != nullptr) {
      service->ParseToPairs(path.c_str(), pairs, count, 1, 3, 'P');
      a.status = service->GetLastScanStatus();
    } else {
      a.status = VANTREL_SCAN_OUT_OF_MEMORY;
    }
    a.failed = fail.failed();
  }
  for (int i = 0; i < count; ++i) {
    if (pairs[i].propName == nullptr || pairs[i].propValue == nullptr) {
      a.pairs_whole = false;
    }
  }
  if (a.pairs_whole) a.dump = vantrel_test::DumpPairs(pairs, count);
  delete[] pairs;
  return a;
}

Answer RulesRoad(const std::string& path, long fail_at) {
  Answer a;
  CRuleKalPropArrArray rules;
  {
    FailingNew fail(fail_at);
    std::unique_ptr<CParserObjectIF> service(CreateParserObject(0));
    if (service != nullptr) {
      service->ParseToRules(path.c_str(), rules, 0, 0);
      a.status = service->GetLastScanStatus();
    } else {
      a.status = VANTREL_SCAN_OUT_OF_MEMORY;
    }
    a.failed = fail.failed();
  }
  a.dump = vantrel_test::DumpRules(rules);
  return a;
}

Answer CRoad(const std::string& path, long fail_at, bool pairs) {
  Answer a;
  vantrel_result* r = nullptr;
  {
    FailingNew fail(fail_at);
    r = pairs ? vantrel_pairs_file(path.c_str(), VANTREL_MODE_HEAD_AND_TAIL,
                                   'P', 1)
              : vantrel_rules_file(path.c_str(), 0, nullptr);
    a.failed = fail.failed();
  }
  a.status = vantrel_result_status(r);
  a.dump = vantrel_result_json(r);
  vantrel_result_free(r);
  return a;
}

Answer CPairs(const std::string& path, long fail_at) {
  return CRoad(path, fail_at, true);
}
Answer CRules(const std::string& path, long fail_at) {
  return CRoad(path, fail_at, false);
}

TEST(LowMemory, EveryRoadAnswersWholeOrNotAtAll) {
  const struct {
    const char* name;
    Answer (*run)(const std::string&, long);
  } kRoads[] = {
      {"pairs", PairsRoad},
      {"rules", RulesRoad},
      {"C pairs", CPairs},
      {"C rules", CRules},
  };
  for (const char* job : {"examples/brochure.ps", "examples/logo.eps"}) {
    const std::string path = std::string(VANTREL_SOURCE_DIR) + "/" + job;
    for (const auto& road : kRoads) {
      const Answer whole = road.run(path, 0);
      ASSERT_EQ(whole.status, VANTREL_SCAN_OK) << road.name << " " << job;
      long points = 0;
      for (long n = 1; n < 100000; ++n) {
        const Answer a = road.run(path, n);
        if (!a.failed) break;
        ++points;
        const std::string where = std::string(road.name) + " " + job +
                                  ", allocation " + std::to_string(n);
        EXPECT_TRUE(a.pairs_whole) << where;
        if (a.status == VANTREL_SCAN_OK) {
          EXPECT_EQ(a.dump, whole.dump) << where;
        } else {
          // What a failed scan gives (the finishing steps' pairs), or none.
          EXPECT_EQ(a.status, VANTREL_SCAN_OUT_OF_MEMORY) << where;
        }
      }
      EXPECT_GT(points, 10) << road.name << " " << job;
    }
  }
}

}  // namespace
