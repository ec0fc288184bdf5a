// Shared test support: temporary files, property-map and rule dumps.
#ifndef VANTREL_TESTS_SUPPORT_TEST_SUPPORT_H_
#define VANTREL_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <string>

#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"

namespace vantrel_test {

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

 private:
  std::string path_;
};

// "Name:TYPE=value; ..." for one property.
std::string DumpProperty(const CKalProperty& property);
// The module-wide property map in insertion order:
// "CropWidth:FLOAT=215.899994; Title:STRING=Annual report".
std::string DumpPropertyMap();
// "[layer 101 type 2 pages 3-3 booklet 0] Name:TYPE=value; ..." one line per
// rule array.
std::string DumpRules(const CRuleKalPropArrArray& rules);
// "CropWidth(4)=215.899994; ..." for a pairs array.
std::string DumpPairs(const _tPairProperty* pairs, int count);

// Scans `text` as a file with every comment set registered in the order of
// the job-ticket road, in `scan_mode`; answers the property map after the
// finishing steps (DumpPropertyMap) and leaves the scan's rules in `*rules`
// (when not null). No conversion runs. The empty custom colour list that
// every scan of a job without custom colours stores last is left out of the
// answer, so that each family's tests show their own properties.
std::string ScanJobTicket(const std::string& text, int scan_mode = 15,
                          CRuleKalPropArrArray* rules = nullptr);

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
