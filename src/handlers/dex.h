// DEX job tickets: a "BeginDexJTData:" comment gives the length in bytes of
// the ticket data that begins on the next line. The data are copied, byte
// for byte, into a new file "<input name>_<n>.dexxml" in the folder named by
// the environment variable KALOUTPUT (or the parse's own folder), and that
// file's path is stored as the "DexJTData" property ("STRING", id 0). A job
// with several tickets also names each one, in order, as "DexJTData1",
// "DexJTData2", ..., and their number as "DexJTDataCount" ("int");
// "DexJTData" then names the last one. The ticket data are never scanned as
// comments. docs/dex.md has the whole story.
#ifndef VANTREL_HANDLERS_DEX_H_
#define VANTREL_HANDLERS_DEX_H_

#include <cstdint>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

// Room for an output file name and its NUL. A name that does not fit is
// not tried (never truncated: a cut name could lie outside the folder).
#if defined(_WIN32)
constexpr int kDexNameSize = 260;
#else
constexpr int kDexNameSize = 4096;
#endif

// Names tried per block: counters 0 to 999.
constexpr int kDexMaxCounter = 1000;

// "BeginDexJTData:" with the DEX data handler, param 0, no user data.
void RegisterDexxmlSet(ParserContext* context);

// The param of a "BeginDexJTData:" entry whose handler only steps over the
// block's data (RegisterDexStepSet).
constexpr long kDexStepOnly = 1;

// "BeginDexJTData:" with the DEX data handler in its step-only form,
// for a parse that extracts no tickets: a ticket's bytes are data on every
// road, so comment lines inside it (a "%%Trailer", a "%%BoundingBox") are
// never taken for the job's. A bad length steps over nothing and fails
// nothing. Both sets may be registered: this handler leaves the text
// position where it found it.
void RegisterDexStepSet(ParserContext* context);

// "BeginDexJTData:". Reads the length (a decimal number; none reads as 0).
// With param kDexStepOnly answers the offset of the block's last byte (0 for
// a bad length) and does nothing else. Otherwise answers -1, ending the scan,
// when the length is not positive (or beyond a long) or the block could not be
// saved whole (see saveDexxmlToFile). Without an output folder (KALOUTPUT unset
// or empty) nothing is written and the scan goes on. Otherwise answers the file
// offset of the block's last byte: the scanner skips the block and goes on
// after it.
VANTREL_COMMENT_HANDLER(ParserDexJTData);

// Writes the block of `num_bytes` bytes into a new file and stores
// "DexJTData". `*position` points after the length in the chunk buffer and
// `offset` is its file offset; the block starts after the rest of that line
// and the line breaks that follow. The part of the block beyond the chunk is
// read from the input file with positioned reads (the scanner's reading is
// undisturbed), through a fixed buffer, never past the end of the file.
// Answers true when the whole block was written and the property stored.
// When the file ends first, the file keeps what the input held and nothing
// is stored. Moves `*position` to the start of the block (or to the end of
// the data held, when the block starts beyond it) once a file was created.
bool saveDexxmlToFile(ParserContext* context, char** position, long num_bytes,
                      int64_t offset);

// Builds "<KALOUTPUT>/<base name>_<n>.dexxml" (the base name: the input
// path after its last "/" or "\", cut to 244 bytes at a UTF-8 character
// start when longer, so that the name fits the 255 bytes file systems
// allow) for n from 0 to 999 (from the one after this parse's last ticket,
// when it wrote one) and creates the first
// that is free, only in that folder (see CreateNewFile). Stops early when a
// name cannot be created for another reason than being taken. `name`
// receives the name tried last ("" when none), `*handle` the open
// descriptor or -1. Answers whether a file was created; when none was, the
// scan's detail names the folder and the reason
// ("/nonexistent: No such file or directory").
bool getFileNameAndDescriptor(ParserContext* context,
                              char (&name)[kDexNameSize], int* handle);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_DEX_H_
