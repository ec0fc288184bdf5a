// Fuzz target: the registry export parser, fed the input as the text of an
// export file, for the folder the scanner reads and for a folder named by
// the input's own first section line. Built like scan_fuzzer.cc.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/registry.h"

namespace {

constexpr size_t kMaxInput = 1 << 18;
constexpr char kHeliosFolder[] =
    "\\Software\\Kalvor\\JobTicket\\Operations\\RipNT\\GlobalParams\\"
    "SupportHeliosServer";

void ReadFolder(const std::string& text, vantrel::RegistryRoot root,
                const char* path) {
  std::map<std::string, std::string> values;
  if (vantrel::ParseRegistryExport(text, root, path, values) != 1) return;
  for (const auto& value : values) {
    int flag = 0;
    vantrel::ReadRegistryFlag(value.second, flag);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  ReadFolder(text, vantrel::kHKeyLocalMachine, kHeliosFolder);
  ReadFolder(text, vantrel::kHKeyCurrentUser, "");
  // The folder of the first section line, below its root.
  const size_t open = text.find("\n[");
  if (open != std::string::npos) {
    const size_t slash = text.find('\\', open);
    const size_t close = text.find(']', open);
    if (slash != std::string::npos && close != std::string::npos &&
        slash < close) {
      const std::string folder = text.substr(slash, close - slash);
      ReadFolder(text, vantrel::kHKeyLocalMachine, folder.c_str());
      ReadFolder(text, vantrel::kHKeyCurrentUser, folder.c_str());
    }
  }
  return 0;
}

#if defined(VANTREL_FUZZ_REPLAY)
#include "replay_main.h"
#endif
