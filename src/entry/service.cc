#include "entry/service.h"

#include <exception>
#include <new>

#include "vantrel/kal_parser.h"

namespace vantrel {

CParserService::~CParserService() = default;

int CParserService::ParseToRules(const char* path, CRuleKalPropArrArray& rules,
                                 int skip_flags, int /*reserved*/) {
  if (path == nullptr || *path == '\0') return 0;
  // Each parse owns its state, so parses on other threads, through this
  // object or another, run alongside. No exception may reach the host; one here
  // can only be memory exhaustion inside the standard containers.
  try {
    CKalParser parser(path);
    parser.AddPSRipComments();
    parser.AddBoundingBox('M');
    if ((skip_flags & 1) == 0) {
      parser.AddKALPPDComment();
      parser.AddNumCopiesComment();
    }
    if ((skip_flags & 2) == 0) parser.AddXRXComment();
    parser.AddDexxmlComment();
    parser.AddTitleComment();
    parser.HandleFile(rules, 15);
    parser.GetDataFromParser(rules);
    m_lastScanStatus = parser.GetScanStatus();
  } catch (...) {
    m_lastScanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
  }
  return 1;
}

int CParserService::ParseToPairs(const char* path, _tPairProperty*& pairs,
                                 int& count, int with_bounding_box,
                                 int scan_mode, char unit) {
  if (path == nullptr || *path == '\0') return 0;
  try {
    CRuleKalPropArrArray scratch;
    CKalParser parser(path);
    // The structure comments store nothing; with them the box comments
    // count where they count on the job-ticket road (header and trailer of
    // the job's own document), so both roads give one file one crop.
    parser.AddStructureComments();
    if (with_bounding_box == 1) parser.AddBoundingBox(unit);
    parser.HandleFile(scratch, scan_mode);
    parser.GetRipDataFromParser(pairs, count);
    m_lastScanStatus = parser.GetScanStatus();
  } catch (...) {
    m_lastScanStatus = VANTREL_SCAN_OUT_OF_MEMORY;
  }
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
