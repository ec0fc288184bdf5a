// The sorted keyword table: registration, lookup, removal and dispatch of
// handler chains.
#ifndef VANTREL_ENGINE_KEYWORD_TABLE_H_
#define VANTREL_ENGINE_KEYWORD_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/context.h"
#include "engine/keyword_index.h"

namespace vantrel {

// Registers `key` (kept by pointer; it must outlive the table). A key
// already present gets the new handler chained behind its existing ones.
// A context that looks at a shared keyword index (engine/keyword_index.h)
// first gets a copy of its own, so the key reaches this parse alone.
// Answers 0, or -1 when the table cannot grow (nothing changed then, and
// the context's tableFailed is set).
int ParserAddEntryToList(ParserContext* context, const char* key,
                         CommentHandler handler, long param, void* user_data,
                         int prefix);

// Binary search of entries[low..high] for the entry whose key starts `text`.
// A key followed in the text by a letter matches only as a prefix entry or
// when the key starts with "!". Answers the index or -1.
// REQUIRES: `text` is NUL-terminated or holds at least the longest key's
// length of readable bytes.
int ParserFindEntry(const CommentEntry* entries, const char* text, int low,
                    int high);

// The first steps of a search of entries[0..count-1] compare the text with
// keys that begin with another byte than the text, so they depend on the
// text's first byte alone. Answers, in *low and *high, the range at which the
// search of a text whose first byte is `first` stands after those steps:
// ParserFindEntry(entries, text, *low, *high) takes the very path, and gives
// the very answer, that the search from the whole table does.
// REQUIRES: no key is empty (an empty key compares equal to any text).
void ParserSearchStart(const CommentEntry* entries, int count,
                       unsigned char first, int* low, int* high);

// The index of the entry whose key starts the comment text at `text`, or
// -1: ParserFindEntry's answer over the whole table, with the text read as
// if a NUL stood at `end` (in a chunk read in place the byte there belongs
// to the file, and a key must not match across it). A shared index answers
// from its own tables (KeywordIndex::Lookup); for a table of the parse's
// own a summary is kept in the context, looked at again when the table
// changes.
int ParserLookupPrivate(ParserContext* context, const char* text,
                        const char* end);
inline int ParserLookup(ParserContext* context, const char* text,
                        const char* end) {
  if (context == nullptr || text == nullptr) return -1;
  return context->sharedIndex != nullptr
             ? context->sharedIndex->Lookup(text, end)
             : ParserLookupPrivate(context, text, end);
}

// The comment text from `text` up to `end`, read as if a NUL stood at `end`
// wherever a key of `longest` bytes could reach it (a chunk read in place
// has a byte of the file there, and a key must not match across it): a
// NUL-terminated copy then, else the text itself.
class TextUpTo {
 public:
  TextUpTo(const char* text, const char* end, size_t longest);
  TextUpTo(const TextUpTo&) = delete;
  TextUpTo& operator=(const TextUpTo&) = delete;
  const char* get() const { return text_; }

 private:
  char small_[kKeyBufferSize + 1];
  std::string large_;
  const char* text_;
};

// Sets refused[c] to 1 when a comment whose text starts with byte c is
// passed over at once: no key starts with c (bit c of `first_bytes` is
// clear) and c is no "+" (a continuation) nor "!" (a "%!" line); else 0.
void FillRefusedFirst(const uint64_t first_bytes[4], uint8_t refused[256]);

// The bytes by which comments of the parse's table are refused
// (FillRefusedFirst): the shared index's, or `own` filled for a table that
// the parse keeps of its own. What it gives holds while the context's
// tableGeneration stays as it is.
const uint8_t* ParserRefusedFirstBytes(ParserContext* context,
                                       uint8_t own[256]);

// ParserFindEntry over the whole table of `context` with `key` as the text.
int ParserFindKey(const ParserContext* context, const char* key);

// Removes the slot of `key` with every handler chained to it, from this
// parse's table only (a shared one is copied first). 0 when removed, -1
// when `key` is null or not found, or when the copy cannot be made (then
// the context's tableFailed is set).
int ParserRemoveEntry(ParserContext* context, const char* key);

// Calls every handler chained at `index`; see CommentHandler for the result.
// The handlers share one text position; where the last one left it is
// stored back into *position. A shared chain is walked in place (it never
// changes); the chain of a table of the parse's own is copied first, as a
// handler may change that table.
int64_t ParserDispatch(ParserContext* context, int index, CommentStruct* record,
                       char* keyword, char** position, char* comment_start,
                       int64_t continuation, int64_t value_offset,
                       long* wait_index, void* caller);

// Frees the entries chained after `first` (not `first` itself, a slot).
void FreeChainedEntries(CommentEntry* first);

// Frees the chained entries of entries[0..count-1] and the array.
void FreeEntries(CommentEntry* entries, uint32_t count);

// Frees every slot's chained entries and the array (a shared index is only
// let go); leaves an empty table of capacity 0.
void ParserFreeTable(ParserContext* context);

}  // namespace vantrel

#endif  // VANTREL_ENGINE_KEYWORD_TABLE_H_
