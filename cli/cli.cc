#include "cli.h"

#include <vantrel/vantrel_c.h>
#include <vantrel/version.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check_command.h"
#include "commands.h"
#include "file_tree.h"
#include "output/escape.h"
#include "parallel.h"
#include "values.h"
#include "vantrel_build_info.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

// Subcommands; --help lists them in this order. "vantrel COMMAND --help"
// shows the command's usage, its options and its examples.
struct Command {
  const char* name;
  const char* summary;
  int (*function)(const Options& options, std::ostream& out, std::ostream& err);
  // Example command lines, each indented by 2 and followed by what it does,
  // indented by 6; null for none.
  const char* examples = nullptr;
};

const Command kCommands[] = {
    {"pairs", "list the key/value pairs that a RIP front end gets", RunPairs,
     "  vantrel pairs --unit pt job.ps\n"
     "      the crop of a job, in points\n"
     "  vantrel pairs -r --mode head --values jobs/\n"
     "      the head of every job under a folder, one JSON object each\n"},
    {"rules", "list the rules and properties that job-ticket software gets",
     RunRules,
     "  vantrel rules job.ps\n"
     "      every property of a job, with its rules\n"
     "  vantrel rules -r --csv Title,NumPages jobs/\n"
     "      title and page count of every job under a folder, as CSV\n"
     "  vantrel rules --dex-dir tickets job.ps\n"
     "      the job's DEX job tickets written into the folder tickets\n"},
    {"pages",
     "list the pages with their byte ranges, the media and the "
     "requirements",
     RunPages,
     "  vantrel pages job.ps\n"
     "      one line per page: label, ordinal, byte range, box, media\n"
     "  vantrel pages --json job.ps | jq '.pages[] | [.offset, .length]'\n"
     "      where each page lies in the file, to cut it out\n"},
    {"check", "list what is wrong with each job, line by line", RunCheck,
     "  vantrel check job.ps\n"
     "      one line per finding: file:line: level: message [code]\n"
     "  vantrel check -r --json jobs/\n"
     "      the findings of every job under a folder, one JSON object each\n"},
};

// What the command line asked for besides the library settings.
struct Invocation {
  Options options;
  bool trace = false;
  bool recursive = false;
};

// Each answers false when `value` is not one it accepts.
using Apply = bool (*)(const std::string& value, Invocation& invocation);

struct Named {
  const char* name;
  int value;
};

// Words are taken in any letter case: "MM", "Whole".
bool SameWord(const std::string& text, const char* word) {
  size_t i = 0;
  for (; i < text.size() && word[i] != '\0'; ++i) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(text[i]) != lower(word[i])) return false;
  }
  return i == text.size() && word[i] == '\0';
}

bool Lookup(const Named* table, size_t size, const std::string& text,
            int* value) {
  for (size_t i = 0; i < size; ++i) {
    if (SameWord(text, table[i].name)) {
      *value = table[i].value;
      return true;
    }
  }
  return false;
}

// The library's scan modes. Only the documented numbers are taken: other bit
// patterns have no defined meaning to the scanner.
const Named kModes[] = {
    {"whole", 15}, {"head", 1}, {"tail", 2}, {"both", 3}, {"0", 0},
    {"1", 1},      {"2", 2},    {"3", 3},    {"15", 15},
};
const Named kUnits[] = {
    {"mm", 'M'}, {"in", 'I'}, {"pt", 'P'}, {"M", 'M'}, {"I", 'I'}, {"P", 'P'},
};
// Bit 0 leaves out the job-ticket and copies sets, bit 1 the XRX set.
const Named kSkipFlags[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}};

bool ApplyMode(const std::string& value, Invocation& invocation) {
  return Lookup(kModes, sizeof kModes / sizeof kModes[0], value,
                &invocation.options.scan_mode);
}
bool ApplyUnit(const std::string& value, Invocation& invocation) {
  int unit = 0;
  if (!Lookup(kUnits, sizeof kUnits / sizeof kUnits[0], value, &unit)) {
    return false;
  }
  invocation.options.unit = static_cast<char>(unit);
  return true;
}
bool ApplyNoBoundingBox(const std::string&, Invocation& invocation) {
  invocation.options.with_bounding_box = 0;
  return true;
}
bool ApplySkip(const std::string& value, Invocation& invocation) {
  return Lookup(kSkipFlags, sizeof kSkipFlags / sizeof kSkipFlags[0], value,
                &invocation.options.skip_flags);
}
bool ApplyJson(const std::string&, Invocation& invocation) {
  invocation.options.json = true;
  return true;
}
bool ApplyTrace(const std::string&, Invocation& invocation) {
  invocation.trace = true;
  return true;
}
bool ApplyRecursive(const std::string&, Invocation& invocation) {
  invocation.recursive = true;
  return true;
}
bool ApplyValues(const std::string&, Invocation& invocation) {
  invocation.options.values = true;
  invocation.options.json = true;
  return true;
}
bool ApplyCsv(const std::string& value, Invocation& invocation) {
  return ParseCsvFields(value, &invocation.options.csv_fields);
}
// More threads than this gain nothing on any machine the tool runs on.
constexpr unsigned kMaxJobs = 256;

bool ApplyJobs(const std::string& value, Invocation& invocation) {
  if (value.empty() || value.size() > 9 ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long jobs = std::strtoul(value.c_str(), nullptr, 10);
  if (jobs == 0) return false;
  invocation.options.jobs =
      static_cast<unsigned>(std::min<unsigned long>(jobs, kMaxJobs));
  return true;
}
bool ApplyDexDir(const std::string& value, Invocation& invocation) {
  if (value.empty()) return false;
  invocation.options.has_dex_dir = true;
  invocation.options.dex_dir = value;
  return true;
}

struct OptionSpec {
  const char* name;
  const char* value_name;  // null for a flag
  // The commands it applies to, separated by blanks ("pairs rules"); null:
  // all.
  const char* command;
  const char* help;
  Apply apply;
  const char* short_name = nullptr;  // "-r" beside "--recursive"
  // What a bad value is told to take, as in "(mm, in, pt)"; null: nothing.
  const char* choices = nullptr;
};

const OptionSpec kOptions[] = {
    {"--mode", "MODE", "pairs",
     "part of the file to scan: whole (default), head, tail, both, or the "
     "library's 0, 1, 2, 3, 15; in any letter case",
     ApplyMode, nullptr, "whole, head, tail, both, 0, 1, 2, 3, 15"},
    {"--unit", "UNIT", "pairs",
     "unit of the crop values: mm (default), in, pt, or the library's M, I, "
     "P; in any letter case",
     ApplyUnit, nullptr, "mm, in, pt"},
    {"--no-bbox", nullptr, "pairs", "leave out the bounding-box comments",
     ApplyNoBoundingBox},
    {"--skip", "FLAGS", "rules",
     "comment sets to leave out: 1 job ticket and copies, 2 XRX, 3 both "
     "(default 0)",
     ApplySkip, nullptr, "0, 1, 2, 3"},
    {"--dex-dir", "DIR", "rules",
     "existing folder to write the DEX job tickets into (default: "
     "$KALOUTPUT; with neither, none are written)",
     ApplyDexDir, nullptr, "a folder"},
    {"-j", "N", nullptr,
     "files scanned at once (default: the number of cores); reports and "
     "failure lines still come in the order of the files, exactly as with "
     "-j 1 (--trace, or VANTREL_TRACE set, scans one at a time)",
     ApplyJobs, nullptr, "a number from 1"},
    {"--recursive", nullptr, nullptr,
     "scan every regular file under each FILE that is a folder, in byte "
     "order of path; links to files are followed, links to folders are not",
     ApplyRecursive, "-r"},
    {"--json", nullptr, nullptr, "one JSON object per file, one line each",
     ApplyJson},
    {"--values", nullptr, "pairs rules",
     "with --json (which it implies): each object maps every property name "
     "to its value, numbers as numbers, flags as true/false; rules: the "
     "page-range and booklet rules under \"page_rules\" and "
     "\"booklet_rules\"",
     ApplyValues},
    {"--csv", "FIELD,...", "pairs rules",
     "a header row \"file,scan,FIELD,...\", then one row per file (quoted "
     "as RFC 4180 asks); a field the file lacks is empty",
     ApplyCsv, nullptr, "property names separated by commas"},
    {"--trace", nullptr, nullptr, "write the library's trace lines to stderr",
     ApplyTrace},
};

const OptionSpec* FindOption(const std::string& name) {
  for (const OptionSpec& option : kOptions) {
    if (name == option.name ||
        (option.short_name != nullptr && name == option.short_name)) {
      return &option;
    }
  }
  return nullptr;
}

bool AppliesTo(const OptionSpec& option, const char* command) {
  if (option.command == nullptr) return true;
  const std::string list = std::string(" ") + option.command + " ";
  return list.find(std::string(" ") + command + " ") != std::string::npos;
}

std::string OptionLabel(const OptionSpec& option) {
  std::string label;
  if (option.short_name != nullptr)
    label = option.short_name + std::string(", ");
  label += option.name;
  if (option.value_name != nullptr)
    label += std::string(" ") + option.value_name;
  return label;
}

// "[-r]" or "[--mode MODE]" for a usage line: the short name when there is
// one.
std::string UsageItem(const OptionSpec& option) {
  std::string item = "[";
  item += option.short_name != nullptr ? option.short_name : option.name;
  if (option.value_name != nullptr)
    item += std::string(" ") + option.value_name;
  return item + "]";
}

// A command-line text as it may appear inside a message.
std::string Quote(const std::string& text) {
  return "'" + Escape(text, Source::kUtf8OrLatin1, Style::kDisplay) + "'";
}

const char kHelpOption[] = "-h, --help";

// The environment variables the tool and the library read, for --help.
struct EnvironmentHelp {
  const char* name;
  const char* lines[4];  // null after the last
};
const EnvironmentHelp kEnvironmentHelp[] = {
    {"VANTREL_TRACE",
     {"\"stderr\" writes the library's trace lines to stderr; a",
      "path with a \"/\" (./vantrel.log) appends them to that",
      "file. Other values write none and are reported once on", "stderr."}},
#if defined(_WIN32)
    {"VANTREL_REGISTRY",
     {"a registry export file (as regedit writes it) read instead",
      "of the system's registry for the library's settings, such",
      "as Helios server support. A file that cannot be read is",
      "reported once on stderr."}},
    {"VANTREL_PLUGIN_PATH",
     {"folders, separated by \";\", searched first for the XRX",
      "job-ticket plug-in (XRXParseDLL.dll), before the",
      "library's own folder and the system's search path.", nullptr}},
#else
    {"VANTREL_REGISTRY",
     {"a registry export file (as regedit writes it) with the",
      "library's settings, such as Helios server support. A file",
      "that cannot be read is reported once on stderr.", nullptr}},
    {"VANTREL_PLUGIN_PATH",
     {"folders, separated by \":\", searched first for the XRX",
      "job-ticket plug-in (libXRXParseDLL.so), before the",
      "library's own folder and the system's search path.", nullptr}},
#endif
    {"KALOUTPUT",
     {"the folder where rules writes DEX job tickets (--dex-dir",
      "takes its place for one run); unset or empty, none are",
      "written.", nullptr}},
};
constexpr size_t kEnvironmentWidth = sizeof "VANTREL_PLUGIN_PATH" - 1;

std::string UsageLine(const Command& command) {
  std::string line = std::string("vantrel ") + command.name;
  for (const OptionSpec& option : kOptions) {
    if (AppliesTo(option, command.name)) line += " " + UsageItem(option);
  }
  return line + " FILE...";
}

// The options of `command` (null: of every command, each named with the
// commands it applies to).
void WriteOptions(const Command* command, std::ostream& out) {
  std::vector<const OptionSpec*> shown;
  std::vector<std::string> labels;
  size_t width = sizeof kHelpOption - 1;
  for (const OptionSpec& option : kOptions) {
    if (command != nullptr && !AppliesTo(option, command->name)) continue;
    shown.push_back(&option);
    labels.push_back(OptionLabel(option));
    width = std::max(width, labels.back().size());
  }
  for (size_t i = 0; i < shown.size(); ++i) {
    const OptionSpec& option = *shown[i];
    out << "  " << labels[i] << std::string(width + 2 - labels[i].size(), ' ');
    if (command == nullptr && option.command != nullptr) {
      std::string names = option.command;
      std::replace(names.begin(), names.end(), ' ', '/');
      out << names << ": ";
    }
    out << option.help << '\n';
  }
  out << "  " << kHelpOption
      << std::string(width + 2 - (sizeof kHelpOption - 1), ' ')
      << "this help; it wins over every other argument before \"--\"\n";
}

void WriteCommandHelp(const Command& command, std::ostream& out) {
  out << "usage: " << UsageLine(command) << "\n\n"
      << command.name << ": " << command.summary << ".\n\nOptions:\n";
  WriteOptions(&command, out);
  if (command.examples != nullptr) out << "\nExamples:\n" << command.examples;
  out << "\nA FILE \"-\" is standard input. \"vantrel --help\" tells the "
         "rest: scan modes,\ntype codes, environment, exit status.\n";
}

void WriteHelp(std::ostream& out) {
  const char* lead = "usage: ";
  for (const Command& command : kCommands) {
    out << lead;
    out << UsageLine(command) << '\n';
    lead = "       ";
  }
  out << lead << "vantrel COMMAND -h | --help\n"
      << lead << "vantrel -h | --help | --version\n\nCommands:\n";
  for (const Command& command : kCommands) {
    out << "  " << command.name << "  " << command.summary << '\n';
  }
  out << "\nOptions:\n";
  WriteOptions(nullptr, out);
  out << "\nExamples:\n";
  for (const Command& command : kCommands) {
    if (command.examples != nullptr) out << command.examples;
  }
  out << "\nScan modes: 0 scans nothing; it reports only what every scan ends "
         "with, the\njob's (empty) custom colour list. tail (2) reports no "
         "crop: a tail pass takes\nonly a box that the header announced with "
         "\"%%BoundingBox: (atend)\", and a\ntail-only scan reads no "
         "header.\n";
  out << "\nJSON \"type\" codes (the text listing shows their names):\n"
      << "  pairs       " << TypeCodeList(true) << '\n'
      << "  properties  " << TypeCodeList(false) << '\n'
      << "  bool is a 0/1 flag, short a 16-bit integer; other codes show as "
         "\"type N\".\n";
  out << "\nEnvironment:\n";
  for (const EnvironmentHelp& variable : kEnvironmentHelp) {
    out << "  " << variable.name
        << std::string(kEnvironmentWidth + 2 - std::strlen(variable.name), ' ')
        << variable.lines[0] << '\n';
    for (size_t i = 1; i < sizeof variable.lines / sizeof variable.lines[0] &&
                       variable.lines[i] != nullptr;
         ++i) {
      out << std::string(kEnvironmentWidth + 4, ' ') << variable.lines[i]
          << '\n';
    }
  }
  out << "\nStandard input: a FILE \"-\" reads the job from standard input, in "
         "every\nmode. It is copied to a temporary file in $TMPDIR (else /tmp), "
         "unlinked at once\nand scanned under the name \"-\": memory stays "
         "bounded whatever the job's size,\nthe temporary folder needs room "
         "for the job, and no signal leaves the file behind.\n";
  out << "\nExit status: 0 when every scan ran, 1 when a scan failed, 2 for a "
         "bad\ncommand line. -j changes neither the output nor the status.\n";
}

void SetEnvironment(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

// Sets a library setting for the parses of one run (the trace). The library
// reads the variable while it parses, so it has to be in the environment; it
// is put back as it was afterwards.
class ScopedSetting {
 public:
  ScopedSetting(bool on, const char* name, const std::string& value)
      : on_(on), name_(name) {
    if (!on_) return;
    const char* old = std::getenv(name_);
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    SetEnvironment(name_, value.c_str());
  }
  ~ScopedSetting() {
    if (on_) SetEnvironment(name_, had_old_ ? old_.c_str() : nullptr);
  }
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

 private:
  bool on_;
  const char* name_;
  bool had_old_ = false;
  std::string old_;
};

// Answers 0 on success, 2 after writing a usage error.
int ParseArguments(const Command& command, const std::vector<std::string>& args,
                   Invocation& invocation, std::ostream& err) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      if (arg.empty()) {
        err << "vantrel: empty FILE argument\n";
        return 2;
      }
      invocation.options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    // "-j4" is "-j 4", as make and compilers' drivers take it.
    const bool glued_jobs =
        arg.size() > 2 && arg.compare(0, 2, "-j") == 0 && arg[2] != '=';
    const size_t equals = glued_jobs ? 1 : arg.find('=');
    const std::string name = arg.substr(0, glued_jobs ? 2 : equals);
    const OptionSpec* option = FindOption(name);
    if (option == nullptr) {
      err << "vantrel: unknown option " << Quote(name) << '\n';
      return 2;
    }
    if (!AppliesTo(*option, command.name)) {
      err << "vantrel: option " << Quote(name) << " does not apply to "
          << Quote(command.name) << '\n';
      return 2;
    }
    std::string value;
    if (option->value_name == nullptr) {
      if (equals != std::string::npos) {
        err << "vantrel: option " << Quote(name) << " takes no value\n";
        return 2;
      }
    } else if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      err << "vantrel: option " << Quote(name) << " needs a value\n";
      return 2;
    }
    if (!option->apply(value, invocation)) {
      err << "vantrel: bad value " << Quote(value) << " for " << Quote(name);
      if (option->choices != nullptr) err << " (" << option->choices << ')';
      err << '\n';
      return 2;
    }
  }
  if (invocation.options.files.empty()) {
    err << "vantrel: missing FILE argument\n";
    return 2;
  }
  if (!invocation.options.csv_fields.empty() && invocation.options.json) {
    err << "vantrel: option '--csv' does not go with '"
        << (invocation.options.values ? "--values" : "--json") << "'\n";
    return 2;
  }
  return 0;
}

}  // namespace

int Run(int argc, const char* const* argv, std::ostream& out,
        std::ostream& err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  }

  if (args.empty()) {
    err << "vantrel: missing command (try 'vantrel --help')\n";
    return 2;
  }
  // Help wins over anything else on the line, so that adding -h to a
  // command line that fails always explains it. After "--" every argument
  // is a file, "-h" too.
  // "vantrel COMMAND -h" is the command's own help.
  const Command* help_command = nullptr;
  for (const Command& c : kCommands) {
    if (args[0] == c.name) help_command = &c;
  }
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") {
      if (help_command != nullptr) {
        WriteCommandHelp(*help_command, out);
      } else {
        WriteHelp(out);
      }
      return out.flush() ? 0 : 1;
    }
  }
  const std::string& first = args[0];
  if (first == "--version") {
    if (args.size() > 1) {
      err << "vantrel: unexpected argument " << Quote(args[1]) << '\n';
      return 2;
    }
    // The library's version is the loaded library's own, which may differ
    // from the tool's when another libvantrel is found first.
    out << "vantrel " VANTREL_VERSION_STRING "\nlibrary " << vantrel_version()
        << "\nbuild " VANTREL_BUILD_TYPE;
    if (*VANTREL_BUILD_COMMIT != '\0') out << ", commit " VANTREL_BUILD_COMMIT;
    out << '\n';
    return out.flush() ? 0 : 1;
  }

  const Command* command = nullptr;
  for (const Command& c : kCommands) {
    if (first == c.name) command = &c;
  }
  if (command == nullptr) {
    if (FindOption(first.substr(0, first.find('='))) != nullptr) {
      err << "vantrel: missing command before " << Quote(first) << '\n';
    } else if (first.size() > 1 && first[0] == '-') {
      err << "vantrel: unknown option " << Quote(first) << '\n';
    } else {
      err << "vantrel: unknown command " << Quote(first) << '\n';
    }
    return 2;
  }

  Invocation invocation;
  invocation.options.jobs = DefaultJobs();
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (ParseArguments(*command, rest, invocation, err) != 0) return 2;
  // Folders unfold before any scan; one that cannot be read is reported
  // first and makes the exit status 1, the files found still scanned.
  std::string tree_errors;
  if (invocation.recursive) {
    invocation.options.files =
        ExpandDirectories(invocation.options.files, &tree_errors);
    err << tree_errors;
  }
  // The library writes its trace lines itself, as each parse goes: parses
  // side by side would mix the lines of their files. Traced runs scan one
  // file at a time, so each file's lines come together and in order.
  const char* trace_setting = std::getenv("VANTREL_TRACE");
  if (invocation.trace ||
      (trace_setting != nullptr && *trace_setting != '\0')) {
    invocation.options.jobs = 1;
  }

  int status;
  {
    ScopedSetting trace(invocation.trace, "VANTREL_TRACE", "stderr");
    status = command->function(invocation.options, out, err);
  }
  if (status == 0 && !tree_errors.empty()) status = 1;
  if (!out.flush()) {
    err << "vantrel: cannot write the output\n";
    return 1;
  }
  return status;
}

}  // namespace vantrel_cli
