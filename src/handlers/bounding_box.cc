#include "handlers/bounding_box.h"

#include "vantrel/kal_parser.h"

namespace vantrel {

void RegisterBoundingBoxSet(ParserContext* /*context*/,
                            ParserBoundingBoxStruct* /*box*/) {}

}  // namespace vantrel

void CKalParser::SetAtBoundingBox(ParserBoundingBoxStruct* /*box*/,
                                  vantrel::PropertyMap& /*properties*/) {}
