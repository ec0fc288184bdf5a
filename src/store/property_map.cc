#include "store/property_map.h"

#include <cstddef>
#include <new>
#include <string>
#include <utility>

namespace vantrel {

namespace {

// Up to this many entries a search walks the entries; past it the map keeps
// a hash index, so that a job storing many names costs what its size costs.
constexpr size_t kLinearEntries = 16;
// Room made at the first store: the properties of a typical job.
constexpr size_t kFirstCapacity = 16;

}  // namespace

size_t PropertyMap::IndexOf(std::string_view name) const {
  if (!index_.empty()) {
    auto it = index_.find(std::string(name));
    return it == index_.end() ? entries_.size() : it->second;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].first == name) return i;
  }
  return entries_.size();
}

void PropertyMap::BuildIndex() {
  std::unordered_map<std::string, size_t> index;
  index.reserve(entries_.size() * 2);
  for (size_t i = 0; i < entries_.size(); ++i) {
    index.emplace(entries_[i].first, i);
  }
  index_.swap(index);
}

CKalProperty* PropertyMap::Find(std::string_view name) const {
  const size_t at = IndexOf(name);
  return at == entries_.size() ? nullptr : entries_[at].second.get();
}

void PropertyMap::Store(std::string_view name,
                        std::unique_ptr<CKalProperty> record) {
  const size_t at = IndexOf(name);
  if (at != entries_.size()) {
    entries_[at].second = std::move(record);
    return;
  }
  if (entries_.capacity() == 0) entries_.reserve(kFirstCapacity);
  entries_.emplace_back(std::string(name), std::move(record));
  try {
    if (!index_.empty()) {
      index_.emplace(entries_.back().first, at);
    } else if (entries_.size() > kLinearEntries) {
      BuildIndex();
    }
  } catch (...) {
    // The index must never name an entry that is not there, nor miss one.
    entries_.pop_back();
    throw;
  }
}

void PropertyMap::Remove(std::string_view name) {
  const size_t at = IndexOf(name);
  if (at == entries_.size()) return;
  if (!index_.empty()) {
    index_.erase(entries_[at].first);
    for (auto& slot : index_) {
      if (slot.second > at) --slot.second;
    }
  }
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
}

void PropertyMap::Clear() {
  entries_.clear();
  index_.clear();
  lost_ = false;
}

std::vector<PropertyMap::Entry> PropertyMap::TakeAll() {
  std::vector<Entry> out;
  out.swap(entries_);
  index_.clear();
  return out;
}

std::unique_ptr<CKalProperty> NewProperty() {
  return std::unique_ptr<CKalProperty>(new (std::nothrow) CKalProperty);
}

std::unique_ptr<CKalProperty> NewProperty(PropertyMap& map) {
  std::unique_ptr<CKalProperty> record = NewProperty();
  if (!record) map.MarkLost();
  return record;
}

namespace {

// A new record with its name, type name and identifier set; null when there
// is no name or no memory.
std::unique_ptr<CKalProperty> NamedProperty(const char* name,
                                            const char* type_name, int id) {
  if (name == nullptr) return nullptr;
  std::unique_ptr<CKalProperty> record = NewProperty();
  if (!record) return nullptr;
  record->setPropertyName(name);
  record->setPropertyTypeName(type_name);
  record->setPropertyID(id);
  return record;
}

}  // namespace

CKalProperty* StoreProperty(PropertyMap& map, const char* name,
                            const char* type_name, int id, const char* value) {
  std::unique_ptr<CKalProperty> record = NamedProperty(name, type_name, id);
  if (!record) {
    if (name != nullptr) map.MarkLost();
    return nullptr;
  }
  if (value != nullptr) record->setPropertyValue(value, -1);
  return StoreProperty(map, std::move(record));
}

CKalProperty* StoreProperty(PropertyMap& map, const char* name,
                            const char* type_name, int id, int32_t value) {
  std::unique_ptr<CKalProperty> record = NamedProperty(name, type_name, id);
  if (!record) {
    if (name != nullptr) map.MarkLost();
    return nullptr;
  }
  const int number = value;
  record->setValue(&number);
  return StoreProperty(map, std::move(record));
}

CKalProperty* StoreProperty(PropertyMap& map,
                            std::unique_ptr<CKalProperty> record) {
  if (!record) {
    map.MarkLost();
    return nullptr;
  }
  CKalProperty* raw = record.get();
  map.Store(raw->getPropertyName(), std::move(record));
  return raw;
}

CKalProperty* FindProperty(const PropertyMap& map, const char* name) {
  return name == nullptr ? nullptr : map.Find(name);
}

void RemoveProperty(PropertyMap& map, const char* name) {
  if (name != nullptr) map.Remove(name);
}

}  // namespace vantrel
