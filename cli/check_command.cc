#include "check_command.h"

#include <vantrel/vantrel.h>
#include <vantrel/vantrel_c.h>

#include <algorithm>
#include <memory>

#include "output/escape.h"

namespace vantrel_cli {

namespace {

// The name that stands for standard input, as on the other commands.
const char kStdinName[] = "-";

struct CheckDeleter {
  void operator()(vantrel_check_result* r) const { vantrel_check_free(r); }
};
using CheckResult = std::unique_ptr<vantrel_check_result, CheckDeleter>;

std::string DisplayName(const std::string& file) {
  return vantrel::Escape(file, vantrel::Source::kUtf8OrLatin1,
                         vantrel::Style::kDisplay);
}

}  // namespace

FileReport CheckOne(const std::string& file, int fd, bool json) {
  CheckResult result(fd >= 0 ? vantrel_check_fd(fd, file.c_str())
                             : vantrel_check_file(file.c_str()));
  FileReport report;
  const int status = vantrel_check_status(result.get());
  const std::string name = DisplayName(file);
  if (json) {
    if (result != nullptr) {
      report.out = std::string(vantrel_check_json(result.get())) + "\n";
    }
  } else {
    // The form compilers use, so that editors and CI logs find the line.
    const int count = vantrel_check_finding_count(result.get());
    for (int i = 0; i < count; ++i) {
      vantrel_finding_info f{};
      if (vantrel_check_finding(result.get(), i, &f) == 0) continue;
      report.out += name + ":" + std::to_string(f.line) + ": " +
                    (f.level == VANTREL_FINDING_ERROR ? "error" : "warning") +
                    ": " + f.message + " [" + f.code + "]\n";
    }
  }
  if (result == nullptr || status != VANTREL_SCAN_OK) {
    report.err =
        "vantrel: " + name + ": " + VantrelScanStatusText(status) + "\n";
    report.failed = true;
  }
  if (vantrel_check_error_count(result.get()) > 0) report.failed = true;
  return report;
}

}  // namespace vantrel_cli
