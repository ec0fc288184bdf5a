// What the C API's entry points share: the jobs they make from their
// arguments, and the results of the roads whose entry points live in files
// of their own.
#ifndef VANTREL_ENTRY_C_RESULT_H_
#define VANTREL_ENTRY_C_RESULT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "entry/roads.h"
#include "vantrel/vantrel_c.h"

namespace vantrel {

// The name of a job in memory or on a descriptor that the host did not
// name, as the CLI names standard input.
constexpr char kUnnamedJobName[] = "-";

// The jobs of the entry points' arguments. `name` may be null: for a file
// the path names it, otherwise kUnnamedJobName. The pointers are kept, not
// copied: they must outlive the job.
Job FileJob(const char* path, const char* name);
Job DescriptorJob(int fd, const char* name);
Job MemoryJob(const void* data, size_t size, const char* name);

// The texts handed to hosts are UTF-8: a value that is valid UTF-8 as it
// stands (what current producers write) is kept, any other is read as
// Latin-1.
std::string HostText(std::string_view bytes);

// Checks a job's own arguments (a path, a descriptor, a block, a non-empty
// name); fills `name` with what the job is called. False: a bad argument.
bool ValidJob(const Job& job, std::string& name);

struct PageReport;

// A new result of the pages road, or null when no memory is left for it.
vantrel_result* NewPagesResult(int status, std::string name, std::string json,
                               std::shared_ptr<const PageReport> pages);

// The pages road's report of `r`; null for a null result and for the other
// roads' results.
const PageReport* PagesOf(const vantrel_result* r);

}  // namespace vantrel

#endif  // VANTREL_ENTRY_C_RESULT_H_
