// The keyword indexes shared by every parse of the process.
//
// A parse registers its comment sets one after the other; each set adds the
// same keywords, with the same handlers, in every parse. So the table that a
// sequence of sets makes is built once per process, the first time a parse
// registers that sequence, and every later parse points its context at it.
// An index is immutable once built and is never freed (it lives until the
// process ends, as the library's other process-wide tables): a parse may
// use it without a lock, and its handler chains cannot move or vanish under
// a handler that runs.
//
// The trace lines of the registrations (ParserAddEntryToList's) are written
// while an index is built, that is once per process and sequence of sets, in
// the trace of the parse that built it; keywords a host adds to its own parse
// (CKalParser::AddComment) are traced by every parse that adds them.
//
// A parse that must change its table (a host keyword added, a keyword taken
// out during the scan) first copies the shared table into a table of its own
// (ParserAddEntryToList and ParserRemoveEntry do that), and from then on
// works on that copy with the sorted-insert semantics of a private table.
//
// The lookup gives the binary search's answer (ParserFindEntry) without
// searching. The search goes right at every key that sorts below the text
// or that the text starts with, left at every other, and stops at the first
// key it meets that the text starts with and that the letter rule accepts.
// So where it ends depends only on the number j of keys of the first kind,
// and what it answers on which of the keys it meets on its way to j match.
// The keys that the text starts with are the longest such key L and the
// keys that are prefixes of L; the keys that sort below the text are those
// before L and the keys extending L that sort below it (counted at lookup
// time from the byte after L on). For each L and each such count the keys
// the search meets are listed when the index is built: the lookup finds L
// (among the keys of the text's first bytes, longest first, comparing a
// key's length, its first sixteen bytes as two words and the rest with
// memcmp), counts, and checks the listed keys against the letter rule. The
// tests compare it with the search over every road's sets and over random
// tables of keys that prefix each other.
#ifndef VANTREL_ENGINE_KEYWORD_INDEX_H_
#define VANTREL_ENGINE_KEYWORD_INDEX_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/context.h"

namespace vantrel {

// Adds the keywords of one comment set to `table` with
// ParserAddEntryToList, and does nothing else: it runs once per process on
// a scratch context when an index is built, so it must neither keep a
// pointer to per-parse state as user data nor touch anything but the table.
// `variant` carries the arguments that change which keywords are added.
using KeywordAdder = void (*)(ParserContext* table, int variant);

// A finished, immutable keyword table and what its lookup needs.
class KeywordIndex {
 public:
  // The table, sorted ascending by key; chains as a private table's.
  const CommentEntry* entries() const { return entries_; }
  uint32_t count() const { return count_; }

  // ParserFindEntry(entries(), text, 0, count() - 1), with the text read as
  // if a NUL stood at `end`.
  int Lookup(const char* text, const char* end) const;

  // Non-zero for byte c when a comment whose text starts with c is passed
  // over at once: no key starts with c, and c is no "+" (a continuation)
  // nor "!" (a "%!" line). Most comments are refused by this alone. Null
  // when the tables cannot be made (then none is refused).
  const uint8_t* RefusedFirstBytes() const {
    const Tables* t = tables_.load(std::memory_order_acquire);
    if (t == nullptr) t = TablesOf();
    return t != nullptr ? t->refusedFirst : nullptr;
  }

  // False when no key is a prefix of the first `held` bytes at `text` (then
  // Lookup answers -1); true when one may be. Three bit tests stand in for
  // the groups Lookup searches: a comment line that merely shares its first
  // byte with a key ("BeginPageSetup" beside "BeginProcSet") is refused
  // without the search.
  bool MayPrefix(const char* text, size_t held) const {
    const Tables* t = tables_.load(std::memory_order_acquire);
    if (t == nullptr || anyEmptyKey_ || held < 8) return true;
    uint64_t word8;
    std::memcpy(&word8, text, sizeof word8);
    uint32_t word4;
    std::memcpy(&word4, text, sizeof word4);
    const unsigned char first = static_cast<unsigned char>(text[0]);
    return HasBit(t->prefix8, Prefix8(word8)) ||
           HasBit(t->prefix4, Prefix4(word4)) || HasBit(t->shortFirst, first);
  }

  // Builds the index over `entries` (taking them and their chains over).
  // Null when memory is exhausted (nothing is then taken).
  static KeywordIndex* Make(CommentEntry* entries, uint32_t count);

  // The index of this one's sets followed by (adder, variant), built when no
  // parse of the process asked for it before; null when memory is exhausted.
  const KeywordIndex* Extended(KeywordAdder adder, int variant) const;

  // Frees the table. The indexes that parses share are never destroyed.
  ~KeywordIndex();
  KeywordIndex(const KeywordIndex&) = delete;
  KeywordIndex& operator=(const KeywordIndex&) = delete;

 private:
  // A key of a group: its first 16 bytes as two words (zero past the key),
  // which bytes of those the key fills, its length and its slot.
  struct Candidate {
    uint64_t head[2];
    uint64_t mask[2];
    uint32_t length;
    int index;
  };
  // The keys are grouped, longest first in each group: a key of at least 8
  // bytes by a hash of its first 8 (group Slot8), one of 4 to 7 bytes by a
  // hash of its first 4 (kSlots + Slot4), a shorter one by its first byte
  // (2 * kSlots + byte). A text is looked for in its three groups, in that
  // order.
  static constexpr uint32_t kSlotBits = 7;
  static constexpr uint32_t kSlots = 1u << kSlotBits;
  static constexpr uint32_t kGroups = 2 * kSlots + 256;
  // MayPrefix's bits per kind of key: few collide for a road's keys.
  static constexpr uint32_t kPrefixBits = 12;
  static constexpr uint32_t kPrefixWords = (1u << kPrefixBits) / 64;
  static uint32_t Prefix8(uint64_t word) {
    return static_cast<uint32_t>((word * 0x9E3779B97F4A7C15u) >>
                                 (64 - kPrefixBits));
  }
  static uint32_t Prefix4(uint32_t word) {
    return (word * 2654435761u) >> (32 - kPrefixBits);
  }
  static bool HasBit(const uint64_t* bits, uint32_t i) {
    return ((bits[i >> 6] >> (i & 63)) & 1) != 0;
  }
  static void SetBit(uint64_t* bits, uint32_t i) {
    bits[i >> 6] |= uint64_t{1} << (i & 63);
  }
  // What the lookup reads besides the table. Made at the first lookup, as
  // most indexes are only steps towards the one a road scans with.
  struct Tables {
    // Group g is candidates[groupStart[g]..groupStart[g + 1]).
    uint32_t groupStart[kGroups + 1] = {};
    std::vector<Candidate> candidates;
    // For slot q: the smallest byte that follows key q in the keys that
    // extend it (256 when none does), and how many keys extend it (they
    // follow it in the table).
    std::vector<uint16_t> minNext;
    std::vector<uint32_t> extensions;
    // For slot q and e from 0 to extensions[q]: the slots, among key q and
    // the keys that are prefixes of it, that the search meets, in the order
    // it meets them, for a text whose longest matching key is q and that
    // sorts above the first e keys that extend q and below the rest. Run
    // runBase[q] + e is chain[runStart[run]..runStart[run + 1]).
    std::vector<uint32_t> runBase;
    std::vector<uint32_t> runStart;
    std::vector<int> chain;
    // Bit c set: a key starts with byte c (every bit with an empty key).
    uint64_t firstBytes[4] = {};
    // Bits of the keys' beginnings for MayPrefix: a key of at least 8 bytes
    // by Prefix8 of its first 8, one of 4 to 7 by Prefix4 of its first 4, a
    // shorter one by its first byte.
    uint64_t prefix8[kPrefixWords] = {};
    uint64_t prefix4[kPrefixWords] = {};
    uint64_t shortFirst[4] = {};
    // RefusedFirstBytes.
    uint8_t refusedFirst[256] = {};
    // The range each first byte's search starts from (ParserSearchStart).
    int searchLow[256] = {};
    int searchHigh[256] = {};
  };

  KeywordIndex() = default;
  static uint32_t Slot8(const char* bytes);
  static uint32_t Slot4(const char* bytes);
  static uint32_t GroupOf(const CommentEntry& entry);
  // The tables, made by the first caller; null when memory is exhausted.
  const Tables* TablesOf() const;
  void BuildTables(Tables& t) const;
  void BuildChains(Tables& t) const;
  void BuildRun(Tables& t, int longest, int end) const;
  int ExtensionsBelow(const Tables& t, int longest, const char* text,
                      size_t held) const;
  int Slow(const Tables* t, const char* text, const char* end) const;
  int LongestIn(const Tables& t, uint32_t group, const uint64_t* head,
                const char* text, size_t held) const;
  int Resolve(const Tables& t, int longest, const char* text,
              size_t held) const;

  CommentEntry* entries_ = nullptr;
  uint32_t count_ = 0;
  // An empty key matches any text: every lookup then takes the search.
  bool anyEmptyKey_ = false;
  size_t longestKey_ = 0;
  mutable std::atomic<const Tables*> tables_{nullptr};
  // The indexes made from this one (Extended), guarded by the process-wide
  // index lock.
  struct Child {
    KeywordAdder adder;
    int variant;
    const KeywordIndex* index;
  };
  mutable std::vector<Child> children_;
};

// Points the parse's view at the index for the sets it registered so far
// followed by (adder, variant), building that index first when no parse of
// the process did. A context that already holds a table of its own (a host
// keyword came first) has the set added to that table instead, and so does
// one for which the index cannot be built for want of memory.
void AddKeywordSet(ParserContext* context, KeywordAdder adder, int variant);

// Gives the parse a table of its own, a copy of the shared one it looks at.
// Answers false when memory is exhausted (the view is then unchanged).
// Nothing to do for a context that has its own table already.
bool MakeTablePrivate(ParserContext* context);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_KEYWORD_INDEX_H_
