// What the pages road reports for one job: its pages with their byte ranges,
// the media it asks for and what it requires of the printer. Filled by the
// page-index comment family while the job is scanned, written as JSON by
// PagesJson and handed to C hosts by the C API.
#ifndef VANTREL_OUTPUT_PAGE_REPORT_H_
#define VANTREL_OUTPUT_PAGE_REPORT_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// A value the job may leave unsaid.
template <typename T>
struct Maybe {
  bool known = false;
  T value{};
  void Set(const T& v) {
    known = true;
    value = v;
  }
};

// One of the job's own pages, in file order.
struct PageRecord {
  std::string label;       // as written, without its parentheses
  Maybe<int64_t> ordinal;  // unknown when not a number
  int64_t offset = 0;      // file offset of the "%" of its "%%Page:" line
  int64_t length = 0;      // up to the next page, the trailer or the end
  Maybe<std::array<double, 4>> bbox;
  Maybe<std::string> media;
  // "Portrait", "Landscape", "Seascape", "UpsideDown" (static texts), or
  // null when unknown.
  const char* orientation = nullptr;
  std::vector<std::string> features;  // "*Duplex DuplexTumble", as written
};

// One medium of "%%DocumentMedia".
struct MediumRecord {
  std::string name;
  double width = 0;
  double height = 0;
  double weight = 0;
  std::string color;
  std::string type;
};

enum class Duplex { kNone, kLongEdge, kShortEdge };

struct PageReport {
  std::vector<PageRecord> pages;
  std::vector<MediumRecord> media;
  std::vector<std::string> requirements;
  Maybe<Duplex> duplex;
  Maybe<bool> collate;
  Maybe<int32_t> languageLevel;
  Maybe<std::string> forName;
  std::vector<std::string> processColors;
  std::vector<std::string> neededResources;  // "font Times-Roman", ...
  std::vector<std::string> suppliedResources;
};

// The text of a duplex mode in the report: "none", "long-edge", "short-edge".
const char* DuplexText(Duplex duplex);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_PAGE_REPORT_H_
