#include "engine/keyword_table.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/comment_lexer.h"
#include "engine/keyword_index.h"
#include "platform/trace.h"

namespace vantrel {

namespace {

constexpr uint32_t kGrowBy = 20;
constexpr int kPrefixWordMax = 55;
// Chains longer than this (only hosts make them) are copied to the heap.
constexpr size_t kSmallChain = 8;

// strncmp(text, key, key_len), written out: keys are short and most probes
// differ within the first bytes, where a library call costs more than the
// comparison.
inline int CompareKeyPrefix(const char* text, const char* key, int key_len) {
  for (int i = 0; i < key_len; ++i) {
    const unsigned char t = static_cast<unsigned char>(text[i]);
    const unsigned char k = static_cast<unsigned char>(key[i]);
    if (t != k) return t < k ? -1 : 1;
    if (t == 0) return 0;
  }
  return 0;
}

int CompareKeys(const char* a, const char* b) {
  // Byte-wise, unsigned, as strcmp.
  return std::strcmp(a, b);
}

}  // namespace

int ParserAddEntryToList(ParserContext* context, const char* key,
                         CommentHandler handler, long param, void* user_data,
                         int prefix) {
  if (context == nullptr || key == nullptr) return -1;
  // A parse that looks at a shared index adds to a copy of its own.
  if (!MakeTablePrivate(context)) {
    context->tableFailed = true;
    return -1;
  }
  if (context->commentsNum + 1 >= context->capacity) {
    uint32_t capacity = context->capacity + kGrowBy;
    void* grown =
        std::realloc(context->entries, sizeof(CommentEntry) * capacity);
    if (grown == nullptr) {
      context->tableFailed = true;
      return -1;
    }
    context->entries = static_cast<CommentEntry*>(grown);
    std::memset(context->entries + context->capacity, 0,
                sizeof(CommentEntry) * kGrowBy);
    context->capacity = capacity;
  }

  // The first slot whose key is not below `key` (the keys are unique in the
  // table: a key registered again is chained to its slot). A binary search,
  // since every parse registers its comment sets anew.
  uint32_t pos = 0;
  for (uint32_t end = context->commentsNum; pos < end;) {
    const uint32_t mid = pos + (end - pos) / 2;
    if (CompareKeys(context->entries[mid].key, key) < 0) {
      pos = mid + 1;
    } else {
      end = mid;
    }
  }

  CommentEntry* entry;
  if (pos < context->commentsNum &&
      CompareKeys(context->entries[pos].key, key) == 0) {
    VTRACE(" status - 0, p->key - %s ", key);
    entry = static_cast<CommentEntry*>(std::calloc(1, sizeof(CommentEntry)));
    if (entry == nullptr) {
      context->tableFailed = true;
      return -1;
    }
    // Append behind the whole chain so handlers run in registration order
    // however many sets register the key.
    CommentEntry* last = &context->entries[pos];
    while (last->next != nullptr) last = last->next;
    last->next = entry;
  } else {
    std::memmove(context->entries + pos + 1, context->entries + pos,
                 sizeof(CommentEntry) * (context->commentsNum - pos));
    entry = &context->entries[pos];
    std::memset(entry, 0, sizeof *entry);
    ++context->commentsNum;
  }

  entry->key = key;
  entry->handler = handler;
  entry->param = param;
  entry->keyLen = static_cast<int>(std::strlen(key));
  entry->userData = user_data;
  entry->prefix = prefix;
  ++context->tableGeneration;
  VTRACE(
      "End function ParserAddEntryToList commentsNum - %d ,p->key - %s , "
      "p->keyLen - %d",
      static_cast<int>(context->commentsNum), key, entry->keyLen);
  return 0;
}

int ParserFindEntry(const CommentEntry* entries, const char* text, int low,
                    int high) {
  if (entries == nullptr || text == nullptr) return -1;
  while (high >= low) {
    int mid = low + (high - low + 1) / 2;
    const CommentEntry& e = entries[mid];
    const int cmp = CompareKeyPrefix(text, e.key, e.keyLen);
    if (cmp < 0) {
      high = mid - 1;
    } else if (cmp > 0) {
      low = mid + 1;
    } else {
      // The text holds the whole key, so text[keyLen] is readable (at worst
      // the NUL that ends it).
      if (e.prefix != 0 || !IsLetterByte(text[e.keyLen]) || e.key[0] == '!') {
        return mid;
      }
      low = mid + 1;
    }
  }
  return -1;
}

void ParserSearchStart(const CommentEntry* entries, int count,
                       unsigned char first, int* low, int* high) {
  *low = 0;
  *high = count - 1;
  while (*high >= *low) {
    const int mid = *low + (*high - *low + 1) / 2;
    const unsigned char k = static_cast<unsigned char>(entries[mid].key[0]);
    if (k == first) return;
    if (first < k) {
      *high = mid - 1;
    } else {
      *low = mid + 1;
    }
  }
}

namespace {

bool HasByte(const uint64_t* bits, unsigned char c) {
  return (bits[c >> 6] & (uint64_t{1} << (c & 63))) != 0;
}

void Summarize(ParserContext* context) {
  ParserContext::LookupSummary& s = context->lookup;
  std::memset(s.firstBytes, 0, sizeof s.firstBytes);
  std::memset(s.searchKnown, 0, sizeof s.searchKnown);
  s.anyEmptyKey = false;
  s.longestKey = 0;
  for (uint32_t i = 0; i < context->commentsNum; ++i) {
    const CommentEntry& e = context->entries[i];
    const unsigned char c = static_cast<unsigned char>(e.key[0]);
    if (c == 0) s.anyEmptyKey = true;
    if (static_cast<uint32_t>(e.keyLen) > s.longestKey) {
      s.longestKey = static_cast<uint32_t>(e.keyLen);
    }
    s.firstBytes[c >> 6] |= uint64_t{1} << (c & 63);
  }
  s.valid = true;
  s.generation = context->tableGeneration;
}

// The lookup of a NUL-terminated text (or one holding at least the longest
// key's length of bytes).
int LookupTerminated(ParserContext* context, const char* text) {
  ParserContext::LookupSummary& s = context->lookup;
  const int count = static_cast<int>(context->commentsNum);
  // An empty key compares equal to any text: with one the search starts
  // from the top.
  if (s.anyEmptyKey)
    return ParserFindEntry(context->entries, text, 0, count - 1);
  const unsigned char c = static_cast<unsigned char>(text[0]);
  if (!HasByte(s.firstBytes, c)) return -1;  // no key starts with this byte
  if (!HasByte(s.searchKnown, c)) {
    ParserSearchStart(context->entries, count, c, &s.searchLow[c],
                      &s.searchHigh[c]);
    s.searchKnown[c >> 6] |= uint64_t{1} << (c & 63);
  }
  return ParserFindEntry(context->entries, text, s.searchLow[c],
                         s.searchHigh[c]);
}

// The lookup in a table of the parse's own.
}  // namespace

TextUpTo::TextUpTo(const char* text, const char* end, size_t longest)
    : text_(text) {
  if (end == nullptr || end < text ||
      static_cast<size_t>(end - text) > longest) {
    return;
  }
  const size_t held = static_cast<size_t>(end - text);
  char* copy = small_;
  if (held >= sizeof small_) {
    large_.assign(text, held);
    copy = &large_[0];
  } else {
    std::memcpy(small_, text, held);
    small_[held] = '\0';
  }
  text_ = copy;
}

int ParserLookupPrivate(ParserContext* context, const char* text,
                        const char* end) {
  ParserContext::LookupSummary& s = context->lookup;
  if (!s.valid || s.generation != context->tableGeneration) {
    Summarize(context);
  }
  const TextUpTo terminated(text, end, s.longestKey);
  return LookupTerminated(context, terminated.get());
}

void FillRefusedFirst(const uint64_t first_bytes[4], uint8_t refused[256]) {
  for (int c = 0; c < 256; ++c) {
    refused[c] = ((first_bytes[c >> 6] >> (c & 63)) & 1) == 0 ? 1 : 0;
  }
  refused['+'] = 0;
  refused['!'] = 0;
}

const uint8_t* ParserRefusedFirstBytes(ParserContext* context,
                                       uint8_t own[256]) {
  if (context->sharedIndex != nullptr) {
    const uint8_t* refused = context->sharedIndex->RefusedFirstBytes();
    if (refused != nullptr) return refused;
    std::memset(own, 0, 256);
    return own;
  }
  ParserContext::LookupSummary& s = context->lookup;
  if (!s.valid || s.generation != context->tableGeneration) Summarize(context);
  if (s.anyEmptyKey) {
    std::memset(own, 0, 256);
  } else {
    FillRefusedFirst(s.firstBytes, own);
  }
  return own;
}

int ParserFindKey(const ParserContext* context, const char* key) {
  if (context == nullptr || key == nullptr) return -1;
  return ParserFindEntry(context->entries, key, 0,
                         static_cast<int>(context->commentsNum) - 1);
}

int ParserRemoveEntry(ParserContext* context, const char* key) {
  int index = ParserFindKey(context, key);
  if (index < 0) return -1;
  // Only this parse's view loses the keyword: a shared table is copied.
  if (!MakeTablePrivate(context)) {
    context->tableFailed = true;
    return -1;
  }
  FreeChainedEntries(&context->entries[index]);
  uint32_t i = static_cast<uint32_t>(index);
  std::memmove(context->entries + i, context->entries + i + 1,
               sizeof(CommentEntry) * (context->commentsNum - i - 1));
  --context->commentsNum;
  std::memset(context->entries + context->commentsNum, 0, sizeof(CommentEntry));
  ++context->tableGeneration;
  return 0;
}

namespace {

// Calls the handlers of `chain` (linked by `next`) in order.
int64_t DispatchChain(ParserContext* context, const CommentEntry* chain,
                      CommentStruct* record, char* keyword, char** position,
                      char* comment_start, int64_t continuation,
                      int64_t value_offset, long* wait_index, void* caller) {
  char* local = position != nullptr ? *position : nullptr;
  int64_t result = 0;
  for (const CommentEntry* link = chain; link != nullptr; link = link->next) {
    const CommentEntry& e = *link;
    char* word_arg = keyword;
    char word[kPrefixWordMax + 1];
    if (e.prefix != 0 && context->keyStart != nullptr) {
      const char* from = context->keyStart;
      const char* end = context->dataEnd;
      int n = 0;
      const char* p = from;
      while ((end == nullptr || p < end) && !IsWordEndByte(*p)) {
        if (n < kPrefixWordMax) word[n++] = *p;
        ++p;
      }
      word[n] = '\0';
      word_arg = word;
      local = const_cast<char*>(p);
    }
    if (e.handler == nullptr) continue;
    int64_t r = e.handler(reinterpret_cast<char*>(context), record, e.param,
                          word_arg, &local, comment_start, continuation,
                          value_offset, wait_index, e.userData, caller);
    if (r == -1) {
      if (position != nullptr) *position = local;
      return -1;
    }
    if (r != 0) result = r;
  }
  if (position != nullptr) *position = local;
  return result;
}

}  // namespace

int64_t ParserDispatch(ParserContext* context, int index, CommentStruct* record,
                       char* keyword, char** position, char* comment_start,
                       int64_t continuation, int64_t value_offset,
                       long* wait_index, void* caller) {
  if (context == nullptr || index < 0 ||
      static_cast<uint32_t>(index) >= context->commentsNum) {
    return 0;
  }
  if (context->sharedIndex != nullptr) {
    // A shared chain never changes and is never freed: a handler that takes
    // keywords out or adds some changes a copy of the parse's own.
    return DispatchChain(context, &context->entries[index], record, keyword,
                         position, comment_start, continuation, value_offset,
                         wait_index, caller);
  }
  // The chain of a parse's own table is copied before any handler runs: a
  // handler may take keywords out of the table (its own among them) or add
  // some, which moves or frees the slots. The comment being dispatched still
  // reaches every handler that was chained when it was found.
  size_t length = 0;
  for (const CommentEntry* e = &context->entries[index]; e != nullptr;
       e = e->next) {
    ++length;
  }
  CommentEntry small[kSmallChain];
  std::vector<CommentEntry> large;
  CommentEntry* chain = small;
  if (length > kSmallChain) {
    large.resize(length);
    chain = large.data();
  }
  size_t copied = 0;
  for (const CommentEntry* e = &context->entries[index]; e != nullptr;
       e = e->next) {
    chain[copied] = *e;
    chain[copied].next = copied + 1 < length ? &chain[copied + 1] : nullptr;
    ++copied;
  }
  return DispatchChain(context, chain, record, keyword, position, comment_start,
                       continuation, value_offset, wait_index, caller);
}

void FreeChainedEntries(CommentEntry* first) {
  CommentEntry* chained = first->next;
  while (chained != nullptr) {
    CommentEntry* next = chained->next;
    std::free(chained);
    chained = next;
  }
  first->next = nullptr;
}

void FreeEntries(CommentEntry* entries, uint32_t count) {
  if (entries == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) FreeChainedEntries(&entries[i]);
  std::free(entries);
}

void ParserFreeTable(ParserContext* context) {
  if (context == nullptr) return;
  if (context->sharedIndex != nullptr) {
    // The shared index is not the parse's to free.
    context->entries = nullptr;
    context->commentsNum = 0;
    context->capacity = 0;
    context->sharedIndex = nullptr;
    ++context->tableGeneration;
    return;
  }
  FreeEntries(context->entries, context->commentsNum);
  context->entries = nullptr;
  context->commentsNum = 0;
  context->capacity = 0;
}

}  // namespace vantrel
