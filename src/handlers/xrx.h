// XRX job tickets: blocks opened by "XRXbegin:" are handed to an external
// parser library (the plug-in of <vantrel/xrx_plugin.h>), which adds its
// rules to the caller's container.
//
// The loader and the parser object live in the scan context
// (m_pLoaderLibrary, m_pParseXRX): made at the first "XRXbegin:" of a scan,
// released with the context when the scan ends.
#ifndef VANTREL_HANDLERS_XRX_H_
#define VANTREL_HANDLERS_XRX_H_

#include <cstdint>

#include "handlers/comment_handler.h"
#include "vantrel/xrx_plugin.h"

struct ParserContext;

namespace vantrel {

// The most text the parser object is given from the value of "XRXbegin:"
// on, wherever the chunk boundaries fall: as much as one chunk of a
// whole-file scan can hold. The block handed over ends sooner at the end of
// its "%XRXend" line, at the next "%XRXbegin:" line, or at the end of the
// file.
constexpr int kXRXTextWindow = VANTREL_XRX_TEXT_MAX;

// "XRXbegin:" with the XRX handler, param 0, no user data.
void RegisterXRXSet(ParserContext* context);

// Makes the loader when it is missing, then, when there is no parser object
// yet, loads the plug-in library and asks it for one. Failures are traced;
// m_pParseXRX stays null then.
// The handler calls it at most once per scan: after a failure the scan's
// further blocks are not handed anywhere.
void LoadXRXPareseDLL(ParserContext* context);

// Destroys the parser object, then lets the loader unload the library that
// holds the object's code, then destroys the loader. Null fields are
// skipped; safe to call repeatedly.
void ReleaseXRXObjects(ParserContext* context);

// "XRXbegin:": loads the parser on first use and hands it the block (see
// <vantrel/xrx_plugin.h> for the calls). The text position is not moved: the
// block's own lines are scanned on as ordinary text. Always answers 0.
// `caller` is the CRuleKalPropArrArray the rules go to; with a null caller
// the block is parsed but nothing is filled.
VANTREL_COMMENT_HANDLER(ParserXRX);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_XRX_H_
