// The files that -r/--recursive scans under a directory argument.
#ifndef VANTREL_CLI_FILE_TREE_H_
#define VANTREL_CLI_FILE_TREE_H_

#include <string>
#include <vector>

namespace vantrel_cli {

// Answers `arguments` with every directory among them replaced by the
// regular files under it, in byte order of their paths (each written as the
// argument, a separator and the path below it). Links to files are
// followed; links to directories are not, so a tree with a loop of links
// ends. Other arguments ("-", files, names that do not exist) stay as they
// are, whatever their names, to be scanned or reported as without -r.
// A directory that cannot be read adds what could be read of it and one line
// "vantrel: DIR: reason" to `errors`.
std::vector<std::string> ExpandDirectories(
    const std::vector<std::string>& arguments, std::string* errors);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_FILE_TREE_H_
