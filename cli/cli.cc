#include "cli.h"

#include <vantrel/version.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check_command.h"
#include "commands.h"
#include "output/escape.h"
#include "parallel.h"

namespace vantrel_cli {

namespace {

using vantrel::Escape;
using vantrel::Source;
using vantrel::Style;

// Subcommands; --help lists them in this order.
struct Command {
  const char* name;
  const char* summary;
  int (*function)(const Options& options, std::ostream& out, std::ostream& err);
};

const Command kCommands[] = {
    {"pairs", "list the key/value pairs that a RIP front end gets", RunPairs},
    {"rules", "list the rules and properties that job-ticket software gets",
     RunRules},
    {"check", "list what is wrong with each job, line by line", RunCheck},
};

// What the command line asked for besides the library settings.
struct Invocation {
  Options options;
  bool trace = false;
};

// Each answers false when `value` is not one it accepts.
using Apply = bool (*)(const std::string& value, Invocation& invocation);

struct Named {
  const char* name;
  int value;
};

bool Lookup(const Named* table, size_t size, const std::string& text,
            int* value) {
  for (size_t i = 0; i < size; ++i) {
    if (text == table[i].name) {
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
  const char* command;     // the one command it applies to; null: all
  const char* help;
  Apply apply;
};

const OptionSpec kOptions[] = {
    {"--mode", "MODE", "pairs",
     "part of the file to scan: whole (default), head, tail, both, or the "
     "library's 0, 1, 2, 3, 15",
     ApplyMode},
    {"--unit", "UNIT", "pairs",
     "unit of the crop values: mm (default), in, pt, or the library's M, I, P",
     ApplyUnit},
    {"--no-bbox", nullptr, "pairs", "leave out the bounding-box comments",
     ApplyNoBoundingBox},
    {"--skip", "FLAGS", "rules",
     "comment sets to leave out: 1 job ticket and copies, 2 XRX, 3 both "
     "(default 0)",
     ApplySkip},
    {"--dex-dir", "DIR", "rules",
     "existing folder to write the DEX job tickets into (default: "
     "$KALOUTPUT; with neither, none are written)",
     ApplyDexDir},
    {"-j", "N", nullptr,
     "files scanned at once (default: the number of cores); reports and "
     "failure lines still come in the order of the files, exactly as with "
     "-j 1 (--trace, or VANTREL_TRACE set, scans one at a time)",
     ApplyJobs},
    {"--json", nullptr, nullptr, "one JSON object per file, one line each",
     ApplyJson},
    {"--trace", nullptr, nullptr, "write the library's trace lines to stderr",
     ApplyTrace},
};

const OptionSpec* FindOption(const std::string& name) {
  for (const OptionSpec& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
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

void WriteHelp(std::ostream& out) {
  const char* lead = "usage: ";
  for (const Command& command : kCommands) {
    out << lead << "vantrel " << command.name;
    for (const OptionSpec& option : kOptions) {
      if (option.command != nullptr &&
          std::strcmp(option.command, command.name) != 0) {
        continue;
      }
      out << " [" << option.name;
      if (option.value_name != nullptr) out << ' ' << option.value_name;
      out << ']';
    }
    out << " FILE...\n";
    lead = "       ";
  }
  out << lead << "vantrel -h | --help | --version\n\nCommands:\n";
  for (const Command& command : kCommands) {
    out << "  " << command.name << "  " << command.summary << '\n';
  }
  out << "\nOptions:\n";
  std::vector<std::string> labels;
  size_t width = sizeof kHelpOption - 1;
  for (const OptionSpec& option : kOptions) {
    labels.push_back(option.name);
    if (option.value_name != nullptr)
      labels.back() += std::string(" ") + option.value_name;
    width = std::max(width, labels.back().size());
  }
  for (size_t i = 0; i < labels.size(); ++i) {
    const OptionSpec& option = kOptions[i];
    out << "  " << labels[i] << std::string(width + 2 - labels[i].size(), ' ');
    if (option.command != nullptr) out << option.command << ": ";
    out << option.help << '\n';
  }
  out << "  " << kHelpOption
      << std::string(width + 2 - (sizeof kHelpOption - 1), ' ')
      << "this help; it wins over every other argument before \"--\"\n";
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
         "scanned there\nunder the name \"-\" and removed: memory stays "
         "bounded whatever the job's size,\nthe temporary folder needs room "
         "for the job.\n";
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
    if (option->command != nullptr &&
        std::strcmp(option->command, command.name) != 0) {
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
      err << "vantrel: bad value " << Quote(value) << " for " << Quote(name)
          << '\n';
      return 2;
    }
  }
  if (invocation.options.files.empty()) {
    err << "vantrel: missing FILE argument\n";
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
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") {
      WriteHelp(out);
      return out.flush() ? 0 : 1;
    }
  }
  const std::string& first = args[0];
  if (first == "--version") {
    if (args.size() > 1) {
      err << "vantrel: unexpected argument " << Quote(args[1]) << '\n';
      return 2;
    }
    out << "vantrel " VANTREL_VERSION_STRING "\n";
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
  if (!out.flush()) {
    err << "vantrel: cannot write the output\n";
    return 1;
  }
  return status;
}

}  // namespace vantrel_cli
