// The set of "Page" comment texts of one scan, which tells a repeated page.
#ifndef VANTREL_HANDLERS_PAGE_LABELS_H_
#define VANTREL_HANDLERS_PAGE_LABELS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// Texts compared as exact bytes. "Page" comes once per page of a job, so
// adding a text must cost little: the texts share one growing buffer and an
// open-addressed table of 16-bit tags of their hashes finds them (the place
// of a text is read only when its tag matches), two bytes a slot so that the
// table of a long job still fits the processor's cache. A text is added at once but
// checked later, together with the texts added after it: the table is too
// large to stay in the processor's cache while a job streams through it, and
// checking many texts at a time lets their memory accesses overlap instead
// of waiting for each in turn. Clear() keeps the storage of a table of
// moderate size and empties it only when the next text comes, so a scan
// that adds no text pays nothing for it.
class PageLabelSet {
 public:
  // Adds the `length` bytes at `text`, to be checked by the next Resolve().
  // REQUIRES: length < 2^24.
  void Add(const char* text, size_t length);
  // Texts added since the last Resolve().
  size_t pending() const { return pending_.size(); }
  // Checks the texts added since the last call, in the order they came;
  // answers true when one of them was in the set already, and then drops
  // the texts that came after it.
  bool Resolve();
  // Add() and Resolve() of one text: false when the set held it already.
  bool Insert(const char* text, size_t length);
  void Clear();
  // Texts checked and kept.
  size_t size() const { return count_; }

 private:
  struct Pending {
    uint64_t place;  // offset in texts_ << 24 | length
    uint32_t hash;
  };
  void Grow();

  std::vector<uint16_t> tags_;    // 0: free; a power of two in size, or empty
  std::vector<Pending> held_;     // the texts of tags_, slot by slot
  std::vector<Pending> pending_;
  std::string texts_;
  size_t count_ = 0;
  bool stale_ = false;  // tags_ still holds the texts of an earlier scan
};

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PAGE_LABELS_H_
