// What the C API's entry points share about a result, for the pages road's
// entry points, which live in a file of their own.
#ifndef VANTREL_ENTRY_C_RESULT_H_
#define VANTREL_ENTRY_C_RESULT_H_

#include <memory>
#include <string>

#include "vantrel/vantrel_c.h"

namespace vantrel {

struct PageReport;

// A new result of the pages road, or null when no memory is left for it.
vantrel_result* NewPagesResult(int status, std::string name, std::string json,
                               std::shared_ptr<const PageReport> pages);

// The pages road's report of `r`; null for a null result and for the other
// roads' results.
const PageReport* PagesOf(const vantrel_result* r);

}  // namespace vantrel

#endif  // VANTREL_ENTRY_C_RESULT_H_
