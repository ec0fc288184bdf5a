#include "handlers/page_labels.h"

#include <algorithm>
#include <cstring>

namespace vantrel {
namespace {

constexpr size_t kFirstSlots = 64;
// Clear() gives back a table larger than this (a job of some half a million
// pages) rather than keep it for the next job.
constexpr size_t kMostKeptSlots = size_t{1} << 20;
constexpr int kLengthBits = 24;
constexpr uint64_t kLengthMask = (uint64_t{1} << kLengthBits) - 1;

// FNV-1a, folded to 32 bits and never 0 (the mark of a free slot): page
// texts are short, and this needs no table.
uint32_t Hash(const char* text, size_t length) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < length; ++i) {
    h ^= static_cast<unsigned char>(text[i]);
    h *= 1099511628211ull;
  }
  const uint32_t folded = static_cast<uint32_t>(h ^ (h >> 32));
  return folded != 0 ? folded : 1;
}

void Prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

}  // namespace

void PageLabelSet::Add(const char* text, size_t length) {
  pending_.push_back({static_cast<uint64_t>(texts_.size()) << kLengthBits |
                          static_cast<uint64_t>(length),
                      Hash(text, length)});
  texts_.append(text, length);
}

bool PageLabelSet::Resolve() {
  if (pending_.empty()) return false;
  if (stale_) {
    std::fill(hashes_.begin(), hashes_.end(), 0);
    stale_ = false;
  }
  // At most half full, so a probe always ends at a free slot.
  while ((count_ + pending_.size()) * 2 > hashes_.size()) Grow();
  const size_t mask = hashes_.size() - 1;
  for (const Pending& p : pending_) Prefetch(&hashes_[p.hash & mask]);
  bool repeated = false;
  for (const Pending& p : pending_) {
    const size_t length = p.place & kLengthMask;
    const char* text = texts_.data() + (p.place >> kLengthBits);
    size_t i = p.hash & mask;
    for (; hashes_[i] != 0; i = (i + 1) & mask) {
      if (hashes_[i] != p.hash) continue;
      const uint64_t held = places_[i];
      if ((held & kLengthMask) == length &&
          std::memcmp(texts_.data() + (held >> kLengthBits), text, length) ==
              0) {
        repeated = true;
        break;
      }
    }
    if (repeated) break;
    hashes_[i] = p.hash;
    places_[i] = p.place;
    ++count_;
  }
  pending_.clear();
  return repeated;
}

bool PageLabelSet::Insert(const char* text, size_t length) {
  Add(text, length);
  return !Resolve();
}

void PageLabelSet::Clear() {
  count_ = 0;
  texts_.clear();
  pending_.clear();
  if (hashes_.size() > kMostKeptSlots) {
    std::vector<uint32_t>().swap(hashes_);
    std::vector<uint64_t>().swap(places_);
    std::string().swap(texts_);
  }
  stale_ = !hashes_.empty();
}

void PageLabelSet::Grow() {
  std::vector<uint32_t> old_hashes;
  std::vector<uint64_t> old_places;
  old_hashes.swap(hashes_);
  old_places.swap(places_);
  const size_t size = old_hashes.empty() ? kFirstSlots : old_hashes.size() * 2;
  hashes_.assign(size, 0);
  places_.resize(size);
  const size_t mask = size - 1;
  for (size_t j = 0; j < old_hashes.size(); ++j) {
    if (old_hashes[j] == 0) continue;
    size_t i = old_hashes[j] & mask;
    while (hashes_[i] != 0) i = (i + 1) & mask;
    hashes_[i] = old_hashes[j];
    places_[i] = old_places[j];
  }
}

}  // namespace vantrel
