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

// FNV-1a, folded to 32 bits: page texts are short, and this needs no table.
// The low bits choose the slot, the high ones give the tag.
uint32_t Hash(const char* text, size_t length) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < length; ++i) {
    h ^= static_cast<unsigned char>(text[i]);
    h *= 1099511628211ull;
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// Never 0, the mark of a free slot.
uint16_t Tag(uint32_t hash) { return static_cast<uint16_t>(hash >> 16) | 1; }

// A table at most three quarters full has free slots near every start.
bool TooFull(size_t used, size_t slots) { return used * 4 > slots * 3; }

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
    std::fill(tags_.begin(), tags_.end(), 0);
    stale_ = false;
  }
  while (TooFull(count_ + pending_.size(), tags_.size())) Grow();
  const size_t mask = tags_.size() - 1;
  for (const Pending& p : pending_) Prefetch(&tags_[p.hash & mask]);
  bool repeated = false;
  for (const Pending& p : pending_) {
    const size_t length = p.place & kLengthMask;
    const char* text = texts_.data() + (p.place >> kLengthBits);
    const uint16_t tag = Tag(p.hash);
    size_t i = p.hash & mask;
    for (; tags_[i] != 0; i = (i + 1) & mask) {
      if (tags_[i] != tag) continue;
      const uint64_t held = held_[i].place;
      if ((held & kLengthMask) == length &&
          std::memcmp(texts_.data() + (held >> kLengthBits), text, length) ==
              0) {
        repeated = true;
        break;
      }
    }
    if (repeated) break;
    tags_[i] = tag;
    held_[i] = p;
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
  if (tags_.size() > kMostKeptSlots) {
    std::vector<uint16_t>().swap(tags_);
    std::vector<Pending>().swap(held_);
    std::string().swap(texts_);
  }
  stale_ = !tags_.empty();
}

void PageLabelSet::Grow() {
  std::vector<uint16_t> old_tags;
  std::vector<Pending> old_held;
  old_tags.swap(tags_);
  old_held.swap(held_);
  const size_t size = old_tags.empty() ? kFirstSlots : old_tags.size() * 2;
  tags_.assign(size, 0);
  held_.resize(size);
  const size_t mask = size - 1;
  for (size_t j = 0; j < old_tags.size(); ++j) {
    if (old_tags[j] == 0) continue;
    size_t i = old_held[j].hash & mask;
    while (tags_[i] != 0) i = (i + 1) & mask;
    tags_[i] = old_tags[j];
    held_[i] = old_held[j];
  }
}

}  // namespace vantrel
