#include "cli.h"

#include <vantrel/vantrel.h>

namespace vantrel_cli {

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc < 2) {
    err << "vantrel: usage: vantrel FILE\n";
    return 2;
  }
  CRipBaseParserIF* parser = RipCreateParserObject();
  if (parser == nullptr) return 1;
  _tPairProperty* pairs = nullptr;
  int count = 0;
  parser->ParseToPairs(argv[1], pairs, count, 1, 15, 'M');
  for (int i = 0; i < count; ++i) {
    out << pairs[i].propName << '=' << pairs[i].propValue << '\n';
  }
  delete[] pairs;
  delete parser;
  return 0;
}

}  // namespace vantrel_cli
