#include "vantrel/kal_parser.h"

// Orientation from the page shape. The orientation comments are not handled
// yet, so there is nothing to derive.
void CKalParser::setOrientation() {}
