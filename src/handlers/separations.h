// Separations and plate colours.
#ifndef VANTREL_HANDLERS_SEPARATIONS_H_
#define VANTREL_HANDLERS_SEPARATIONS_H_

#include "engine/scan_record.h"
#include "vantrel/kal_property.h"

namespace vantrel {

// Appends the separations rule of the record's current page when a plate
// colour was seen since the last one, and clears the record's flag.
void saveSeparations(CRuleKalPropArrArray* rules, CommentStruct* record);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_SEPARATIONS_H_
