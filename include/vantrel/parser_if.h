// The two caller interfaces and the factories that hand them out.
//
// Job-ticket software takes CParserObjectIF from CreateParserObject() and gets
// the results as rules; a RIP front end takes CRipBaseParserIF from
// RipCreateParserObject() and gets flat key/value pairs. Both objects may run
// any number of parses one after another.
//
// Threads. Every parse owns its state, so parses on different threads run in
// parallel, through one object or through several. An object shared by
// threads keeps one last scan status: GetLastScanStatus() then answers the
// status of whichever parse through it ended last. A host that wants each
// call's own status uses one object per thread (objects hold nothing else
// and cost next to nothing to make).
#ifndef VANTREL_PARSER_IF_H_
#define VANTREL_PARSER_IF_H_

#include <string>

#include "vantrel/export.h"
#include "vantrel/kal_property.h"
#include "vantrel/scan_status.h"

// The value text and pair type (below) that the pairs conversion gives a
// record: "%d" for integers, "%f" for floating point (as in the C locale,
// whatever locale the host has set), text unchanged. A type code without a
// conversion gives the empty text and type 0.
VANTREL_API int VantrelPairValue(const CKalProperty& property,
                                 std::string& text);

// One key/value pair of the RIP road. The pair owns both texts (allocated
// with new[]) and releases them when destroyed.
//
// propType: 1 int, 2 long, 3 double, 4 float, 5 flag, 6 text, 7 16-bit int.
//
// Defined here in full, so that a host which loads the library with dlopen()
// or LoadLibrary() and links nothing of it can still release a pairs array
// with delete[]: nothing of it lives in the library.
struct _tPairProperty {
  char* propName;
  char* propValue;
  int propType;

  _tPairProperty() : propName(nullptr), propValue(nullptr), propType(0) {}
  ~_tPairProperty() {
    delete[] propName;
    delete[] propValue;
  }
  _tPairProperty(const _tPairProperty&) = delete;
  _tPairProperty& operator=(const _tPairProperty&) = delete;
};

// The job-ticket interface.
class VANTREL_API CParserObjectIF {
 public:
  CParserObjectIF() = default;
  CParserObjectIF(const CParserObjectIF&) {}
  CParserObjectIF& operator=(const CParserObjectIF&) { return *this; }
  virtual ~CParserObjectIF();

  virtual int FirstQuery() = 0;
  // Scans the whole file at `path` with every comment set registered and
  // appends the results to `rules`: rules made during the scan (pages,
  // booklets, ...) first, the document-level rule last.
  // skip_flags: bit 0 leaves out the job-ticket and copies comment sets,
  // bit 1 the XRX set. `reserved` is not read.
  // Embedded job tickets: DEX blocks are written into new files in the
  // folder named by the environment variable KALOUTPUT (none when it is
  // unset or empty), their paths reported as "DexJTData"; XRX blocks go to
  // the plug-in of <vantrel/xrx_plugin.h>, which adds rules of its own.
  // Answers 0 (touching nothing) when `path` is null or empty, else 1, also
  // when the file could not be scanned: see GetLastScanStatus().
  virtual int ParseToRules(const char* path, CRuleKalPropArrArray& rules,
                           int skip_flags, int reserved) = 0;
  virtual int SecondQuery() = 0;
  virtual int IsStateClear() = 0;
  // The VantrelScanStatus of the last parse run through this object.
  virtual int GetLastScanStatus() const { return VANTREL_SCAN_NOT_RUN; }
};

// The RIP interface.
class VANTREL_API CRipBaseParserIF {
 public:
  CRipBaseParserIF() = default;
  CRipBaseParserIF(const CRipBaseParserIF&) {}
  CRipBaseParserIF& operator=(const CRipBaseParserIF&) { return *this; }
  virtual ~CRipBaseParserIF();

  // Scans `path` and hands back the properties as pairs.
  // with_bounding_box: exactly 1 registers the bounding-box comments (any
  //   other value registers nothing).
  // scan_mode: 15 whole file, 1 head, 2 tail, 3 head and tail, 0 nothing.
  // unit: 'I' inches, 'P' points, anything else millimetres.
  // `pairs` must be null or an array from an earlier call, which is released
  // first. On return it holds a new[] array of `count` pairs (release it with
  // delete[]), or null with count 0 when there was nothing to report. The
  // array is whole (every name and value set) or absent: when memory ran
  // out while it was made, it is null with count 0.
  // Answers 0, writing neither `pairs` nor `count`, when `path` is null or
  // empty; else 1, also when the file could not be scanned.
  virtual int ParseToPairs(const char* path, _tPairProperty*& pairs, int& count,
                           int with_bounding_box, int scan_mode, char unit) = 0;
  // The VantrelScanStatus of the last parse run through this object.
  virtual int GetLastScanStatus() const { return VANTREL_SCAN_NOT_RUN; }
};

// Factories, found by name with dlsym() or GetProcAddress(). The caller owns
// the object and deletes it through the interface. Null when no object could
// be made.
extern "C" VANTREL_API CParserObjectIF* CreateParserObject(int unused);
extern "C" VANTREL_API CRipBaseParserIF* RipCreateParserObject();

#endif  // VANTREL_PARSER_IF_H_
