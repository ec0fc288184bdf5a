#include "output/findings.h"

#include "output/escape.h"
#include "output/json_writer.h"
#include "vantrel/scan_status.h"

namespace vantrel {

const char* FindingLevelName(FindingLevel level) {
  return level == FindingLevel::kError ? "error" : "warning";
}

std::string CheckJson(std::string_view file, int status,
                      const CheckReport& report) {
  std::string line = JsonHead(file, status);
  line += ",\"errors\":" + std::to_string(report.errors) +
          ",\"warnings\":" + std::to_string(report.warnings) +
          ",\"findings\":[";
  bool first = true;
  for (const Finding& f : report.findings) {
    if (!first) line += ',';
    first = false;
    line += "{\"line\":" + std::to_string(f.line) +
            ",\"offset\":" + std::to_string(f.offset) + ",\"level\":\"" +
            FindingLevelName(f.level) + "\",\"code\":\"" + f.code +
            "\",\"message\":\"" +
            Escape(f.message, Source::kUtf8OrLatin1, Style::kJson) + "\"}";
  }
  return line + "]}";
}

}  // namespace vantrel
