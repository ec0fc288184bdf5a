// CKalParser: one scan of one print file.
//
// Use: construct with the file's path; register the comment sets wanted (the
// order decides the order of handlers chained under one keyword); call
// HandleFile() once; call one conversion; destroy. The service objects of
// <vantrel/parser_if.h> do exactly this and are what most hosts want.
//
// Each parser owns what its scan writes (the property map and every comment
// family's working values), at the library-load values when it is made, so
// parsers on different threads run in parallel. One parser is used by one
// thread at a time.
#ifndef VANTREL_KAL_PARSER_H_
#define VANTREL_KAL_PARSER_H_

#include <cstddef>
#include <cstdint>

#include "vantrel/comment_handler.h"
#include "vantrel/export.h"
#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

struct ParserContext;
struct CommentStruct;
struct ParserBoundingBoxStruct;
namespace vantrel {
class PropertyMap;
}

class VANTREL_API CKalParser {
 public:
  // `path` may be null or empty (HandleFile then fails). A path of any length
  // is kept whole; one the system cannot open fails the scan as it says
  // (VANTREL_SCAN_PATH_TOO_LONG for a name beyond its limits).
  explicit CKalParser(const char* path = nullptr);
  virtual ~CKalParser();
  CKalParser(const CKalParser&) = delete;
  CKalParser& operator=(const CKalParser&) = delete;

  // Comment sets.
  void AddPSRipComments();
  // The part of AddPSRipComments that stores no property: the comments that
  // tell the job's header, body, trailer and embedded documents apart, the
  // skipping of counted data sections, and the refusal of PDF input (the
  // scan fails with VANTREL_SCAN_PDF_REFUSED). The RIP road registers it with
  // the bounding-box comments, so that its crop is the one the job-ticket
  // road finds. AddPSRipComments includes it: register one or the other.
  void AddStructureComments();
  // unit: 'I' inches, 'P' points, anything else millimetres.
  void AddBoundingBox(char unit);
  void AddKALPPDComment();
  void AddNumCopiesComment();
  // "XRXbegin:" blocks go to the XRX plug-in (<vantrel/xrx_plugin.h>),
  // which adds its rules to the container given to HandleFile.
  void AddXRXComment();
  // "BeginDexJTData:" blocks are written into new files in the folder named
  // by KALOUTPUT, or by SetDexOutputFolder (none when the one that counts is
  // unset or empty); see
  // CParserObjectIF::ParseToRules.
  void AddDexxmlComment();
  void AddTitleComment();
  // The pages road's comments: the job's pages with their byte ranges and
  // page comments, its media, requirements, features, language level, owner,
  // process colours and resources. Register it after AddStructureComments,
  // which tells the job's own pages from those of embedded documents. The
  // report is the library's own (see the pages entry points).
  void AddPageIndexComments();
  // The comments of the check road (`vantrel check`), which reports what a
  // job gets wrong instead of properties; register it alone. It also has
  // the scanner hand every chunk to the checker, which counts lines.
  void AddCheckComments();

  // Per-parse settings, for this parser only (parses in other threads keep
  // their own); call before HandleFile. The texts are copied; null clears.
  // When a copy cannot be made, HandleFile fails with
  // VANTREL_SCAN_OUT_OF_MEMORY instead of scanning without the setting.
  // SetJobName: the name that stands for the file in DEX output names (its
  // last component), when it differs from the path read.
  void SetJobName(const char* name);
  // SetDexOutputFolder: the folder DEX job tickets are written into, in
  // place of KALOUTPUT; "" writes none.
  void SetDexOutputFolder(const char* folder);

  // Registers `keyword` with the general comment handler, which stores the
  // rest of the comment line as a "STRING" property named after the keyword.
  // The keyword text is copied. prefix != 0 makes the key match the start of
  // a longer word.
  void AddComment(const char* keyword, int param, int prefix);
  // Registers any handler. The keyword text is copied; `user_data` must live
  // until the scan has ended.
  void AddComment(const char* keyword, int param, int prefix,
                  CommentHandler handler, void* user_data);

  // Scans the `size` bytes at `data` instead of a file: the path given at
  // construction then only names the job (trace lines, DEX output names).
  // The bytes are read in place and must stay unchanged until HandleFile
  // returns. Call before HandleFile.
  // A null `data` (or a `size` of 0) is an empty job, not an error. With a
  // null or empty path the job has no name; DEX output files are then named
  // "job_0.dexxml", "job_1.dexxml", ... Handlers registered with the
  // AddComment form that takes a handler get their text position in a copy
  // of the bytes, so such a handler may still write there; the library's own
  // handlers only read, and are given the block itself.
  void SetMemorySource(const void* data, size_t size);

  // Scans the regular file open on the host's descriptor `fd` instead of the
  // path (on Windows a descriptor of the C runtime, as _open or _fileno
  // give). The descriptor must be open for reading and seekable; it is read
  // at offsets from 0 to its size at the start of the scan, and never closed
  // here: the host keeps it open until HandleFile returns and closes it
  // itself. On POSIX its file offset is left as it was. The path given at
  // construction then only names the job (trace lines, DEX output names).
  // A closed descriptor fails the scan (VANTREL_SCAN_READ_ERROR); one open
  // on a pipe, terminal or device too (VANTREL_SCAN_NOT_REGULAR_FILE).
  // Call before HandleFile.
  void SetDescriptorSource(int fd);

  // Scans the file and runs the finishing steps (crop values, orientation,
  // custom colours, page counts). scan_mode: 15 whole file, 1 head, 2 tail,
  // 3 head and tail, 0 nothing. Answers 1 when the scan ran, 0 when it failed;
  // the finishing steps run either way. Call once per parser.
  int HandleFile(CRuleKalPropArrArray& rules, int scan_mode);

  // Appends one document-level rule holding every property to `rules` and
  // empties the property map. Answers 1.
  int GetDataFromParser(CRuleKalPropArrArray& rules);
  // Moves every property into a new[] array of pairs (see
  // CRipBaseParserIF::ParseToPairs for the protocol). Answers 1.
  int GetRipDataFromParser(_tPairProperty*& pairs, int& count);

  int GetStatus() { return m_status; }
  // The VantrelScanStatus of HandleFile (VANTREL_SCAN_NOT_RUN before it).
  // VANTREL_SCAN_OUT_OF_MEMORY also when a property was lost for want of
  // memory, in the scan or in a conversion: the answer is then not whole
  // (GetRipDataFromParser hands over no pairs at all).
  int GetScanStatus() const { return m_scanStatus; }
  // What the status alone does not say, for a host to show beside it; ""
  // when there is nothing to add. A DEX ticket that could not be written
  // names the folder or file and the system's reason
  // ("/nonexistent: No such file or directory"). Valid until the parser is
  // destroyed.
  const char* GetScanDetail() const;

 protected:
  int GetStatus() const { return m_status; }
  void SetStatus(int status) { m_status = status; }
  void SetAtBoundingBox(ParserBoundingBoxStruct* box,
                        vantrel::PropertyMap& properties);
  void setOrientation();

 private:
  friend struct CKalParserAccess;  // the library's own code and tests
  void saveDocumentCustomColors();

  ParserContext* m_engine;
  int m_status;
  int m_kalPages;
  int m_scanStatus;
};

#endif  // VANTREL_KAL_PARSER_H_
