// The property map: the store of the properties one scan finds, keyed by
// exact property name, iterated in insertion order (the order in which each
// name was first stored).
//
// The map owns its records. Replacing, removing or clearing destroys the
// records involved; the conversions take the records out with TakeAll().
//
// Each parse owns one map (in its ParseState), empty when the parse starts;
// only the thread running that parse touches it.
#ifndef VANTREL_STORE_PROPERTY_MAP_H_
#define VANTREL_STORE_PROPERTY_MAP_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "vantrel/kal_property.h"

namespace vantrel {

class PropertyMap {
 public:
  using Entry = std::pair<std::string, std::unique_ptr<CKalProperty>>;

  PropertyMap() = default;
  PropertyMap(const PropertyMap&) = delete;
  PropertyMap& operator=(const PropertyMap&) = delete;

  // Null when absent. The pointer stays valid until the entry is replaced,
  // removed or cleared.
  CKalProperty* Find(std::string_view name) const;
  // Stores `record` under `name`, destroying a record already stored there.
  // A replaced entry keeps its place in the order. May throw std::bad_alloc
  // (the map is then as it was, less a record replaced).
  void Store(std::string_view name, std::unique_ptr<CKalProperty> record);
  void Remove(std::string_view name);
  void Clear();
  int Count() const { return static_cast<int>(entries_.size()); }
  // Moves every entry out, in order, and leaves the map empty.
  std::vector<Entry> TakeAll();
  const std::vector<Entry>& entries() const { return entries_; }

  // A property that should have been stored was lost for want of memory:
  // the map no longer holds the whole answer, and the parse must not hand
  // it over as if it did. Set by the store functions below (and by
  // NewProperty(map)); cleared by Clear().
  void MarkLost() { lost_ = true; }
  bool lost() const { return lost_; }

 private:
  // Where `name` stands in entries_, or entries_.size().
  size_t IndexOf(std::string_view name) const;
  void BuildIndex();

  std::vector<Entry> entries_;
  // Name -> place in entries_, kept only once the map has grown past a few
  // entries (the map of a typical job is searched faster along entries_).
  std::unordered_map<std::string, size_t> index_;
  bool lost_ = false;
};

// Makes a record with the name, type name and identifier set and stores it
// by replacement. `value` (may be null: no value) is set as text with type
// code -1. Answers the stored record, or null when no record could be made
// (nothing is stored then, and the map is marked lost).
CKalProperty* StoreProperty(PropertyMap& map, const char* name,
                            const char* type_name, int id, const char* value);
// The same with a 32-bit integer value (the count form), which the record
// reads back in the type that `type_name` gives ("int", "long", "bool").
CKalProperty* StoreProperty(PropertyMap& map, const char* name,
                            const char* type_name, int id, int32_t value);
// Stores a record built by the caller under its own name. A null record (one
// that could not be made) stores nothing and marks the map lost.
CKalProperty* StoreProperty(PropertyMap& map,
                            std::unique_ptr<CKalProperty> record);
// Null for a null name or an absent one.
CKalProperty* FindProperty(const PropertyMap& map, const char* name);
void RemoveProperty(PropertyMap& map, const char* name);

// A new empty record, or null when memory is exhausted.
std::unique_ptr<CKalProperty> NewProperty();
// The same for a record meant for `map`, which is marked lost when none could
// be made.
std::unique_ptr<CKalProperty> NewProperty(PropertyMap& map);

}  // namespace vantrel

#endif  // VANTREL_STORE_PROPERTY_MAP_H_
