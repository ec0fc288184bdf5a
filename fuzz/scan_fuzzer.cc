// Fuzz target: one input buffer, written to a scratch file, parsed through
// both public roads under a few option sets. Built with libFuzzer under
// clang (VANTREL_BUILD_FUZZERS), or with the replay main below, which runs
// the committed seed corpus as a regression test.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vantrel/vantrel.h"

namespace {

// Inputs above this size add nothing the chunk logic has not seen.
constexpr size_t kMaxInput = 1 << 20;

const std::string& ScratchPath() {
  static const std::string path = [] {
    const char* dir = getenv("TMPDIR");
    std::string p = std::string(dir != nullptr ? dir : "/tmp") +
                    "/vantrel-fuzz-" + std::to_string(getpid()) + ".ps";
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Inputs with job tickets must neither write files nor load a plug-in
  // from whatever environment the target runs in.
  static const bool kIsolated = [] {
#if defined(_WIN32)
    _putenv_s("KALOUTPUT", "");
    _putenv_s("VANTREL_PLUGIN_PATH", "");
#else
    unsetenv("KALOUTPUT");
    unsetenv("VANTREL_PLUGIN_PATH");
#endif
    return true;
  }();
  (void)kIsolated;
  if (size > kMaxInput) return 0;
  const std::string& path = ScratchPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  // One file, one answer: the RIP road's whole-file crop (in millimetres)
  // must be the crop of the job-ticket road, when both scans ran to their
  // end (a job-ticket comment can end that road's scan early, as a DEX
  // block with no length does).
  std::string rip_crop;
  bool rip_ok = false;
  CRipBaseParserIF* rip = RipCreateParserObject();
  _tPairProperty* pairs = nullptr;
  int count = 0;
  for (int mode : {15, 1, 2, 3}) {
    rip->ParseToPairs(path.c_str(), pairs, count, 1, mode, "MIP"[mode % 3]);
    if (mode == 15) {
      rip_ok = rip->GetLastScanStatus() == VANTREL_SCAN_OK;
      for (int i = 0; i < count; ++i) {
        if (std::strncmp(pairs[i].propName, "Crop", 4) == 0) {
          rip_crop += std::string(pairs[i].propName) + "=" +
                      pairs[i].propValue + ";";
        }
      }
    }
  }
  delete[] pairs;
  delete rip;

  std::string rules_crop;
  bool rules_ok = false;
  CParserObjectIF* jt = CreateParserObject(0);
  for (int skip : {0, 3}) {
    CRuleKalPropArrArray rules;
    jt->ParseToRules(path.c_str(), rules, skip, 0);
    if (skip != 0 || rules.GetSize() == 0) continue;
    rules_ok = jt->GetLastScanStatus() == VANTREL_SCAN_OK;
    const CRuleKalPropArray document = rules.GetAt(rules.GetSize() - 1);
    for (int i = 0; i < document.GetSize(); ++i) {
      const CKalProperty property = document.GetAt(i);
      if (std::strncmp(property.getPropertyName(), "Crop", 4) == 0) {
        std::string value;
        property.getValue(value);
        rules_crop += std::string(property.getPropertyName()) + "=" + value + ";";
      }
    }
  }
  delete jt;
  if (rip_ok && rules_ok && rip_crop != rules_crop) {
    std::fprintf(stderr, "crops differ: pairs '%s', rules '%s'\n",
                 rip_crop.c_str(), rules_crop.c_str());
    std::abort();
  }
  std::remove(path.c_str());
  return 0;
}

#if defined(VANTREL_FUZZ_REPLAY)
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// Replays every file named on the command line, or every file in the folders
// named there.
int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& e : std::filesystem::directory_iterator(argv[i])) {
        if (e.is_regular_file()) files.push_back(e.path());
      }
    } else {
      files.emplace_back(argv[i]);
    }
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++runs;
    }
  }
  std::printf("replayed %d inputs\n", runs);
  return runs > 0 ? 0 : 1;
}
#endif
