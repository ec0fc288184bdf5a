#include <iostream>

#include "cli.h"

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The arguments as UTF-8, read from the wide command line: the ANSI argv
// would have lost every letter outside the code page, and the library takes
// file names as UTF-8.
int main() {
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (wide == nullptr) return 2;
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0,
                                      nullptr, nullptr);
    std::string arg(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0) {
      WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &arg[0], n, nullptr,
                          nullptr);
    }
    arg.resize(arg.size() - 1);
    args.push_back(arg);
  }
  LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  return vantrel_cli::Run(argc, argv.data(), std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  return vantrel_cli::Run(argc, argv, std::cout, std::cerr);
}
#endif
