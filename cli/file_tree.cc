#include "file_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "output/escape.h"

namespace vantrel_cli {

namespace {

namespace fs = std::filesystem;

std::string Display(const std::string& path) {
  return vantrel::Escape(path, vantrel::Source::kUtf8OrLatin1,
                         vantrel::Style::kDisplay);
}

// The path as the command line spells it: UTF-8 on every platform.
std::string Utf8(const fs::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) { return fs::u8path(text); }

std::string Join(const std::string& folder, const std::string& name) {
  const char last = folder.empty() ? '/' : folder.back();
  if (last == '/' || last == static_cast<char>(fs::path::preferred_separator)) {
    return folder + name;
  }
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

// Folders are walked from a list, not by recursion, so a deep tree costs
// heap, not stack.
void AddTree(const std::string& root, std::vector<std::string>& files,
             std::string* errors) {
  std::vector<std::string> found;
  std::vector<std::string> folders{root};
  while (!folders.empty()) {
    const std::string folder = folders.back();
    folders.pop_back();
    std::error_code error;
    fs::directory_iterator it(FromUtf8(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      const fs::directory_entry& entry = *it;
      std::error_code type_error;
      const std::string path = Join(folder, Utf8(entry.path().filename()));
      // A link to a folder is not walked into, so a loop of links ends.
      if (entry.is_symlink(type_error)) {
        if (entry.is_regular_file(type_error)) found.push_back(path);
      } else if (entry.is_directory(type_error)) {
        folders.push_back(path);
      } else if (entry.is_regular_file(type_error)) {
        found.push_back(path);
      }
    }
    if (error) {
      *errors += "vantrel: " + Display(folder) + ": " + error.message() + "\n";
    }
  }
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

}  // namespace

std::vector<std::string> ExpandDirectories(
    const std::vector<std::string>& arguments, std::string* errors) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (argument != "-" && fs::is_directory(FromUtf8(argument), error)) {
      AddTree(argument, files, errors);
    } else {
      files.push_back(argument);
    }
  }
  return files;
}

}  // namespace vantrel_cli
