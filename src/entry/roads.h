// The two roads, run from one place: the service objects, the C API and,
// through the C API, the CLI all scan through these, so that one job gets one
// answer whichever way in a host takes.
#ifndef VANTREL_ENTRY_ROADS_H_
#define VANTREL_ENTRY_ROADS_H_

#include <cstddef>
#include <string>

#include "vantrel/kal_parser.h"
#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

namespace vantrel {

// What to scan, and what to call it.
struct Job {
  // The file to read; ignored when `in_memory` or `on_descriptor`.
  const char* path = nullptr;
  // The host's open descriptor to read when `on_descriptor` (see
  // CKalParser::SetDescriptorSource); not closed.
  bool on_descriptor = false;
  int fd = -1;
  // The bytes to scan in place when `in_memory`; they must stay unchanged
  // until the road returns. May be null when `size` is 0.
  bool in_memory = false;
  const void* data = nullptr;
  size_t size = 0;
  // Names the job in DEX output names and trace lines; null: `path`.
  // REQUIRES: non-null when `in_memory` or `on_descriptor`.
  const char* name = nullptr;
};

// The name a parser of `job` is constructed with: the job's name when it is
// read from memory or a descriptor, else its path.
const char* ConstructionName(const Job& job);

// Points `parser` at the job's bytes (memory, a descriptor, or the path it
// was constructed with, named `job.name` when that is set).
void SetSource(const Job& job, CKalParser& parser);

// Registers every comment set of the job-ticket road, in its order, with
// the crop in `unit`: the structure and RIP comments, the bounding box,
// KALPPD and the copies (unless bit 0 of `skip_flags`), the XRX block
// (unless bit 1), the DEX block and the title.
void AddJobTicketComments(CKalParser& parser, char unit, int skip_flags);

// The job-ticket road: every comment set (less those `skip_flags` leaves
// out), the whole job; appends the rules to `rules`. dex_dir: the DEX output
// folder for this parse, null for KALOUTPUT. Answers the VantrelScanStatus;
// `detail`, when given, receives CKalParser::GetScanDetail.
// REQUIRES: the job names a non-empty path, or is in memory or on a
// descriptor with a name.
int RunRulesRoad(const Job& job, int skip_flags, const char* dex_dir,
                 CRuleKalPropArrArray& rules, std::string* detail = nullptr);

// The RIP road: the structure comments and, when with_bounding_box is 1, the
// bounding-box comments; the part of the job that scan_mode selects. `pairs`
// and `count` follow CKalParser::GetRipDataFromParser. Answers the
// VantrelScanStatus. REQUIRES: as RunRulesRoad.
int RunPairsRoad(const Job& job, int with_bounding_box, int scan_mode,
                 char unit, _tPairProperty*& pairs, int& count,
                 std::string* detail = nullptr);

}  // namespace vantrel

#endif  // VANTREL_ENTRY_ROADS_H_
