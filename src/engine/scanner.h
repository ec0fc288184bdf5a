// The file scanner: reads a print file in chunks, finds every comment at a
// line start, looks its keyword up and dispatches the handler chain.
#ifndef VANTREL_ENGINE_SCANNER_H_
#define VANTREL_ENGINE_SCANNER_H_

#include <cstdint>

#include "engine/context.h"
#include "engine/pass_planner.h"
#include "engine/scan_record.h"

namespace vantrel {

// Scans the file of `context` as record->m_scanMode selects: 15 whole file,
// bit 0 head, bit 1 tail, 0 nothing. Other values are taken by their bits
// 0 and 1 alone (bits above are ignored), so every value ends. Answers 0 when
// the scan ran to its end (or had nothing to do), -1 when it failed; either
// way the context is released. context->scanStatus tells why.
//
// The scan covers a window of the source: all of it, or the PostScript
// section that a DOS EPS header names, less the Ctrl-D bytes it starts with.
// Passes examine disjoint parts of the window: a pass that follows another
// begins where the earlier one stopped examining (a tail pass at the
// window's last 8192 bytes at the earliest), so every byte a pass is meant to
// cover is examined once. Every chunk is read with the byte before it, so
// whether a "%" starts a line never depends on where a chunk or a pass
// begins.
int64_t ParserScanFile(ParserContext* context, CommentStruct* record,
                       void* caller);

// The Helios server support flag from the registry.
bool getHeliosSupport();

}  // namespace vantrel

#endif  // VANTREL_ENGINE_SCANNER_H_
