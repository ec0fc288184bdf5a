// Shared test support: temporary files, the environment, feeding handlers
// and scanning whole jobs, and canonical dumps of what comes out.
#ifndef VANTREL_TESTS_SUPPORT_TEST_SUPPORT_H_
#define VANTREL_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <initializer_list>
#include <string>

#include "engine/context.h"
#include "engine/scan_record.h"
#include "handlers/parse_state.h"
#include "parser/parser_access.h"
#include "vantrel/kal_parser.h"
#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

namespace vantrel_test {

// What the library puts between a folder and a file name it makes there
// (DEX tickets).
#if defined(_WIN32)
constexpr char kFolderSeparator[] = "\\";
#else
constexpr char kFolderSeparator[] = "/";
#endif

// A folder removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes `contents` to `name` inside the folder; answers the full path.
  std::string Write(const std::string& name, const std::string& contents) const;
  // The contents of the file at `path` ("" when it cannot be read).
  static std::string Read(const std::string& path);

 private:
  std::string path_;
};

// The parse state that handlers fed through Feed() write, one per thread,
// and the parse state of a parser (which must have made its context).
vantrel::ParseState& TestState();
vantrel::PropertyMap& TestMap();
vantrel::HandlerState& TestVars();
vantrel::ParseState& StateOf(CKalParser& parser);

// "Name:TYPE=value; ..." for one property.
std::string DumpProperty(const CKalProperty& property);
// A property map in insertion order (by default the one Feed() writes):
// "CropWidth:FLOAT=215.899994; Title:STRING=Annual report".
std::string DumpPropertyMap(const vantrel::PropertyMap& map = TestMap());
// "[layer 101 type 2 pages 3-3 booklet 0] Name:TYPE=value; ..." one line per
// rule array.
std::string DumpRules(const CRuleKalPropArrArray& rules);
// "CropWidth(4)=215.899994; ..." for a pairs array.
std::string DumpPairs(const _tPairProperty* pairs, int count);
// The entries of a dump ("; " or line separated, rule headers left out) that
// start with one of `prefixes`, in their order, joined by "; ".
std::string Pick(const std::string& dump,
                 std::initializer_list<const char*> prefixes);

// Lines of `bytes` in the sizes of PostScript drawing code, no line starting
// with "%": exactly `bytes` long, ending with a line end when not empty.
std::string Filler(size_t bytes);

// A DOS EPS file: the binary header names the PostScript section (at
// `offset`; by default where it stands, after the header and `before`); a
// TIFF or WMF preview stands before or after it.
std::string DosEps(const std::string& before, const std::string& postscript,
                   const std::string& after = "", int64_t offset = -1);

// Hands `value` to `handler` as the scanner does: the text after the key,
// in a buffer whose data ends (with a NUL) after its first `data_end` bytes
// (all of it by default). `context` may bring a keyword table; its data end
// is set here, and a context without a parse state gets TestState() for the
// call. Answers the handler's result; `*moved` receives how many
// bytes the handler moved the text position.
int64_t Feed(CommentHandler handler, const std::string& value,
             CommentStruct* record = nullptr, void* user_data = nullptr,
             void* caller = nullptr, ParserContext* context = nullptr,
             size_t data_end = std::string::npos, size_t* moved = nullptr);

// Scans `text` as a file with every comment set registered in the order of
// the job-ticket road (the bounding box in points), in `mode`, and answers
// "<DumpPropertyMap()>\n<DumpRules(rules made during the scan)>" before any
// conversion. The empty custom colour list that every scan of a job without
// custom colours stores last is left out, so that each family's tests show
// their own properties. `*status` receives the scan status.
std::string ScanJob(const std::string& text, int mode = 15,
                    int* status = nullptr);

// "WIDTHxHEIGHT+WOFFSET+HOFFSET" of the crop pairs that the RIP road gives
// for the file, "" when it gives none.
std::string PairsCrop(const std::string& path, int mode, char unit);
// The same of the job-ticket road's document rule (millimetres).
std::string RulesCrop(const std::string& path);

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);  // null value: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_old_;
};

// Sets the C library's locale (all categories) for the life of the object,
// then restores the one before. ok() is false when the locale is not there.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string old_;
  bool ok_;
};

}  // namespace vantrel_test

#endif  // VANTREL_TESTS_SUPPORT_TEST_SUPPORT_H_
