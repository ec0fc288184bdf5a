#include "support/handler_feed.h"

#include <algorithm>

#include "support/test_support.h"

namespace vantrel_test {

int64_t Feed(CommentHandler handler, const std::string& value,
             CommentStruct* record, void* user_data, void* caller,
             ParserContext* context, size_t data_end, size_t* moved) {
  std::string chunk = value;
  ParserContext local{};
  if (context == nullptr) context = &local;
  char* data = &chunk[0];
  context->dataEnd = data + std::min(data_end, chunk.size());
  *context->dataEnd = '\0';
  char* position = data;
  long wait = 0;
  char keyword[] = "key";
  int64_t result = handler(reinterpret_cast<char*>(context), record, 0, keyword,
                           &position, data, 0, 0, &wait, user_data, caller);
  context->dataEnd = nullptr;
  if (moved != nullptr) *moved = static_cast<size_t>(position - data);
  return result;
}

std::string ParseJob(const std::string& job, int mode, int* status) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", job);
  CRuleKalPropArrArray rules;
  std::string out;
  {
    CKalParser parser(path.c_str());
    parser.AddPSRipComments();
    parser.AddBoundingBox('P');
    parser.HandleFile(rules, mode);
    if (status != nullptr) *status = parser.GetScanStatus();
    out = DumpPropertyMap() + "\n" + DumpRules(rules);
  }
  return out;
}

}  // namespace vantrel_test
