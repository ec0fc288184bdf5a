// The pages road: the job's pages, media and requirements. Beside the
// job-ticket and RIP roads (roads.h), which it leaves as they are.
#ifndef VANTREL_ENTRY_PAGES_ROAD_H_
#define VANTREL_ENTRY_PAGES_ROAD_H_

#include "entry/roads.h"
#include "output/page_report.h"

namespace vantrel {

// Scans the whole job with the structure comments and the page-index
// comments and fills `report` (emptied first). Page offsets and lengths are
// file offsets: leading Ctrl-D or PJL bytes count, and a DOS EPS file's pages
// lie within its PostScript section. A failed scan leaves what it found
// before it failed. Answers the VantrelScanStatus.
// REQUIRES: as RunRulesRoad.
int RunPagesRoad(const Job& job, PageReport& report);

}  // namespace vantrel

#endif  // VANTREL_ENTRY_PAGES_ROAD_H_
