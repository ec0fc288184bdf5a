// The check road: the checker's comments on the scanner, the whole job,
// findings out (`vantrel check`, vantrel_check_file, vantrel.check).
#ifndef VANTREL_ENTRY_CHECK_ROAD_H_
#define VANTREL_ENTRY_CHECK_ROAD_H_

#include "entry/roads.h"
#include "output/findings.h"

namespace vantrel {

// Checks the whole job and fills `report` (emptied first). Answers the
// VantrelScanStatus: a scan that failed part way keeps the findings made
// before it stopped. REQUIRES: as RunRulesRoad.
int RunCheckRoad(const Job& job, CheckReport& report);

}  // namespace vantrel

#endif  // VANTREL_ENTRY_CHECK_ROAD_H_
