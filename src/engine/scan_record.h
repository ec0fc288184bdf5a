// CommentStruct, the per-file scan record, zeroed by HandleFile and handed
// to every handler.
#ifndef VANTREL_ENGINE_SCAN_RECORD_H_
#define VANTREL_ENGINE_SCAN_RECORD_H_

#include <cstdint>

namespace vantrel {

// Values of m_scanMode and m_passBits: the whole file, or the head and tail
// passes by their bits.
constexpr int32_t kScanWholeFile = 15;
constexpr int32_t kScanHeadBit = 1;
constexpr int32_t kScanTailBit = 2;

}  // namespace vantrel

struct CommentStruct {
  int32_t m_scanMode;       // requested mode; 15 once a pass covers the rest
  int32_t m_passBits;       // passes still to run
  int32_t m_headerState;    // 0 outside the header, 1 header, 2 trailer, of
                            // the document being read: the job's, or the
                            // innermost embedded document's or resource's
  int32_t m_sawHeaderLine;  // a "%!" line was seen
  int32_t m_endCommentsSeen;
  int32_t m_trailerSeen;
  int32_t m_pageNumber;      // current page of the separation count
  int32_t m_pageLabelCount;  // distinct "Page" texts, -2 after a repeat
  int32_t m_fileType;        // -1 before the first "%!" line; 0 other, 1 EPS,
                             // 2 PostScript, 3 VPS
  int32_t m_documentDepth;   // nesting of embedded documents and resources
  uint8_t m_isEPSF;          // the latest "%!" line carries "EPSF-"
  uint8_t m_inTailPass;
  uint8_t m_heliosSupport;
  int32_t m_separationMode;
  int32_t m_separationCount;
  char m_plateColors[32][64];
  uint8_t m_separated;
  // The job's own m_headerState, kept while an embedded document or resource
  // is read (m_documentDepth > 0) and given back when the last one ends.
  int32_t m_jobHeaderState;
  // Bit n - 1 set: the block open at depth n (up to 64) is a document or an
  // included file, which may hold pages and a trailer; clear: a resource
  // (font, procset, ...), which holds neither.
  uint64_t m_documentLevels;
};

namespace vantrel {

// Makes the record ready for a scan in `mode`: the document state of a file
// not read yet. Modes other than 15 are taken by their head and tail bits
// alone, so any value ends: 4 scans nothing, 7 scans head and tail.
void BeginScanRecord(CommentStruct* record);

// The scanner met a "%!" line. Inside an embedded block it opens that block's
// header. In the job's own document it opens the job's header, unless that
// header has ended ("EndComments" or "Trailer" came): a later "%!" line, of a
// font or a picture written without its block comments, does not reopen it.
void ParserHeaderLine(CommentStruct* record);

// The scan goes on at a later point of the file without reading what lies
// between (a tail pass after a head pass): the blocks open at the point left
// are taken as closed there, so the part read next is the job's own document
// with the job's header state.
void ParserLeaveEmbeddedBlocks(CommentStruct* record);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_SCAN_RECORD_H_
