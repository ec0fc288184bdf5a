// A RIP front end as many are written: it includes the installed headers,
// links nothing of the library, loads it by name at run time and finds the
// factories with dlsym. Releasing the pairs with delete[] must need no symbol
// of the library.
#include <dlfcn.h>
#include <vantrel/vantrel.h>

#include <cstdio>
#include <cstring>

namespace {

#if defined(__APPLE__)
const char kLibrary[] = "libvantrel.0.dylib";
#else
const char kLibrary[] = "libvantrel.so.0";
#endif

template <typename Function>
Function Find(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) {
    std::fprintf(stderr, "dlopen_host: %s not found\n", name);
    return nullptr;
  }
  Function function;
  std::memcpy(&function, &symbol, sizeof function);
  return function;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dlopen_host FILE\n");
    return 2;
  }
  void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "dlopen_host: %s\n", dlerror());
    return 1;
  }
  auto rip_factory =
      Find<CRipBaseParserIF* (*)()>(library, "RipCreateParserObject");
  auto job_factory =
      Find<CParserObjectIF* (*)(int)>(library, "CreateParserObject");
  if (rip_factory == nullptr || job_factory == nullptr) return 1;

  CRipBaseParserIF* rip = rip_factory();
  if (rip == nullptr) return 1;
  _tPairProperty* pairs = nullptr;
  int count = 0;
  if (rip->ParseToPairs(argv[1], pairs, count, 1, 15, 'P') != 1) return 1;
  for (int i = 0; i < count; ++i) {
    std::printf("%s(%d)=%s\n", pairs[i].propName, pairs[i].propType,
                pairs[i].propValue);
  }
  delete[] pairs;
  delete rip;

  CParserObjectIF* job = job_factory(0);
  if (job == nullptr) return 1;
  delete job;
  dlclose(library);
  return count > 0 ? 0 : 1;
}
