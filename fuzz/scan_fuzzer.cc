// Fuzz target: one input buffer scanned in memory, with no files, through
// both roads in every scan mode. Built with libFuzzer under clang
// (VANTREL_BUILD_FUZZERS), or with the replay main of replay_main.h, which
// runs the committed seed corpus as a regression test.
//
// Besides crashes and sanitizer reports it stops on two wrong answers:
// - the block read in place and the block copied chunk by chunk (as a file
//   is read) give different results, through the roads and, with small
//   chunks so that small inputs span many, through the scanner alone;
// - the RIP road's whole-file crop differs from the job-ticket road's.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/context.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "engine/scanner.h"
#include "engine/sections.h"
#include "entry/roads.h"
#include "handlers/checks.h"
#include "output/findings.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"
#include "vantrel/vantrel.h"

namespace {

// Inputs above this size add nothing the chunk logic has not seen.
constexpr size_t kMaxInput = 1 << 20;

int64_t NoOpHandler(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                    int64_t, long*, void*, void*) {
  return 0;
}

std::string DumpRules(const CRuleKalPropArrArray& rules) {
  std::string out;
  for (int r = 0; r < rules.GetSize(); ++r) {
    const CRuleKalPropArray array = rules.GetAt(r);
    for (int i = 0; i < array.GetSize(); ++i) {
      const CKalProperty property = array.GetAt(i);
      std::string value;
      property.getValue(value);
      out += std::string(property.getPropertyName()) + "=" + value + ";";
    }
    out += "\n";
  }
  return out;
}

struct Answer {
  std::string dump;  // status and everything the road hands back
  std::string crop;  // "CropWidth=...;..." of the pairs or the document rule
  bool ok = false;   // the scan ran to its end
};

bool IsCrop(const char* name) { return std::strncmp(name, "Crop", 4) == 0; }

// The job-ticket road as its service runs it, with every comment set.
Answer Rules(const uint8_t* data, size_t size, int mode, bool copied) {
  Answer answer;
  CRuleKalPropArrArray rules;
  CKalParser parser("fuzz.ps");
  parser.SetMemorySource(data, size);
  if (copied)
    parser.AddComment("NoSuchFuzzComment", 0, 0, NoOpHandler, nullptr);
  vantrel::AddJobTicketComments(parser, 'M', 0);
  parser.HandleFile(rules, mode);
  parser.GetDataFromParser(rules);
  answer.ok = parser.GetScanStatus() == VANTREL_SCAN_OK;
  answer.dump =
      std::to_string(parser.GetScanStatus()) + "\n" + DumpRules(rules);
  if (rules.GetSize() > 0) {
    const CRuleKalPropArray document = rules.GetAt(rules.GetSize() - 1);
    for (int i = 0; i < document.GetSize(); ++i) {
      const CKalProperty property = document.GetAt(i);
      if (!IsCrop(property.getPropertyName())) continue;
      std::string value;
      property.getValue(value);
      answer.crop +=
          std::string(property.getPropertyName()) + "=" + value + ";";
    }
  }
  return answer;
}

// The RIP road as its service runs it.
Answer Pairs(const uint8_t* data, size_t size, int mode, char unit,
             bool copied) {
  Answer answer;
  CRuleKalPropArrArray scratch;
  CKalParser parser("fuzz.ps");
  parser.SetMemorySource(data, size);
  if (copied)
    parser.AddComment("NoSuchFuzzComment", 0, 0, NoOpHandler, nullptr);
  parser.AddStructureComments();
  parser.AddBoundingBox(unit);
  parser.HandleFile(scratch, mode);
  _tPairProperty* pairs = nullptr;
  int count = 0;
  parser.GetRipDataFromParser(pairs, count);
  answer.ok = parser.GetScanStatus() == VANTREL_SCAN_OK;
  answer.dump = std::to_string(parser.GetScanStatus()) + "\n";
  for (int i = 0; i < count; ++i) {
    const std::string pair =
        std::string(pairs[i].propName) + "=" + pairs[i].propValue + ";";
    answer.dump += pair;
    if (IsCrop(pairs[i].propName)) answer.crop += pair;
  }
  delete[] pairs;
  return answer;
}

// Appends "key|value line|offset|continuation|tail" to its user data.
int64_t RecordHit(char* context, CommentStruct* record, long, char* keyword,
                  char** position, char*, int64_t continuation,
                  int64_t value_offset, long*, void* user_data, void*) {
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  std::string& hits = *static_cast<std::string*>(user_data);
  hits += keyword;
  hits += '|';
  for (const char* p = *position; p < ctx->dataEnd && *p != '\n'; ++p) {
    hits += *p;
  }
  hits += "|" + std::to_string(value_offset) + "|" +
          std::to_string(continuation) + "|" +
          std::to_string(record->m_inTailPass) + "\n";
  return 0;
}

// Every comment the scanner dispatches, in chunks of `chunk` bytes, with the
// counted sections skipped.
std::string Hits(const uint8_t* data, size_t size, int mode, int chunk,
                 bool copied) {
  std::string hits;
  ParserContext* ctx = vantrel::ParserCreateContext("fuzz.ps");
  if (ctx == nullptr) return hits;
  vantrel::ParseState state;
  ctx->state = &state;  // for the handlers the scanner calls itself
  for (const char* key : {"Page:", "BoundingBox:", "Title:", "Pages:",
                          "EndComments", "Trailer", "EOF", "+", "!PS"}) {
    vantrel::ParserAddEntryToList(ctx, key, RecordHit, 0, &hits, 0);
  }
  vantrel::RegisterSectionSet(ctx);
  ctx->hasMemorySource = true;
  ctx->memoryData = data;
  ctx->memorySize = size;
  ctx->copyChunks = copied;
  ctx->wholeFileReadSize = chunk;
  CommentStruct record{};
  record.m_scanMode = mode;
  const int64_t result = vantrel::ParserScanFile(ctx, &record, nullptr);
  hits += "result " + std::to_string(result) + " status " +
          std::to_string(ctx->scanStatus);
  vantrel::ParserFreeContext(ctx);
  return hits;
}

// The checker's JSON for the job, in chunks of `chunk` bytes (0: the usual
// size), read in place or copied.
std::string CheckDump(const uint8_t* data, size_t size, int chunk,
                      bool copied) {
  CKalParser parser("fuzz.ps");
  parser.SetMemorySource(data, size);
  parser.AddCheckComments();
  ParserContext* ctx = CKalParserAccess::Engine(parser);
  if (ctx == nullptr || vantrel::HandlerVars(ctx).check == nullptr) return "";
  ctx->wholeFileReadSize = chunk;
  ctx->copyChunks = copied;
  CRuleKalPropArrArray scratch;
  parser.HandleFile(scratch, 15);
  return vantrel::CheckJson("fuzz.ps", parser.GetScanStatus(),
                            vantrel::HandlerVars(ctx).check->Finish());
}

void Differ(const char* what, int mode, const std::string& a,
            const std::string& b) {
  std::fprintf(stderr, "%s differ in mode %d:\n%s\n----\n%s\n", what, mode,
               a.c_str(), b.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Nothing from the environment the target runs in: no trace, no registry
  // settings, no job tickets written, no plug-in loaded.
  static const bool kIsolated = [] {
    for (const char* name : {"KALOUTPUT", "VANTREL_PLUGIN_PATH",
                             "VANTREL_TRACE", "VANTREL_REGISTRY"}) {
#if defined(_WIN32)
      _putenv_s(name, "");
#else
      unsetenv(name);
#endif
    }
    return true;
  }();
  (void)kIsolated;
  if (size > kMaxInput) return 0;

  // Chunk sizes from the input's first byte, so that the fuzzer moves the
  // chunk ends around.
  const int chunk = vantrel::kHeadSize + (size > 0 ? data[0] * 61 : 0);
  for (int mode : {1, 3, 15}) {
    const std::string in_place = Hits(data, size, mode, chunk, false);
    const std::string copied = Hits(data, size, mode, chunk, true);
    if (in_place != copied) {
      Differ("scanner hits in place and copied", mode, in_place, copied);
    }
  }

  // The checker counts lines alike however the chunks fall.
  const std::string checked = CheckDump(data, size, 0, false);
  const std::string checked_small = CheckDump(data, size, chunk, true);
  if (checked != checked_small) {
    Differ("findings in large and small chunks", 15, checked, checked_small);
  }

  for (int mode : {0, 1, 2, 3, 15}) {
    const Answer rules = Rules(data, size, mode, false);
    const Answer rules_copied = Rules(data, size, mode, true);
    if (rules.dump != rules_copied.dump) {
      Differ("rules in place and copied", mode, rules.dump, rules_copied.dump);
    }
    const char unit = "MIP"[mode % 3];
    const Answer pairs = Pairs(data, size, mode, unit, false);
    const Answer pairs_copied = Pairs(data, size, mode, unit, true);
    if (pairs.dump != pairs_copied.dump) {
      Differ("pairs in place and copied", mode, pairs.dump, pairs_copied.dump);
    }
    // One job, one answer: both roads give one crop when both scans ran to
    // their end (a job-ticket comment can end that road's scan early, as a
    // DEX block with no length does).
    if (mode == 15) {
      const Answer mm = unit == 'M' ? pairs : Pairs(data, size, 15, 'M', false);
      if (mm.ok && rules.ok && mm.crop != rules.crop) {
        Differ("crops of the two roads", mode, mm.crop, rules.crop);
      }
    }
  }
  return 0;
}

#if defined(VANTREL_FUZZ_REPLAY)
#include "replay_main.h"
#endif
