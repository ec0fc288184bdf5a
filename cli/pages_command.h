// `vantrel pages`: the job's pages, media and requirements.
#ifndef VANTREL_CLI_PAGES_COMMAND_H_
#define VANTREL_CLI_PAGES_COMMAND_H_

#include <ostream>
#include <string>

#include "commands.h"

namespace vantrel_cli {

// The report of one file: with Options::json the pages road's JSON line,
// else a listing with a line per page ("page 1 (ordinal 1)  offset 1234
// length 5678  bbox 0 0 595 842  media A4  Portrait") and a line per medium.
FileReport PagesOne(const Options& options, const std::string& file,
                    const std::string& read_path);

// As RunPairs and RunRules, on the pages road.
int RunPages(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_PAGES_COMMAND_H_
