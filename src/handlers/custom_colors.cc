#include "vantrel/kal_parser.h"

// The custom colour properties. The colour comments are not handled yet, so
// nothing is stored.
void CKalParser::saveDocumentCustomColors() {}
