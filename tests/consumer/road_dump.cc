// Prints what the two C++ roads give for each FILE, in the form that c_host
// prints through the C API (pairs: whole file, points, with the box; rules:
// no skip flags, no DEX output), so that a test can compare the two.
#include <vantrel/vantrel.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: road_dump FILE...\n");
    return 2;
  }
  // c_host passes an empty DEX folder, which writes none; so does an empty
  // KALOUTPUT.
#if defined(_WIN32)
  _putenv_s("KALOUTPUT", "");
#else
  setenv("KALOUTPUT", "", 1);
#endif
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  std::unique_ptr<CParserObjectIF> job(CreateParserObject(0));
  if (!rip || !job) return 1;
  std::string value;
  for (int f = 1; f < argc; ++f) {
    _tPairProperty* raw = nullptr;
    int count = 0;
    rip->ParseToPairs(argv[f], raw, count, 1, 15, 'P');
    std::unique_ptr<_tPairProperty[]> pairs(raw);
    std::printf("status %d\n", rip->GetLastScanStatus());
    for (int i = 0; raw != nullptr && i < count; ++i) {
      std::printf("pair %s(%d)=%s\n", pairs[i].propName, pairs[i].propType,
                  pairs[i].propValue);
    }
    CRuleKalPropArrArray rules;
    job->ParseToRules(argv[f], rules, 0, 0);
    for (int r = 0; r < rules.GetSize(); ++r) {
      const CRuleKalPropArray array = rules.GetAt(r);
      const CRule& rule = array.GetRuleValue();
      std::printf("rule %d %d %u-%u %u\n", rule.GetRuleLayer(),
                  rule.GetRuleType(), rule.GetFirstPage(), rule.GetLastPage(),
                  rule.GetBookletNumber());
      for (int p = 0; p < array.GetSize(); ++p) {
        const CKalProperty property = array.GetAt(p);
        VantrelPairValue(property, value);
        std::printf("prop %s(%u,%d)=%s\n", property.getPropertyName(),
                    property.getPropertyType(), property.getPropertyID(),
                    value.c_str());
      }
    }
  }
  return 0;
}
