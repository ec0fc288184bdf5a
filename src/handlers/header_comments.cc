#include "handlers/header_comments.h"

#include "engine/context.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {

int64_t GlobalComment(char* context, CommentStruct* /*record*/, long /*param*/,
                      char* keyword, char** position, char* /*comment_start*/,
                      int64_t /*continuation*/, int64_t /*value_offset*/,
                      long* /*wait_index*/, void* /*user_data*/,
                      void* /*caller*/) {
  std::unique_ptr<CKalProperty> record = NewProperty();
  VTRACE("GlobalComment Call, GetCount = %d", PropertyCount());
  if (keyword == nullptr || position == nullptr || *position == nullptr) {
    return 0;
  }
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  const char* end = ctx != nullptr ? ctx->dataEnd : nullptr;
  char value[kValueBufferSize];
  int n = 0;
  for (const char* p = *position;
       n < kValueBudget && (end == nullptr || p < end); ++p) {
    if (*p == '\n' || *p == '\r' || *p == '\0') break;
    value[n++] = *p;
  }
  value[n] = '\0';
  if (!record) return 0;
  record->setPropertyName(keyword);
  record->setPropertyTypeName("STRING");
  record->setPropertyID(0);
  record->setPropertyValue(value, -1);
  StoreProperty(std::move(record));
  VTRACE("KALPPD Return, GetCount = %d, value = %s", PropertyCount(), value);
  return 0;
}

}  // namespace vantrel
