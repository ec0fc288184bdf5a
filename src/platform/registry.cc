#include "platform/registry.h"

namespace vantrel {

NTBaseRegHandle::NTBaseRegHandle(RegistryRoot root) : root_(root) {}
NTBaseRegHandle::~NTBaseRegHandle() = default;
int NTBaseRegHandle::openRegistryFolder(const char* /*path*/) { return 0; }
int NTBaseRegHandle::getBoolValueByName(const char* /*name*/, int& /*value*/,
                                        int /*reserved*/) {
  return 0;
}
void NTBaseRegHandle::closeRegistryFolder() {
  open_ = false;
  values_.clear();
}

}  // namespace vantrel
