// CParserService: the object behind both factories. It owns nothing between
// calls; each parse builds, runs and destroys its own CKalParser.
#ifndef VANTREL_ENTRY_SERVICE_H_
#define VANTREL_ENTRY_SERVICE_H_

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
  int GetLastScanStatus() const override { return m_lastScanStatus; }

 private:
  int m_state = 1;
  int m_lastScanStatus = VANTREL_SCAN_NOT_RUN;
};

}  // namespace vantrel

#endif  // VANTREL_ENTRY_SERVICE_H_
