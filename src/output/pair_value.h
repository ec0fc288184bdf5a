// The value text and pair type that the pairs conversion (and every reader
// that shows a record as a host's pair would: the JSON, the C API) gives a
// property record, made without a heap copy.
#ifndef VANTREL_OUTPUT_PAIR_VALUE_H_
#define VANTREL_OUTPUT_PAIR_VALUE_H_

#include <cstddef>

#include "platform/number_text.h"
#include "vantrel/kal_property.h"

namespace vantrel {

struct PairValue {
  const char* text;  // `size` bytes, not NUL-terminated
  size_t size;
  int type;  // the pair type (see _tPairProperty)
};

// The pair value of `record`: "%d" for integers, "%f" for floating point (as
// in the C locale), text unchanged; the empty text and type 0 for a type code
// without a conversion. The text lies in `buffer` or in the record (valid
// until the record changes). REQUIRES: `buffer` holds vantrel::kFixedTextSize
// bytes.
PairValue PairValueOf(const CKalProperty& record, char* buffer);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_PAIR_VALUE_H_
