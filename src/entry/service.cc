#include "entry/service.h"

#include <exception>
#include <new>

#include "entry/roads.h"
#include "vantrel/kal_parser.h"

namespace vantrel {

CParserService::~CParserService() = default;

int CParserService::ParseToRules(const char* path, CRuleKalPropArrArray& rules,
                                 int skip_flags, int /*reserved*/) {
  if (path == nullptr || *path == '\0') return 0;
  Job job;
  job.path = path;
  m_lastScanStatus = RunRulesRoad(job, skip_flags, nullptr, rules);
  return 1;
}

int CParserService::ParseToPairs(const char* path, _tPairProperty*& pairs,
                                 int& count, int with_bounding_box,
                                 int scan_mode, char unit) {
  if (path == nullptr || *path == '\0') return 0;
  Job job;
  job.path = path;
  m_lastScanStatus =
      RunPairsRoad(job, with_bounding_box, scan_mode, unit, pairs, count);
  return 1;
}

}  // namespace vantrel

extern "C" VANTREL_API CParserObjectIF* CreateParserObject(int /*unused*/) {
  return new (std::nothrow) vantrel::CParserService;
}

extern "C" VANTREL_API CRipBaseParserIF* RipCreateParserObject() {
  try {
    vantrel::CParserService* service =
        new (std::nothrow) vantrel::CParserService;
    return service;  // converts to the second base
  } catch (...) {
    return nullptr;
  }
}
