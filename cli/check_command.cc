#include "check_command.h"

#include <vantrel/vantrel.h>
#include <vantrel/vantrel_c.h>

#include <algorithm>
#include <memory>

#include "output/escape.h"
#include "parallel.h"
#include "stdin_spool.h"

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

FileReport CheckOne(const Options& options, const std::string& file,
                    const std::string& read_path) {
  CheckResult result(vantrel_check_file_named(read_path.c_str(), file.c_str()));
  FileReport report;
  const int status = vantrel_check_status(result.get());
  const std::string name = DisplayName(file);
  if (options.json) {
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

int RunCheck(const Options& options, std::ostream& out, std::ostream& err) {
  StdinSpool spool;
  std::string spool_error;
  bool spooled = false;
  if (std::find(options.files.begin(), options.files.end(), kStdinName) !=
      options.files.end()) {
    spooled = spool.Fill(0, spool_error);
  }
  int exit_status = 0;
  RunOrdered(
      options.files.size(), options.jobs,
      [&](unsigned /*worker*/, size_t index, FileOutput& output) {
        const std::string& file = options.files[index];
        if (file == kStdinName && !spooled) {
          output.err = "vantrel: -: " + spool_error + "\n";
          output.failed = true;
          return;
        }
        FileReport report =
            CheckOne(options, file, file == kStdinName ? spool.path() : file);
        output.out = std::move(report.out);
        output.err = std::move(report.err);
        output.failed = report.failed;
      },
      [&](size_t, FileOutput& output) {
        if (output.failed) exit_status = 1;
        out << output.out;
        out.flush();
        err << output.err;
      });
  return exit_status;
}

}  // namespace vantrel_cli
