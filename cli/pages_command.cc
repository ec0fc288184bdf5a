#include "pages_command.h"

#include <vantrel/vantrel_c.h>

#include <iomanip>
#include <locale>
#include <sstream>

#include "output/escape.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

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

}  // namespace

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


}  // namespace vantrel_cli
