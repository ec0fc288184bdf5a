// The forms of a scan's report made for scripts: --values (one JSON object
// mapping each property name to its typed value) and --csv (one row of
// chosen fields).
#ifndef VANTREL_CLI_VALUES_H_
#define VANTREL_CLI_VALUES_H_

#include <vantrel/vantrel_c.h>

#include <string>
#include <vector>

#include "commands.h"

namespace vantrel_cli {

// The --values line of `r` (without the line end), a result of `road`:
//
//   {"file":"a.ps","scan":"ok","CropWidth":215.899994,"Title":"Report",...}
//
// "file", "scan" and, for a failed scan, "error" come first, as in --json.
// Ints, longs, shorts, floats and doubles are JSON numbers, bools true or
// false, everything else a string; a number the library wrote in a form
// that JSON has no number for (nan, inf) stays a string. On the rules road
// the properties of the document rules (layer 0) are at the top, and the
// other rules are listed under "page_rules", "booklet_rules" (both always
// present) and "other_rules" (only when some rule has another layer), each
// as {"first":1,"last":3,...values}, booklet rules with "booklet", other
// rules with "layer". A name met twice in one object keeps its first place
// and its last value. A property named like one of an object's own fields
// ("file", "first", ...) goes into that object's "other_properties".
// REQUIRES: `r` is not null.
std::string ValuesJson(Road road, const vantrel_result* r);

// The --csv header row "file,scan,FIELD,..." and a file's row; each ends
// with "\n". A field that the file lacks is empty. On the rules road the
// fields are the document rules' properties. Cells are quoted as RFC 4180
// asks (a cell holding a comma, a quote, CR or LF is put in quotes, its
// quotes doubled); control characters of values show as \xXX, as in the
// text listing.
std::string CsvHeader(const std::vector<std::string>& fields);
std::string CsvRow(Road road, const std::string& file, const vantrel_result* r,
                   const std::vector<std::string>& fields);

// Splits the value of --csv at its commas; answers false when a name is
// empty or the list is.
bool ParseCsvFields(const std::string& text, std::vector<std::string>* fields);

}  // namespace vantrel_cli

#endif  // VANTREL_CLI_VALUES_H_
