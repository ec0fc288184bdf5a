#include "engine/scanner.h"
#include "platform/registry.h"
#include "platform/trace.h"

namespace vantrel {

bool getHeliosSupport() {
  VTRACE("Begin getHeliosSupport()");
  NTBaseRegHandle handle(kHKeyLocalMachine);
  static const char path[] =
      "\\Software\\Kalvor\\JobTicket\\Operations\\RipNT\\GlobalParams\\"
      "SupportHeliosServer";
  int flag = 0;
  VTRACE("getHeliosSupport() before openRegistryFolder().");
  if (handle.openRegistryFolder(path) == 0) {
    VTRACE("getHeliosSupport() Error return openRegistryFolder().");
  } else {
    VTRACE("getHeliosSupport() before getBoolValueByName().");
    if (handle.getBoolValueByName("PropertyValue", flag, 0) == 0) {
      VTRACE("getHeliosSupport() Error return getBoolValueByName().");
    } else {
      VTRACE("getHeliosSupport() before closeRegistryFolder().");
      handle.closeRegistryFolder();
    }
  }
  VTRACE("End getHeliosSupport() HeliosSupport = %d", flag);
  return flag != 0;
}

}  // namespace vantrel
