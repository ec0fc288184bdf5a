#include "engine/keyword_index.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "engine/comment_lexer.h"
#include "engine/keyword_table.h"

namespace vantrel {

namespace {

constexpr uint32_t kSpareSlots = 20;
constexpr size_t kHeadBytes = 2 * sizeof(uint64_t);

// A copy of entries[0..count-1] with their chains, in an array of
// `capacity` slots (the rest zeroed, as a private table's), or null.
CommentEntry* CopyTable(const CommentEntry* entries, uint32_t count,
                        uint32_t capacity) {
  auto* copy =
      static_cast<CommentEntry*>(std::calloc(capacity, sizeof(CommentEntry)));
  if (copy == nullptr) return nullptr;
  if (count > 0) std::memcpy(copy, entries, sizeof(CommentEntry) * count);
  for (uint32_t i = 0; i < count; ++i) {
    CommentEntry* last = &copy[i];
    last->next = nullptr;
    for (const CommentEntry* e = entries[i].next; e != nullptr; e = e->next) {
      auto* node =
          static_cast<CommentEntry*>(std::calloc(1, sizeof(CommentEntry)));
      if (node == nullptr) {
        FreeEntries(copy, i + 1);
        return nullptr;
      }
      *node = *e;
      node->next = nullptr;
      last->next = node;
      last = node;
    }
  }
  return copy;
}

std::mutex& IndexMutex() {
  // Made in static storage (nothing to allocate) and never destroyed: a
  // parse may still build an index while the process runs its exit handlers.
  alignas(std::mutex) static unsigned char storage[sizeof(std::mutex)];
  static std::mutex* mutex = new (storage) std::mutex;
  return *mutex;
}

// The index of no set at all; null when memory is exhausted (made again by
// the next call).
const KeywordIndex* RootIndex() {
  static std::atomic<const KeywordIndex*> root{nullptr};
  const KeywordIndex* made = root.load(std::memory_order_acquire);
  if (made != nullptr) return made;
  std::lock_guard<std::mutex> lock(IndexMutex());
  made = root.load(std::memory_order_relaxed);
  if (made == nullptr) {
    made = KeywordIndex::Make(nullptr, 0);
    root.store(made, std::memory_order_release);
  }
  return made;
}

// The index of `from`'s sets followed by (adder, variant), built from a copy
// of `from`'s table on a scratch context; null when memory is exhausted.
const KeywordIndex* BuildExtension(const KeywordIndex* from, KeywordAdder adder,
                                   int variant) {
  auto* scratch = new (std::nothrow) ParserContext{};
  if (scratch == nullptr) return nullptr;
  const uint32_t count = from->count();
  scratch->entries = CopyTable(from->entries(), count, count + kSpareSlots);
  if (scratch->entries == nullptr) {
    delete scratch;
    return nullptr;
  }
  scratch->commentsNum = count;
  scratch->capacity = count + kSpareSlots;
  adder(scratch, variant);
  const KeywordIndex* made = nullptr;
  if (!scratch->tableFailed) {
    made = KeywordIndex::Make(scratch->entries, scratch->commentsNum);
  }
  if (made == nullptr) FreeEntries(scratch->entries, scratch->commentsNum);
  delete scratch;
  return made;
}

}  // namespace

const KeywordIndex* KeywordIndex::Extended(KeywordAdder adder,
                                           int variant) const {
  std::lock_guard<std::mutex> lock(IndexMutex());
  for (const Child& child : children_) {
    if (child.adder == adder && child.variant == variant) return child.index;
  }
  const KeywordIndex* made = BuildExtension(this, adder, variant);
  if (made == nullptr) return nullptr;
  try {
    children_.push_back(Child{adder, variant, made});
  } catch (const std::bad_alloc&) {
    // Not kept (no parse saw it yet): another parse will build it again.
    delete made;
    return nullptr;
  }
  return made;
}

KeywordIndex* KeywordIndex::Make(CommentEntry* entries, uint32_t count) {
  auto* index = new (std::nothrow) KeywordIndex;
  if (index == nullptr) return nullptr;
  index->entries_ = entries;
  index->count_ = count;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t length = static_cast<size_t>(entries[i].keyLen);
    if (length == 0) index->anyEmptyKey_ = true;
    index->longestKey_ = std::max(index->longestKey_, length);
  }
  return index;
}

KeywordIndex::~KeywordIndex() {
  delete tables_.load();
  FreeEntries(entries_, count_);
}

uint32_t KeywordIndex::Slot8(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return static_cast<uint32_t>((word * 0x9E3779B97F4A7C15u) >>
                               (64 - kSlotBits));
}

uint32_t KeywordIndex::Slot4(const char* bytes) {
  uint32_t word;
  std::memcpy(&word, bytes, sizeof word);
  return (word * 2654435761u) >> (32 - kSlotBits);
}

uint32_t KeywordIndex::GroupOf(const CommentEntry& entry) {
  if (entry.keyLen >= 8) return Slot8(entry.key);
  if (entry.keyLen >= 4) return kSlots + Slot4(entry.key);
  return 2 * kSlots + static_cast<unsigned char>(entry.key[0]);
}

const KeywordIndex::Tables* KeywordIndex::TablesOf() const {
  const Tables* tables = tables_.load(std::memory_order_acquire);
  if (tables != nullptr) return tables;
  std::lock_guard<std::mutex> lock(IndexMutex());
  tables = tables_.load(std::memory_order_relaxed);
  if (tables != nullptr) return tables;
  Tables* made = new (std::nothrow) Tables;
  if (made == nullptr) return nullptr;
  try {
    BuildTables(*made);
  } catch (const std::bad_alloc&) {
    delete made;
    return nullptr;  // tried again at the next lookup
  }
  tables_.store(made, std::memory_order_release);
  return made;
}

void KeywordIndex::BuildTables(Tables& t) const {
  const int count = static_cast<int>(count_);
  // By group, longest first: the first candidate of a group that the text
  // starts with is the longest key of the group that does.
  std::vector<std::pair<uint32_t, int>> order;
  order.reserve(count_);
  for (int i = 0; i < count; ++i) order.emplace_back(GroupOf(entries_[i]), i);
  std::sort(order.begin(), order.end(), [this](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    if (entries_[a.second].keyLen != entries_[b.second].keyLen) {
      return entries_[a.second].keyLen > entries_[b.second].keyLen;
    }
    return a.second < b.second;
  });
  t.candidates.reserve(count_);
  uint32_t per_group[kGroups] = {};
  uint32_t per_byte[256] = {};
  for (const auto& item : order) {
    const CommentEntry& e = entries_[item.second];
    Candidate c{{0, 0}, {0, 0}, static_cast<uint32_t>(e.keyLen), item.second};
    const size_t head = std::min(kHeadBytes, static_cast<size_t>(e.keyLen));
    std::memcpy(c.head, e.key, head);
    std::memset(c.mask, 0xff, head);
    t.candidates.push_back(c);
    ++per_group[item.first];
    const unsigned char first = static_cast<unsigned char>(e.key[0]);
    ++per_byte[first];
    t.firstBytes[first >> 6] |= uint64_t{1} << (first & 63);
    if (e.keyLen >= 8) {
      uint64_t word;
      std::memcpy(&word, e.key, sizeof word);
      SetBit(t.prefix8, Prefix8(word));
    } else if (e.keyLen >= 4) {
      uint32_t word;
      std::memcpy(&word, e.key, sizeof word);
      SetBit(t.prefix4, Prefix4(word));
    } else {
      SetBit(t.shortFirst, first);
    }
  }
  for (uint32_t g = 0; g < kGroups; ++g) {
    t.groupStart[g + 1] = t.groupStart[g] + per_group[g];
  }
  // An empty key begins every text: nothing is refused.
  const uint64_t every_byte[4] = {~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0},
                                  ~uint64_t{0}};
  FillRefusedFirst(anyEmptyKey_ ? every_byte : t.firstBytes, t.refusedFirst);
  BuildChains(t);
  // No key starts with the other bytes: their search range stays empty.
  for (int c = 0; c < 256; ++c) {
    t.searchHigh[c] = -1;
    if (per_byte[c] == 0) continue;
    ParserSearchStart(entries_, count, static_cast<unsigned char>(c),
                      &t.searchLow[c], &t.searchHigh[c]);
  }
}

void KeywordIndex::BuildChains(Tables& t) const {
  const int count = static_cast<int>(count_);
  t.minNext.assign(count_, 256);
  t.extensions.assign(count_, 0);
  t.runBase.assign(count_, 0);
  for (int q = 0; q < count; ++q) {
    const CommentEntry& key = entries_[q];
    // The keys that extend key q follow it in the sorted table, the one
    // with the smallest next byte first.
    int extensions = 0;
    for (int x = q + 1; x < count && entries_[x].keyLen > key.keyLen &&
                        std::memcmp(entries_[x].key, key.key, key.keyLen) == 0;
         ++x) {
      ++extensions;
    }
    if (extensions > 0) {
      t.minNext[q] =
          static_cast<unsigned char>(entries_[q + 1].key[key.keyLen]);
    }
    t.extensions[q] = static_cast<uint32_t>(extensions);
    t.runBase[q] = static_cast<uint32_t>(t.runStart.size());
    for (int e = 0; e <= extensions; ++e) BuildRun(t, q, q + 1 + e);
  }
  t.runStart.push_back(static_cast<uint32_t>(t.chain.size()));
}

// The search of a text whose longest matching key is `longest` and that
// sorts below slot `end` and above the slots before it goes right at every
// slot before `end` and left from there on; it stops at the first slot it
// meets that matches, which can only be `longest` or a prefix of it.
void KeywordIndex::BuildRun(Tables& t, int longest, int end) const {
  const CommentEntry& key = entries_[longest];
  t.runStart.push_back(static_cast<uint32_t>(t.chain.size()));
  int low = 0;
  int high = static_cast<int>(count_) - 1;
  while (high >= low) {
    const int mid = low + (high - low + 1) / 2;
    if (mid >= end) {
      high = mid - 1;
      continue;
    }
    const CommentEntry& probe = entries_[mid];
    if (mid <= longest && probe.keyLen <= key.keyLen &&
        std::memcmp(key.key, probe.key, probe.keyLen) == 0) {
      t.chain.push_back(mid);
    }
    low = mid + 1;
  }
}

// How many of the keys that extend `longest` sort below the text (a prefix
// of them, as they are sorted). None of them matches the text.
int KeywordIndex::ExtensionsBelow(const Tables& t, int longest,
                                  const char* text, size_t held) const {
  const size_t from = static_cast<size_t>(entries_[longest].keyLen);
  const int extensions = static_cast<int>(t.extensions[longest]);
  int below = 0;
  for (; below < extensions; ++below) {
    const CommentEntry& e = entries_[longest + 1 + below];
    bool lower = false;
    for (size_t i = from; i < static_cast<size_t>(e.keyLen); ++i) {
      const unsigned char k = static_cast<unsigned char>(e.key[i]);
      const unsigned char c =
          i < held ? static_cast<unsigned char>(text[i]) : 0;
      if (k != c) {
        lower = k < c;
        break;
      }
    }
    if (!lower) break;
  }
  return below;
}

int KeywordIndex::Slow(const Tables* t, const char* text,
                       const char* end) const {
  const TextUpTo terminated(text, end, longestKey_);
  text = terminated.get();
  const int count = static_cast<int>(count_);
  if (anyEmptyKey_ || t == nullptr) {
    return ParserFindEntry(entries_, text, 0, count - 1);
  }
  const unsigned char c = static_cast<unsigned char>(text[0]);
  return ParserFindEntry(entries_, text, t->searchLow[c], t->searchHigh[c]);
}

int KeywordIndex::Resolve(const Tables& t, int longest, const char* text,
                          size_t held) const {
  const size_t length = static_cast<size_t>(entries_[longest].keyLen);
  const unsigned next =
      length < held ? static_cast<unsigned char>(text[length]) : 0u;
  // Keys that extend the longest match and sort below the text move the
  // point where the search ends, and so the slots it meets.
  const int below =
      next < t.minNext[longest] ? 0 : ExtensionsBelow(t, longest, text, held);
  const uint32_t run = t.runBase[longest] + static_cast<uint32_t>(below);
  for (uint32_t i = t.runStart[run]; i < t.runStart[run + 1]; ++i) {
    const CommentEntry& e = entries_[t.chain[i]];
    const size_t len = static_cast<size_t>(e.keyLen);
    const unsigned char after =
        len < held ? static_cast<unsigned char>(text[len]) : 0;
    if (e.prefix != 0 || !IsLetterByte(static_cast<char>(after)) ||
        e.key[0] == '!') {
      return t.chain[i];
    }
  }
  return -1;
}

// The slot of the longest key of `group` that the text starts with, or -1.
// `head` holds the text's first kHeadBytes bytes (zero past `held`).
inline int KeywordIndex::LongestIn(const Tables& t, uint32_t group,
                                   const uint64_t* head, const char* text,
                                   size_t held) const {
  for (uint32_t i = t.groupStart[group]; i < t.groupStart[group + 1]; ++i) {
    const Candidate& c = t.candidates[i];
    if (c.length > held || (head[0] & c.mask[0]) != c.head[0] ||
        (head[1] & c.mask[1]) != c.head[1]) {
      continue;
    }
    if (c.length > kHeadBytes &&
        std::memcmp(text + kHeadBytes, entries_[c.index].key + kHeadBytes,
                    c.length - kHeadBytes) != 0) {
      continue;
    }
    return c.index;
  }
  return -1;
}

int KeywordIndex::Lookup(const char* text, const char* end) const {
  const Tables* t = tables_.load(std::memory_order_acquire);
  if (t == nullptr) t = TablesOf();
  if (t == nullptr || anyEmptyKey_ || text == nullptr || end == nullptr ||
      end < text) {
    return text == nullptr || count_ == 0 ? -1 : Slow(t, text, end);
  }
  const size_t held = static_cast<size_t>(end - text);
  if (held == 0) return -1;  // reads as "": no key starts it
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if (((t->firstBytes[first >> 6] >> (first & 63)) & 1) == 0) return -1;
  uint64_t head[2] = {0, 0};
  if (held >= kHeadBytes) {
    std::memcpy(head, text, kHeadBytes);
  } else {
    std::memcpy(head, text, held);
  }
  // The keys of the text's first eight bytes, of its first four, then the
  // shorter keys of its first byte: the first that the text starts with is
  // the longest.
  int longest = -1;
  if (held >= 8) longest = LongestIn(*t, Slot8(text), head, text, held);
  if (longest < 0 && held >= 4) {
    longest = LongestIn(*t, kSlots + Slot4(text), head, text, held);
  }
  if (longest < 0) {
    longest = LongestIn(*t, 2 * kSlots + static_cast<unsigned char>(text[0]),
                        head, text, held);
  }
  return longest < 0 ? -1 : Resolve(*t, longest, text, held);
}

bool MakeTablePrivate(ParserContext* context) {
  if (context == nullptr || context->sharedIndex == nullptr) return true;
  const KeywordIndex* index = context->sharedIndex;
  const uint32_t count = index->count();
  CommentEntry* copy = CopyTable(index->entries(), count, count + kSpareSlots);
  if (copy == nullptr) return false;
  context->entries = copy;
  context->commentsNum = count;
  context->capacity = count + kSpareSlots;
  context->sharedIndex = nullptr;
  context->lookup.valid = false;
  return true;
}

void AddKeywordSet(ParserContext* context, KeywordAdder adder, int variant) {
  if (context == nullptr || adder == nullptr) return;
  const KeywordIndex* from = context->sharedIndex;
  if (from == nullptr && context->commentsNum == 0) from = RootIndex();
  const KeywordIndex* to =
      from != nullptr ? from->Extended(adder, variant) : nullptr;
  if (to == nullptr) {
    // The parse's own table, with the keywords added one by one.
    if (!MakeTablePrivate(context)) {
      context->tableFailed = true;
      return;
    }
    adder(context, variant);
    return;
  }
  if (context->sharedIndex == nullptr) std::free(context->entries);  // empty
  context->entries = const_cast<CommentEntry*>(to->entries());
  context->commentsNum = to->count();
  context->capacity = 0;
  context->sharedIndex = to;
  ++context->tableGeneration;
}

}  // namespace vantrel
