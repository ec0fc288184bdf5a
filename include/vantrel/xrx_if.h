// The XRX parser interface, CParseXRXCommentsIf. It is declared, with the
// rest of what a plug-in implements, in <vantrel/xrx_plugin.h>; this header
// stays for code that includes it by this name.
#ifndef VANTREL_XRX_IF_H_
#define VANTREL_XRX_IF_H_

#include "vantrel/xrx_plugin.h"

#endif  // VANTREL_XRX_IF_H_
