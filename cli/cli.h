// The vantrel command-line tool, callable with injected streams.
//
//   vantrel pairs [--mode MODE] [--unit UNIT] [--no-bbox] [-j N] [-r]
//                 [--json] [--values] [--csv FIELD,...] [--trace] FILE...
//   vantrel rules [--skip FLAGS] [--dex-dir DIR] [-j N] [-r] [--json]
//                 [--values] [--csv FIELD,...] [--trace] FILE...
//   vantrel COMMAND -h | --help
//   vantrel -h | --help | --version
#ifndef VANTREL_CLI_CLI_H_
#define VANTREL_CLI_CLI_H_

#include <ostream>

namespace vantrel_cli {

// Runs the tool on `argv` (argv[0], the program name, is not read). "-h" or
// "--help" anywhere before "--" prints the help and nothing else: the
// command's own when the first argument names one, else the tool's. Reports
// go to `out`; failures, one line each, to `err` as "vantrel: FILE: reason"
// or, for a bad command line, "vantrel: message". The library's own trace
// lines (--trace) go to the process's stderr, not to `err`.
// --trace sets VANTREL_TRACE=stderr for the parses and restores it before
// returning; --dex-dir DIR is handed to each parse (the environment is not
// touched). A FILE "-" is standard input (see stdin_spool.h).
// -j N scans N files at once (default: the number of cores); `out` and `err`
// receive exactly what -j 1 writes, in the order of the files, each file's
// report as soon as it and those before it are done. Traced runs scan one
// file at a time. With -r a FILE that is a folder stands for the regular
// files under it (see file_tree.h); a folder that cannot be read is reported
// before the scans and makes the status 1.
// Answers the exit status: 0 when every scan ran, 1 when a scan failed (the
// other files are still reported) or the output could not be written, 2 for a
// bad command line (nothing scanned).
int Run(int argc, const char* const* argv, std::ostream& out,
        std::ostream& err);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_CLI_H_
