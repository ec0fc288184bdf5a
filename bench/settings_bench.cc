// The settings benchmark: a print server's loop of head scans on the RIP
// road, without a settings file and with one named by VANTREL_REGISTRY, at
// two loop lengths. With the file the calls must cost about what they cost
// without it (the file is read once, then only looked at for a change), and
// the reads of the file must stay at one whatever the loop's length.
// A plain program; it reports and does not judge.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "measure.h"
#include "platform/registry.h"
#include "vantrel/vantrel.h"

namespace {

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Microseconds per call of `calls` head scans, and the file reads they made.
void Run(CRipBaseParserIF& rip, const std::string& job, int calls,
         const char* label) {
  const uint64_t reads = vantrel::RegistryFileReads();
  const double start = vantrel_bench::Now();
  for (int i = 0; i < calls; ++i) {
    _tPairProperty* pairs = nullptr;
    int count = 0;
    rip.ParseToPairs(job.c_str(), pairs, count, 1, 1, 'P');
    delete[] pairs;
  }
  const double seconds = vantrel_bench::Now() - start;
  std::printf("%-18s %6d calls  %8.2f us/call  settings file reads %" PRIu64
              "\n",
              label, calls, seconds * 1e6 / calls,
              vantrel::RegistryFileReads() - reads);
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  const std::string job = dir + "/vantrel-settings-bench.ps";
  const std::string settings = dir + "/vantrel-settings-bench.reg";
  Write(job, "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 792\n%%EndComments\n");
  Write(settings,
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kalvor\\JobTicket\\Operations\\RipNT\\"
        "GlobalParams\\SupportHeliosServer]\n"
        "\"SupportHeliosServer\"=dword:00000000\n");
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  if (rip == nullptr) return 1;
  for (int calls : {1000, 10000}) {
    unsetenv("VANTREL_REGISTRY");
    Run(*rip, job, calls, "no settings file");
    setenv("VANTREL_REGISTRY", settings.c_str(), 1);
    Run(*rip, job, calls, "settings file");
  }
  std::remove(job.c_str());
  std::remove(settings.c_str());
  return 0;
}
