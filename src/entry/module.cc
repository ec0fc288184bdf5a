// The library's load hook, the out-of-line members of the public
// interface classes, and the scan status texts.
#include "platform/trace.h"
#include "vantrel/parser_if.h"

namespace {

// The load hook. What a parse writes belongs to the parse; loading brings
// into being only what is process-wide: the trace object. Nothing is torn down at unload,
// so a host thread that still parses while the process exits never touches
// a destroyed object.
struct ModuleLifetime {
  ModuleLifetime() {
    vantrel::Trace();
  }
};

ModuleLifetime g_module_lifetime;

}  // namespace

#if defined(_WIN32)
#include <windows.h>

// Windows load hook. The C++ runtime runs the module's static constructors
// and destructors (ModuleLifetime above) on attach and detach.
BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/,
                    LPVOID /*reserved*/) {
  return TRUE;
}
#endif

CParserObjectIF::~CParserObjectIF() = default;
CRipBaseParserIF::~CRipBaseParserIF() = default;

extern "C" VANTREL_API const char* VantrelScanStatusText(int status) {
  switch (status) {
    case VANTREL_SCAN_OK:
      return "ok";
    case VANTREL_SCAN_NOT_RUN:
      return "not scanned";
    case VANTREL_SCAN_NO_SUCH_FILE:
      return "no such file";
    case VANTREL_SCAN_PERMISSION_DENIED:
      return "permission denied";
    case VANTREL_SCAN_IS_DIRECTORY:
      return "is a directory";
    case VANTREL_SCAN_READ_ERROR:
      return "read error";
    case VANTREL_SCAN_PATH_TOO_LONG:
      return "path too long";
    case VANTREL_SCAN_OUT_OF_MEMORY:
      return "out of memory";
    case VANTREL_SCAN_PDF_REFUSED:
      return "PDF input is not supported";
    case VANTREL_SCAN_HANDLER_FAILED:
      return "scan failed";
    case VANTREL_SCAN_NOT_REGULAR_FILE:
      return "not a regular file";
    case VANTREL_SCAN_JOB_TICKET_FAILED:
      return "job-ticket data could not be extracted";
    case VANTREL_SCAN_BAD_ARGUMENT:
      return "bad argument";
    default:
      return "unknown error";
  }
}
