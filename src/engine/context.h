// The scan engine context and the keyword table entry.
#ifndef VANTREL_ENGINE_CONTEXT_H_
#define VANTREL_ENGINE_CONTEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "vantrel/comment_handler.h"

class CParseXRXCommentsIf;
struct ParserContext;
namespace vantrel {
class ByteSource;
class CLoaderLibrary;
class KeywordIndex;
struct ParseState;
}  // namespace vantrel

// One slot of the keyword table. Chained entries (`next`) are separately
// allocated and zero-initialised.
struct CommentEntry {
  const char* key;  // not owned; must stay unchanged while the table lives
  CommentHandler handler;
  int prefix;  // non-zero: the key also matches the start of a longer word
  long param;
  void* userData;
  int keyLen;
  CommentEntry* next;
};

// Calls the scanner makes on behalf of comment families that live elsewhere.
// Each may be null (nothing happens).
struct ScannerHooks {
  // At "(%%[" in the tail pass; `text` follows the marker.
  void (*pdfPageMessage)(ParserContext* context, CommentStruct* record,
                         char* text);
  // At "translate" while the translate flag is 0; the answer becomes the
  // flag (non-zero: stop looking).
  int (*macLandscapeCheck)(ParserContext* context, CommentStruct* record,
                           char* text);
  // The EPS page count at a "%!" line of an EPS file.
  CommentHandler epsPageCount;
  // Whether macLandscapeCheck can answer non-zero at this point of the scan
  // (null: always). While it answers false the scanner does not look for
  // "translate" at all, which spares a search through every byte of a job
  // that no Mac client wrote.
  bool (*macLandscapeArmed)(ParserContext* context, CommentStruct* record);
  // The checker counts lines and looks at lines that hold no registered
  // comment, so it is handed each chunk once the chunk's comments were
  // dispatched, and before bytes are carried into the next chunk. `data`
  // holds the window's bytes from file offset `offset`; the scan has moved
  // on to `upto` (the chunk's end, or where a carried comment begins). Calls
  // come in file order; a range may be handed on again (after a carry), but
  // no byte is skipped on a whole-file pass except where a handler asked
  // for a skip; the chunk after a skip is read with its true byte before
  // it, at data[-1]. `data` is valid only during the call.
  void (*passedBytes)(ParserContext* context, const char* data, int64_t offset,
                      int64_t upto);
  // Frees what a family holds for the scan (the XRX plug-in objects) when
  // the context is released.
  void (*release)(ParserContext* context);
};

// The scan engine context of one CKalParser: keyword table, file, chunk
// buffer. Made by ParserCreateContext, emptied by ParserReleaseContext at the
// end of every scan, freed by ParserFreeContext.
struct ParserContext {
  // The keyword table, sorted ascending by key. While sharedIndex is set it
  // is that index's immutable table (capacity 0, nothing here is owned);
  // otherwise the parse's own table, which it may change.
  CommentEntry* entries;
  uint32_t commentsNum;
  uint32_t capacity;
  // The process-wide index of the comment sets this parse registered (see
  // engine/keyword_index.h), or null while the parse has a table of its own.
  const vantrel::KeywordIndex* sharedIndex;
  // An entry could not be added for want of memory since this was last
  // cleared (an index being built is then not kept).
  bool tableFailed;
  // Counts every change of the table (an entry added or removed). Handlers
  // may take keywords out while the scan runs; whoever keeps an index or a
  // summary of the table checks this to know that it must look again.
  uint32_t tableGeneration;
  // What ParserLookup keeps of the table between lookups: the first bytes of
  // the keys, to refuse most unknown comments without a search, and where
  // the search for a text starting with each byte begins (for the bytes
  // marked in searchKnown). Valid while `generation` is tableGeneration.
  // Kept for a table of the parse's own; a shared index has its own.
  struct LookupSummary {
    bool valid;
    uint32_t generation;
    bool anyEmptyKey;
    uint32_t longestKey;
    uint64_t firstBytes[4];
    uint64_t searchKnown[4];
    int searchLow[256];
    int searchHigh[256];
  } lookup;

  // The chunk being examined, as the chunk reader publishes it: its file
  // offset, and (below) the end of its data.
  int64_t chunkOffset;
  // The path given at creation, an owned copy of any length ("" when none
  // was given). With a memory or descriptor source it only names the job
  // (trace lines, DEX output names) and may be empty. Never null.
  char* filePath;

  // End of the valid data of the chunk held (the chunk reader publishes
  // it). The chunk lies in the scan's chunk buffer, where *dataEnd is NUL, or,
  // for a memory block, in the block itself, where *dataEnd is the next byte of
  // the block and nothing may be written. Handlers never read at or past it,
  // and never write the text.
  char* dataEnd;
  // Where the key of the comment being dispatched starts in the chunk
  // buffer; a prefix entry's keyword is the whole word from here.
  char* keyStart;

  CParseXRXCommentsIf* m_pParseXRX;
  vantrel::CLoaderLibrary* m_pLoaderLibrary;
  // The loaded XRX plug-in declared that it may be called concurrently:
  // its calls need not hold the process-wide plug-in lock.
  bool xrxConcurrent;
  // The plug-in could not be had in this scan: it is not looked for again
  // until the scan ends (a job may open thousands of XRX blocks, and most
  // hosts have no plug-in at all).
  bool xrxLoadFailed;

  // VantrelScanStatus of the last scan; handlers that end a scan with -1 may
  // set a more precise reason before returning, and a detail for the host
  // (SetScanDetail): owned, null when none.
  int scanStatus;
  char* scanDetail;

  // What the parse writes: its property map and the comment families'
  // working values. Owned by the CKalParser (not by the context); null in
  // a context made for the engine alone.
  vantrel::ParseState* state;

  // Keys registered by hosts through CKalParser::AddComment are copied here
  // so the host's text need not outlive the table. Owned; freed with the
  // context.
  char** ownedKeys;
  uint32_t ownedKeyCount;

  // What the running scan reads; null outside a scan. Deleted at release
  // when ownsSource. A test may set one (not owned) before a scan: the
  // scan reads it instead of the file.
  vantrel::ByteSource* source;
  bool ownsSource;
  // The host's block to scan instead of the file (CKalParser::
  // SetMemorySource); not owned, unchanged until the scan ends.
  const void* memoryData;
  size_t memorySize;
  bool hasMemorySource;
  // The host's open descriptor to scan instead of the file (CKalParser::
  // SetDescriptorSource); not owned and never closed here: the host keeps
  // it open until the scan ends.
  int descriptor;
  bool hasDescriptorSource;
  // A handler from outside the library is registered. Its text position is
  // a writable char*, so every chunk is a copy in the chunk buffer even when
  // the source could be read in place.
  bool copyChunks;
  // The chunk size of passes that read on through the file; 0 (or less than
  // 4096) for the usual kWholeFileReadSize. Tests and the fuzzer make it
  // small so that small jobs span many chunks.
  int32_t wholeFileReadSize;

  // Per-parse settings (CKalParser::SetJobName, SetDexOutputFolder), owned
  // copies freed with the context. jobName, when set, names the job in DEX
  // output names instead of filePath. dexFolder, when set, is the DEX output
  // folder instead of KALOUTPUT ("" writes none); parses in other threads
  // keep their own.
  char* jobName;
  char* dexFolder;
  // A setting could not be copied (no memory): the scan fails rather than
  // run without it (it would write DEX tickets to another folder).
  bool settingLost;

  // The end of the part of the source that the last scan covered: the
  // source's size, or the end of a DOS EPS file's PostScript section. Set
  // when the scan has read the file's first bytes; 0 before.
  int64_t windowEnd;
  // The DOS EPS binary header of the last scan, as the file states it (not
  // clipped to the file, as the scan's window is): `present` is false for
  // any other file. Set when the scan has read the file's first bytes.
  struct DosEpsHeader {
    bool present;
    int64_t begin;     // offset of the PostScript section
    int64_t length;    // its length
    int64_t fileSize;  // the size of the whole file
  } dosEps;
  // What the scanner calls on behalf of the comment families registered
  // for this parse. Each family sets its own when it registers; all are
  // null again once the scan's context is released.
  ScannerHooks hooks;
};

namespace vantrel {

// A new context for `path` (may be null: the scan will fail) with an empty
// table (its first keyword allocates it), or null when memory is exhausted. The
// path is copied whole, whatever its length.
ParserContext* ParserCreateContext(const char* path);

// Keeps `text` as the scan's detail for the host (CKalParser::
// GetScanDetail), replacing an earlier one. Without memory for the copy
// the scan goes without a detail.
void SetScanDetail(ParserContext* context, const std::string& text);

// Ends a scan: closes the source, frees the table, lets the families free
// what they hold for the scan (their release hook) and clears the hooks.
// The context itself stays valid (and empty). Safe to call repeatedly.
void ParserReleaseContext(ParserContext* context);

// ParserReleaseContext, then frees the context. Null is a no-op.
void ParserFreeContext(ParserContext* context);

// Bytes a comment key may copy into the scanner's key buffer (NUL excluded).
constexpr int kKeyBufferSize = 256;

}  // namespace vantrel

#endif  // VANTREL_ENGINE_CONTEXT_H_
