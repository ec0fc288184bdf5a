#include "handlers/separations.h"

namespace vantrel {

// The plate-colour handlers that set m_separated are not registered yet, so
// there is never an open separations rule to write.
void saveSeparations(CRuleKalPropArrArray* /*rules*/, CommentStruct* record) {
  if (record != nullptr) record->m_separated = 0;
}

}  // namespace vantrel
