// What the library's own code reads and writes of a property record beyond
// the host's interface: a floating-point value kept as a number, and the
// record's value text without a copy.
#ifndef VANTREL_PLATFORM_KAL_PROPERTY_ACCESS_H_
#define VANTREL_PLATFORM_KAL_PROPERTY_ACCESS_H_

#include <cstddef>

#include "platform/number_text.h"
#include "vantrel/kal_property.h"

struct CKalPropertyAccess {
  // Gives the record the floating-point value `value`, kept as a number and
  // printed ("%f", C locale) only when a reader asks for text. The type code
  // stays; a record without one becomes a double. Integer reads truncate
  // toward zero and saturate, as reading the printed text would.
  static void SetReal(CKalProperty& record, double value);

  // The value as getValue(std::string&) gives it, without a copy: answers
  // its length and points `*text` at its bytes, which lie in the record (a
  // text value; valid until the record changes) or in `buffer` (a number
  // printed there). REQUIRES: `buffer` holds vantrel::kFixedTextSize bytes.
  static size_t ValueText(const CKalProperty& record, char* buffer,
                          const char** text);
};

#endif  // VANTREL_PLATFORM_KAL_PROPERTY_ACCESS_H_
