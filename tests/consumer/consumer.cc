// A host program: both roads through the installed library.
#include <vantrel/vantrel.h>

#include <cstdio>

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "missing.ps";

  CRipBaseParserIF* rip = RipCreateParserObject();
  if (rip == nullptr) return 1;
  _tPairProperty* pairs = nullptr;
  int count = 0;
  if (rip->ParseToPairs(path, pairs, count, 1, 15, 'P') != 1) return 2;
  for (int i = 0; i < count; ++i) {
    std::printf("%s=%s\n", pairs[i].propName, pairs[i].propValue);
  }
  delete[] pairs;
  delete rip;

  CParserObjectIF* jt = CreateParserObject(0);
  if (jt == nullptr) return 3;
  CRuleKalPropArrArray rules;
  if (jt->ParseToRules(path, rules, 0, 0) != 1) return 4;
  std::printf("rules=%d\n", rules.GetSize());
  delete jt;
  return rules.GetSize() >= 1 ? 0 : 5;
}
