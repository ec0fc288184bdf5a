#include "handlers/pages.h"

#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {

int saveNumberPages(long count) {
  VTRACE("saveNumberPages Call");
  std::unique_ptr<CKalProperty> record = NewProperty();
  if (record) {
    record->setPropertyName("NumPages");
    record->setPropertyTypeName("long");
    record->setPropertyID(0);
    int value = static_cast<int>(count);
    record->setValue(&value);
    StoreProperty(std::move(record));
    // The constant 1 is what this line has always reported.
    VTRACE("saveNumberPages Return, GetCount = %d, value = %d", PropertyCount(),
           1);
  }
  return 1;
}

}  // namespace vantrel
