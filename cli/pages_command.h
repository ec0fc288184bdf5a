// `vantrel pages`: the listing of the job's pages and media.
#ifndef VANTREL_CLI_PAGES_COMMAND_H_
#define VANTREL_CLI_PAGES_COMMAND_H_

#include <vantrel/vantrel_c.h>

#include <string>

namespace vantrel_cli {

// The text report of a pages result `r` for `file`: a head line, a line per
// page ("page 1 (ordinal 1)  offset 1234  length 5678  bbox 0 0 595 842
// media A4  Portrait") and a line per medium.
std::string PagesText(const std::string& file, const vantrel_result* r);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_PAGES_COMMAND_H_
