// Access to a parser's engine context for the library's code and tests
// outside CKalParser's members.
#ifndef VANTREL_PARSER_PARSER_ACCESS_H_
#define VANTREL_PARSER_PARSER_ACCESS_H_

#include "engine/context.h"
#include "vantrel/kal_parser.h"

// The engine context of a parser, for the library's code and tests outside
// CKalParser's members. Null when the parser could not make one.
struct CKalParserAccess {
  static ParserContext* Engine(CKalParser& parser) { return parser.m_engine; }
};

#endif  // VANTREL_PARSER_PARSER_ACCESS_H_
