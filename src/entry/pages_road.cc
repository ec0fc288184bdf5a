#include "entry/pages_road.h"

#include <utility>

#include "engine/context.h"
#include "handlers/page_index.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"

namespace vantrel {

int RunPagesRoad(const Job& job, PageReport& report) {
  report = PageReport{};
  try {
    CRuleKalPropArrArray scratch;
    CKalParser parser(ConstructionName(job));
    SetSource(job, parser);
    // The structure comments tell the job's own pages and trailer from
    // those of embedded documents and resources.
    parser.AddStructureComments();
    parser.AddPageIndexComments();
    parser.HandleFile(scratch, 15);
    ParserContext* engine = CKalParserAccess::Engine(parser);
    if (engine == nullptr) return VANTREL_SCAN_OUT_OF_MEMORY;
    PageIndexState* state = HandlerVars(engine).pageIndex.get();
    if (state == nullptr) return VANTREL_SCAN_OUT_OF_MEMORY;
    FinishPageIndex(*state, engine->windowEnd);
    report = std::move(state->report);
    return parser.GetScanStatus();
  } catch (...) {
    // Out of memory: a whole answer or none.
    report = PageReport{};
    return VANTREL_SCAN_OUT_OF_MEMORY;
  }
}

}  // namespace vantrel
