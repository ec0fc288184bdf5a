#include "entry/check_road.h"

#include "engine/context.h"
#include "handlers/checks.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"
#include "vantrel/kal_parser.h"

namespace vantrel {

int RunCheckRoad(const Job& job, CheckReport& report) {
  report = CheckReport{};
  try {
    CKalParser parser(ConstructionName(job));
    SetSource(job, parser);
    parser.AddCheckComments();
    ParserContext* engine = CKalParserAccess::Engine(parser);
    if (engine == nullptr || engine->state == nullptr) {
      return VANTREL_SCAN_OUT_OF_MEMORY;
    }
    const std::shared_ptr<CheckState> check = HandlerVars(engine).check;
    if (check == nullptr) return VANTREL_SCAN_OUT_OF_MEMORY;

    CRuleKalPropArrArray scratch;
    parser.HandleFile(scratch, 15);
    const int status = parser.GetScanStatus();
    // A job that could not be read at all has no findings, only its status.
    if (status != VANTREL_SCAN_OK && !check->SawBytes()) return status;
    // A DOS EPS header whose PostScript section lies wholly outside the
    // file leaves the scan no byte to hand the checker: it is told here.
    if (!check->SawBytes() && engine->dosEps.present) {
      check->NoteDosEpsHeader(engine->dosEps.begin, engine->dosEps.length,
                              engine->dosEps.fileSize);
    }
    report = check->Finish();
    // Line numbers that skipped data could not be counted for are wrong:
    // the job was not read whole.
    if (status == VANTREL_SCAN_OK && !check->LinesExact()) {
      return VANTREL_SCAN_READ_ERROR;
    }
    return status;
  } catch (...) {
    report = CheckReport{};
    return VANTREL_SCAN_OUT_OF_MEMORY;
  }
}

}  // namespace vantrel
