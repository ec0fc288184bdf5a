#include "store/property_map.h"

#include <new>

namespace vantrel {

CKalProperty* PropertyMap::Find(const std::string& name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : entries_[it->second].second.get();
}

void PropertyMap::Store(const std::string& name,
                        std::unique_ptr<CKalProperty> record) {
  auto it = index_.find(name);
  if (it != index_.end()) {
    entries_[it->second].second = std::move(record);
    return;
  }
  index_.emplace(name, entries_.size());
  entries_.emplace_back(name, std::move(record));
}

void PropertyMap::Remove(const std::string& name) {
  auto it = index_.find(name);
  if (it == index_.end()) return;
  size_t at = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
  for (auto& slot : index_) {
    if (slot.second > at) --slot.second;
  }
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
