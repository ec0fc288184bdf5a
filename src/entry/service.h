// CParserService: the object behind both factories. It owns nothing between
// calls but the last scan status; each parse builds, runs and destroys its
// own CKalParser, so threads may share one object.
#ifndef VANTREL_ENTRY_SERVICE_H_
#define VANTREL_ENTRY_SERVICE_H_

#include <atomic>

#include "vantrel/parser_if.h"

namespace vantrel {

class CParserService : public CParserObjectIF, public CRipBaseParserIF {
 public:
  CParserService() = default;
  ~CParserService() override;

  int FirstQuery() override { return 1; }
  int ParseToRules(const char* path, CRuleKalPropArrArray& rules,
                   int skip_flags, int reserved) override;
  int SecondQuery() override { return 1; }
  int IsStateClear() override { return m_state == 0 ? 1 : 0; }
  int ParseToPairs(const char* path, _tPairProperty*& pairs, int& count,
                   int with_bounding_box, int scan_mode, char unit) override;
  int GetLastScanStatus() const override {
    return m_lastScanStatus.load(std::memory_order_relaxed);
  }

 private:
  int m_state = 1;
  // Written when a parse ends; shared objects keep the last one to end.
  std::atomic<int> m_lastScanStatus{VANTREL_SCAN_NOT_RUN};
};

}  // namespace vantrel

#endif  // VANTREL_ENTRY_SERVICE_H_
