// The process-wide parse lock. Parses share module-wide state (the property
// map, the handlers' working values), so a parse call holds this lock from
// the parser's construction to its destruction.
#ifndef VANTREL_ENTRY_PARSE_LOCK_H_
#define VANTREL_ENTRY_PARSE_LOCK_H_

#include <mutex>

namespace vantrel {

std::mutex& ParseMutex();

}  // namespace vantrel

#endif  // VANTREL_ENTRY_PARSE_LOCK_H_
