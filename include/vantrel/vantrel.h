// Vantrel: reads the structuring comments of PostScript and EPS print files
// and turns them into job properties.
//
// Two roads:
//  - job-ticket: CreateParserObject(0)->ParseToRules(path, rules, 0, 0)
//    appends rules with their properties to a CRuleKalPropArrArray;
//  - RIP: RipCreateParserObject()->ParseToPairs(path, pairs, count, 1, 15, 'M')
//    hands back a new[] array of key/value pairs.
// CKalParser is the lower-level object both roads are built on.
// Hosts in C or other languages use <vantrel/vantrel_c.h> instead.
#ifndef VANTREL_VANTREL_H_
#define VANTREL_VANTREL_H_

#include "vantrel/export.h"
#include "vantrel/kal_parser.h"
#include "vantrel/kal_property.h"
#include "vantrel/parser_if.h"
#include "vantrel/version.h"
#include "vantrel/xrx_plugin.h"

#endif  // VANTREL_VANTREL_H_
