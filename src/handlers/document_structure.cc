#include "handlers/document_structure.h"

namespace vantrel {

void RegisterDocumentStructureSet(ParserContext* /*context*/) {}
void RegisterCreatorSet(ParserContext* /*context*/, char* creator_text) {
  if (creator_text != nullptr) creator_text[0] = '\0';
}

}  // namespace vantrel
