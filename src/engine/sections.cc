#include "engine/sections.h"

namespace vantrel {

int RegisterSectionSet(ParserContext* /*context*/) { return 0; }

}  // namespace vantrel
