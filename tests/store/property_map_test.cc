#include "store/property_map.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace vantrel {
namespace {

TEST(PropertyMap, KeepsFirstStoreOrderAndReplacesInPlace) {
  ClearProperties();
  StoreProperty("Title", "STRING", 0, "First");
  StoreProperty("Creator", "string", 3, "App");
  StoreProperty("Title", "STRING", 0, "Second");
  EXPECT_EQ(PropertyCount(), 2);
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "Title:STRING=Second; Creator:string#3=App");

  RemoveProperty("Absent");
  EXPECT_EQ(PropertyCount(), 2);
  RemoveProperty("Title");
  StoreProperty("Title", "STRING", 0, "Third");
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "Creator:string#3=App; Title:STRING=Third");
  EXPECT_NE(FindProperty("Creator"), nullptr);
  EXPECT_EQ(FindProperty("creator"), nullptr);
  EXPECT_EQ(FindProperty(nullptr), nullptr);

  std::vector<PropertyMap::Entry> taken = Properties().TakeAll();
  EXPECT_EQ(taken.size(), 2u);
  EXPECT_EQ(PropertyCount(), 0);
  EXPECT_EQ(FindProperty("Title"), nullptr);
}

}  // namespace
}  // namespace vantrel
