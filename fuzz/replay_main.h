// The replay main of the fuzz targets: runs every file named on the command
// line, or every file in the folders named there, through
// LLVMFuzzerTestOneInput, so that a committed corpus runs as a regression
// test under CTest with any compiler. Included once, by a target's source.
#ifndef VANTREL_FUZZ_REPLAY_MAIN_H_
#define VANTREL_FUZZ_REPLAY_MAIN_H_

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

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

#endif  // VANTREL_FUZZ_REPLAY_MAIN_H_
