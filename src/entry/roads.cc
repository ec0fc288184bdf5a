#include "entry/roads.h"

namespace vantrel {

// The parser's name for the job: the name when it has one (a memory job is
// read from no path), else the path read.
const char* ConstructionName(const Job& job) {
  if (job.in_memory || job.on_descriptor) return job.name;
  return job.path;
}

void SetSource(const Job& job, CKalParser& parser) {
  if (job.in_memory) {
    parser.SetMemorySource(job.data, job.size);
  } else if (job.on_descriptor) {
    parser.SetDescriptorSource(job.fd);
  } else if (job.name != nullptr) {
    parser.SetJobName(job.name);
  }
}

void AddJobTicketComments(CKalParser& parser, char unit, int skip_flags) {
  parser.AddPSRipComments();
  parser.AddBoundingBox(unit);
  if ((skip_flags & 1) == 0) {
    parser.AddKALPPDComment();
    parser.AddNumCopiesComment();
  }
  if ((skip_flags & 2) == 0) parser.AddXRXComment();
  parser.AddDexxmlComment();
  parser.AddTitleComment();
}

int RunRulesRoad(const Job& job, int skip_flags, const char* dex_dir,
                 CRuleKalPropArrArray& rules, std::string* detail) {
  // Each parse owns its state: parses on other threads run alongside.
  // No exception may reach the host; one here can only be memory exhaustion
  // inside the standard containers.
  try {
    CKalParser parser(ConstructionName(job));
    SetSource(job, parser);
    if (dex_dir != nullptr) parser.SetDexOutputFolder(dex_dir);
    AddJobTicketComments(parser, 'M', skip_flags);
    parser.HandleFile(rules, 15);
    parser.GetDataFromParser(rules);
    if (detail != nullptr) *detail = parser.GetScanDetail();
    return parser.GetScanStatus();
  } catch (...) {
    return VANTREL_SCAN_OUT_OF_MEMORY;
  }
}

int RunPairsRoad(const Job& job, int with_bounding_box, int scan_mode,
                 char unit, _tPairProperty*& pairs, int& count,
                 std::string* detail) {
  try {
    CRuleKalPropArrArray scratch;
    CKalParser parser(ConstructionName(job));
    SetSource(job, parser);
    // The structure comments store nothing; with them the box comments
    // count where they count on the job-ticket road (header and trailer of
    // the job's own document), so both roads give one file one crop.
    parser.AddStructureComments();
    if (with_bounding_box == 1) parser.AddBoundingBox(unit);
    parser.HandleFile(scratch, scan_mode);
    parser.GetRipDataFromParser(pairs, count);
    if (detail != nullptr) *detail = parser.GetScanDetail();
    return parser.GetScanStatus();
  } catch (...) {
    return VANTREL_SCAN_OUT_OF_MEMORY;
  }
}

}  // namespace vantrel
