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
int64_t ParserScanFile(ParserContext* context, CommentStruct* record,
                       void* caller);

// The Helios server support flag from the registry.
bool getHeliosSupport();

}  // namespace vantrel

#endif  // VANTREL_ENGINE_SCANNER_H_
