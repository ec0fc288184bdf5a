// The instruction-count benchmark: one piece of work per sub-command, run
// once inside vib_counted(), so that `valgrind --tool=callgrind
// --toggle-collect=vib_counted` counts that work and nothing else (not the
// program's start, the inputs' loading or a warm-up call). Instruction
// counts are the same on a busy machine as on an idle one, which wall-clock
// figures on a shared two-core machine are not. bench/instructions.sh runs
// the sub-commands and prints the figures; see README.md.
//
// Without valgrind the program still runs (and answers the same lines), so
// a sub-command can be tried quickly by hand. It needs no valgrind header.
//
// Each sub-command prints one line of `key=value` words on standard output
// (what was scanned, the scan status, what the comparison found) for the
// script to read; errors go to standard error with exit status 1.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "inputs.h"
#include "vantrel/vantrel.h"
#include "vantrel/vantrel_c.h"

// The one counted region. Not inlined and not a tail call (the empty asm
// after the call keeps the frame), so callgrind sees it entered and left
// exactly once; extern "C" keeps its name plain for --toggle-collect.
extern "C" __attribute__((noinline)) void vib_counted(void (*work)(void*),
                                                      void* arg) {
  work(arg);
  asm volatile("" ::: "memory");
}

namespace {

using vantrel_bench::CountPercentSigns;
using vantrel_bench::InputFile;
using vantrel_bench::LoadFile;

// The scanner's whole-file chunk (4 x 61440 bytes), so that the comparison
// makes as many read() calls as a whole-file scan.
constexpr size_t kReadChunk = 4 * 61440;

// ---------------------------------------------------------------- the work

// read() loop over the file, each chunk searched for every "%".
struct ReadPass {
  const char* path;
  int64_t bytes = -1;
  int64_t percent = 0;
};

void DoReadPass(void* arg) {
  ReadPass* r = static_cast<ReadPass*>(arg);
  const int fd = ::open(r->path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  // Not zero-filled: the read fills it, and a memset of it would add a
  // tenth to the pass over a 20 MB file.
  std::unique_ptr<char[]> buffer(new char[kReadChunk]);
  int64_t bytes = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), kReadChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes += n;
    r->percent += CountPercentSigns(buffer.get(), buffer.get() + n);
  }
  ::close(fd);
  r->bytes = bytes;
}

// A memchr pass for "%" over a block in memory.
struct MemoryPass {
  const std::string* block;
  int64_t percent = 0;
};

void DoMemoryPass(void* arg) {
  MemoryPass* m = static_cast<MemoryPass*>(arg);
  const char* p = m->block->data();
  m->percent = CountPercentSigns(p, p + m->block->size());
}

// The job-ticket road on a file, the rules dropped at the end.
struct RulesFile {
  CParserObjectIF* parser;
  const char* path;
  int status = -1;
  int rules = 0;
};

void DoRulesFile(void* arg) {
  RulesFile* r = static_cast<RulesFile*>(arg);
  CRuleKalPropArrArray rules;
  r->parser->ParseToRules(r->path, rules, 0, 0);
  r->status = r->parser->GetLastScanStatus();
  r->rules = rules.GetSize();
}

// `calls` RIP-road calls on a file, each array released.
struct PairsFile {
  CRipBaseParserIF* rip;
  const char* path;
  int mode;
  int calls;
  int status = -1;
  int pairs = 0;
};

void DoPairsFile(void* arg) {
  PairsFile* p = static_cast<PairsFile*>(arg);
  for (int i = 0; i < p->calls; ++i) {
    _tPairProperty* pairs = nullptr;
    int count = 0;
    p->rip->ParseToPairs(p->path, pairs, count, 1, p->mode, 'M');
    delete[] pairs;
    p->pairs = count;
  }
  p->status = p->rip->GetLastScanStatus();
}

// The C API's job-ticket road on a block in memory, the result released.
// No DEX folder: a ticket in the job is read but not written.
struct RulesMemory {
  const std::string* block;
  int status = -1;
  int rules = 0;
};

void DoRulesMemory(void* arg) {
  RulesMemory* r = static_cast<RulesMemory*>(arg);
  vantrel_result* result =
      vantrel_rules_memory(r->block->data(), r->block->size(), "job.ps", 0, "");
  r->status = vantrel_result_status(result);
  r->rules = vantrel_result_rule_count(result);
  vantrel_result_free(result);
}

// ------------------------------------------------------------ sub-commands

int Fail(const char* what, const char* path) {
  std::fprintf(stderr, "vantrel_instr_bench: %s %s: %s\n", what, path,
               std::strerror(errno));
  return 1;
}

// Writes the synthetic inputs into `dir`: the 20 KB document of the scan
// benchmark and `percent_mb` MB of lines of "%" signs.
int MakeInputs(const std::string& dir, int64_t percent_mb) {
  InputFile small;
  InputFile percents;
  std::string error;
  if (!vantrel_bench::WriteDocument(dir + "/small.ps", 20 * 1000, 0, 0, &small,
                                    &error) ||
      !vantrel_bench::WritePercentLines(
          dir + "/percents.ps", percent_mb * 1000 * 1000, &percents, &error)) {
    std::fprintf(stderr, "vantrel_instr_bench: %s\n", error.c_str());
    return 1;
  }
  std::printf("small=%s small_bytes=%" PRId64
              " percents=%s percents_bytes=%" PRId64 " percents_lines=%" PRId64
              "\n",
              small.path.c_str(), small.size, percents.path.c_str(),
              percents.size, percents.lines);
  return 0;
}

int Usage(FILE* out) {
  std::fprintf(
      out,
      "usage: vantrel_instr_bench COMMAND ARGS [--warmup FILE]\n"
      "  inputs DIR [MB]         write DIR/small.ps (20 KB document) and\n"
      "                          DIR/percents.ps (MB, default 20, of lines\n"
      "                          of 2 to 41 \"%%\" signs)\n"
      "  read-pass FILE          read() loop of %zu-byte chunks, memchr for\n"
      "                          every \"%%\" in each\n"
      "  memory-pass FILE        the file read into memory, then (counted) a\n"
      "                          memchr pass for every \"%%\"\n"
      "  rules-file FILE         CreateParserObject(0)->ParseToRules(FILE,\n"
      "                          rules, 0, 0)\n"
      "  pairs-file FILE MODE [CALLS]\n"
      "                          CALLS (default 1) RipCreateParserObject()->\n"
      "                          ParseToPairs(FILE, pairs, count, 1, MODE, "
      "'M')\n"
      "  rules-memory FILE       the file read into memory, then (counted)\n"
      "                          vantrel_rules_memory(data, size, \"job.ps\", "
      "0, \"\")\n"
      "--warmup FILE runs the same road once on FILE before the counted\n"
      "work (the parser objects are made before it in any case).\n"
      "Only the work inside vib_counted() is counted; run under\n"
      "valgrind --tool=callgrind --toggle-collect=vib_counted.\n",
      kReadChunk);
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  std::string warmup;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return Usage(stdout);
    if (a == "--warmup" && i + 1 < argc) {
      warmup = argv[++i];
    } else {
      args.push_back(a);
    }
  }
  if (args.size() < 2) return Usage(stderr);
  const std::string& command = args[0];
  const char* path = args[1].c_str();

  if (command == "inputs") {
    return MakeInputs(args[1],
                      args.size() > 2 ? std::atoll(args[2].c_str()) : 20);
  }
  if (command == "read-pass") {
    ReadPass r{path};
    vib_counted(DoReadPass, &r);
    if (r.bytes < 0) return Fail("read", path);
    std::printf("bytes=%" PRId64 " percent=%" PRId64 "\n", r.bytes, r.percent);
    return 0;
  }
  if (command == "memory-pass" || command == "rules-memory") {
    std::string block;
    if (!LoadFile(path, &block)) return Fail("read", path);
    if (command == "memory-pass") {
      MemoryPass m{&block};
      vib_counted(DoMemoryPass, &m);
      std::printf("bytes=%zu percent=%" PRId64 "\n", block.size(), m.percent);
      return 0;
    }
    if (!warmup.empty()) {
      std::string small;
      if (!LoadFile(warmup, &small)) {
        return Fail("read", warmup.c_str());
      }
      RulesMemory w{&small};
      DoRulesMemory(&w);
    }
    RulesMemory r{&block};
    vib_counted(DoRulesMemory, &r);
    std::printf("bytes=%zu status=%s rules=%d\n", block.size(),
                VantrelScanStatusText(r.status), r.rules);
    return 0;
  }
  if (command == "rules-file") {
    std::unique_ptr<CParserObjectIF> parser(CreateParserObject(0));
    if (parser == nullptr) return Fail("no parser object for", path);
    if (!warmup.empty()) {
      RulesFile w{parser.get(), warmup.c_str()};
      DoRulesFile(&w);
    }
    RulesFile r{parser.get(), path};
    vib_counted(DoRulesFile, &r);
    std::printf("status=%s rules=%d\n", VantrelScanStatusText(r.status),
                r.rules);
    return 0;
  }
  if (command == "pairs-file" && args.size() >= 3) {
    std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
    if (rip == nullptr) return Fail("no parser object for", path);
    const int mode = std::atoi(args[2].c_str());
    const int calls = args.size() > 3 ? std::atoi(args[3].c_str()) : 1;
    if (calls < 1) return Usage(stderr);
    if (!warmup.empty()) {
      PairsFile w{rip.get(), warmup.c_str(), mode, 1};
      DoPairsFile(&w);
    }
    PairsFile p{rip.get(), path, mode, calls};
    vib_counted(DoPairsFile, &p);
    std::printf("calls=%d status=%s pairs=%d\n", calls,
                VantrelScanStatusText(p.status), p.pairs);
    return 0;
  }
  return Usage(stderr);
}
