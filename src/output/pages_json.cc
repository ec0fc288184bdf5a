#include "output/pages_json.h"

#include <cmath>
#include <cstdint>

#include "output/escape.h"
#include "output/json_writer.h"
#include "platform/number_text.h"
#include "vantrel/scan_status.h"

namespace vantrel {

namespace {

// Whole numbers below this are written without a fraction; all the
// numbers of a job's pages and media are far below it.
constexpr double kWholeLimit = 1e15;

void AppendText(std::string& line, std::string_view text) {
  line += '"';
  line += Escape(text, Source::kLatin1, Style::kJson);
  line += '"';
}

void AppendList(std::string& line, const std::vector<std::string>& list) {
  line += '[';
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) line += ',';
    AppendText(line, list[i]);
  }
  line += ']';
}

void AppendMaybeText(std::string& line, const Maybe<std::string>& text) {
  if (text.known) {
    AppendText(line, text.value);
  } else {
    line += "null";
  }
}

void AppendPage(std::string& line, const PageRecord& page) {
  line += "{\"label\":";
  AppendText(line, page.label);
  line += ",\"ordinal\":";
  line += page.ordinal.known ? std::to_string(page.ordinal.value) : "null";
  line += ",\"offset\":" + std::to_string(page.offset);
  line += ",\"length\":" + std::to_string(page.length);
  line += ",\"bbox\":";
  if (page.bbox.known) {
    line += '[';
    for (size_t i = 0; i < page.bbox.value.size(); ++i) {
      if (i > 0) line += ',';
      line += NumberText(page.bbox.value[i]);
    }
    line += ']';
  } else {
    line += "null";
  }
  line += ",\"media\":";
  AppendMaybeText(line, page.media);
  line += ",\"orientation\":";
  if (page.orientation != nullptr) {
    AppendText(line, page.orientation);
  } else {
    line += "null";
  }
  line += ",\"features\":";
  AppendList(line, page.features);
  line += '}';
}

}  // namespace

const char* DuplexText(Duplex duplex) {
  switch (duplex) {
    case Duplex::kLongEdge:
      return "long-edge";
    case Duplex::kShortEdge:
      return "short-edge";
    case Duplex::kNone:
    default:
      return "none";
  }
}

std::string NumberText(double value) {
  if (std::fabs(value) < kWholeLimit && value == std::floor(value)) {
    return std::to_string(static_cast<int64_t>(value));
  }
  // Six decimals, as every number of the library is written, less the
  // zeros at the end.
  std::string text = FixedText(value);
  const size_t dot = text.find('.');
  if (dot != std::string::npos) {
    size_t end = text.find_last_not_of('0');
    if (end == dot) --end;
    text.erase(end + 1);
  }
  return text;
}

std::string PagesJson(std::string_view file, int status,
                      const PageReport& report) {
  std::string line = JsonHead(file, status);
  line += ",\"pages\":[";
  for (size_t i = 0; i < report.pages.size(); ++i) {
    if (i > 0) line += ',';
    AppendPage(line, report.pages[i]);
  }
  line += "],\"media\":[";
  for (size_t i = 0; i < report.media.size(); ++i) {
    const MediumRecord& m = report.media[i];
    if (i > 0) line += ',';
    line += "{\"name\":";
    AppendText(line, m.name);
    line += ",\"width\":" + NumberText(m.width) +
            ",\"height\":" + NumberText(m.height) +
            ",\"weight\":" + NumberText(m.weight) + ",\"color\":";
    AppendText(line, m.color);
    line += ",\"type\":";
    AppendText(line, m.type);
    line += '}';
  }
  line += "],\"requirements\":";
  AppendList(line, report.requirements);
  line += ",\"duplex\":";
  if (report.duplex.known) {
    AppendText(line, DuplexText(report.duplex.value));
  } else {
    line += "null";
  }
  line += ",\"collate\":";
  line += !report.collate.known  ? "null"
          : report.collate.value ? "true"
                                 : "false";
  line += ",\"language_level\":";
  line += report.languageLevel.known
              ? std::to_string(report.languageLevel.value)
              : "null";
  line += ",\"for\":";
  AppendMaybeText(line, report.forName);
  line += ",\"process_colors\":";
  AppendList(line, report.processColors);
  line += ",\"resources\":{\"needed\":";
  AppendList(line, report.neededResources);
  line += ",\"supplied\":";
  AppendList(line, report.suppliedResources);
  line += "}}";
  return line;
}

}  // namespace vantrel
