#include "pages_command.h"

#include <vantrel/vantrel_c.h>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <memory>
#include <sstream>

#include "output/escape.h"
#include "parallel.h"
#include "stdin_spool.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

const char kStdinName[] = "-";

struct ResultDeleter {
  void operator()(vantrel_result* r) const { vantrel_result_free(r); }
};
using Result = std::unique_ptr<vantrel_result, ResultDeleter>;

std::string Display(const char* text, Source source = Source::kLatin1) {
  return Escape(text != nullptr ? text : "", source, Style::kDisplay);
}

// A number as the JSON writes it, without the fraction of a whole number.
std::string Number(double value) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::setprecision(12) << value;
  return out.str();
}

std::string PagesText(const std::string& file, const vantrel_result* r) {
  std::ostringstream out;
  out << Display(file.c_str(), Source::kUtf8OrLatin1) << ": ";
  const int status = vantrel_result_status(r);
  if (status == VANTREL_SCAN_OK) {
    out << "ok\n";
  } else {
    out << "failed (" << VantrelScanStatusText(status) << ")\n";
  }
  vantrel_page_info page;
  const int count = vantrel_result_page_count(r);
  if (count == 0) out << "  (no pages)\n";
  for (int i = 0; vantrel_result_page(r, i, &page) != 0; ++i) {
    out << "  page " << Display(page.label);
    if (page.has_ordinal) out << " (ordinal " << page.ordinal << ')';
    out << "  offset " << page.offset << "  length " << page.length;
    if (page.has_bbox) {
      out << "  bbox " << Number(page.bbox[0]) << ' ' << Number(page.bbox[1])
          << ' ' << Number(page.bbox[2]) << ' ' << Number(page.bbox[3]);
    }
    if (page.media != nullptr) out << "  media " << Display(page.media);
    if (page.orientation != nullptr) out << "  " << page.orientation;
    for (int f = 0; f < page.feature_count; ++f) {
      out << "  feature " << Display(vantrel_result_page_feature(r, i, f));
    }
    out << '\n';
  }
  vantrel_medium_info medium;
  for (int i = 0; vantrel_result_medium(r, i, &medium) != 0; ++i) {
    out << "  medium " << Display(medium.name) << "  " << Number(medium.width)
        << " x " << Number(medium.height) << "  weight "
        << Number(medium.weight);
    if (*medium.color != '\0') out << "  " << Display(medium.color);
    if (*medium.type != '\0') out << "  " << Display(medium.type);
    out << '\n';
  }
  return out.str();
}

}  // namespace

FileReport PagesOne(const Options& options, const std::string& file,
                    const std::string& read_path) {
  Result result(vantrel_pages_file_named(read_path.c_str(), file.c_str()));
  FileReport report;
  const int status = vantrel_result_status(result.get());
  const std::string failure =
      "vantrel: " + Display(file.c_str(), Source::kUtf8OrLatin1) + ": " +
      VantrelScanStatusText(status) + "\n";
  if (result == nullptr) {
    report.err = failure;
    report.failed = true;
    return report;
  }
  report.out = options.json
                   ? std::string(vantrel_result_json(result.get())) + "\n"
                   : PagesText(file, result.get());
  if (status != VANTREL_SCAN_OK) {
    report.failed = true;
    report.err = failure;
  }
  return report;
}

int RunPages(const Options& options, std::ostream& out, std::ostream& err) {
  // Standard input is spooled once, however often "-" is named, as on the
  // other roads.
  StdinSpool spool;
  std::string spool_error;
  bool spooled = false;
  if (std::find(options.files.begin(), options.files.end(), kStdinName) !=
      options.files.end()) {
    spooled = spool.Fill(0, spool_error);
  }
  int exit_status = 0;
  bool first = true;
  RunOrdered(
      options.files.size(), options.jobs,
      [&](unsigned, size_t index, FileOutput& output) {
        const std::string& file = options.files[index];
        if (file == kStdinName && !spooled) {
          output.err = "vantrel: -: " + spool_error + "\n";
          output.failed = true;
          return;
        }
        FileReport report =
            PagesOne(options, file, file == kStdinName ? spool.path() : file);
        output.out = std::move(report.out);
        output.err = std::move(report.err);
        output.failed = report.failed;
      },
      [&](size_t, FileOutput& output) {
        if (output.failed) exit_status = 1;
        if (!output.out.empty()) {
          if (!options.json && !first) out << '\n';
          out << output.out;
          first = false;
        }
        out.flush();
        err << output.err;
      });
  return exit_status;
}

}  // namespace vantrel_cli
