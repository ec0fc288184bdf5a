#include "store/property_map.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace vantrel {
namespace {

TEST(PropertyMap, KeepsFirstStoreOrderAndReplacesInPlace) {
  vantrel_test::TestMap().Clear();
  StoreProperty(vantrel_test::TestMap(), "Title", "STRING", 0, "First");
  StoreProperty(vantrel_test::TestMap(), "Creator", "string", 3, "App");
  StoreProperty(vantrel_test::TestMap(), "Title", "STRING", 0, "Second");
  EXPECT_EQ(vantrel_test::TestMap().Count(), 2);
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "Title:STRING=Second; Creator:string#3=App");

  RemoveProperty(vantrel_test::TestMap(), "Absent");
  EXPECT_EQ(vantrel_test::TestMap().Count(), 2);
  RemoveProperty(vantrel_test::TestMap(), "Title");
  StoreProperty(vantrel_test::TestMap(), "Title", "STRING", 0, "Third");
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "Creator:string#3=App; Title:STRING=Third");
  EXPECT_NE(FindProperty(vantrel_test::TestMap(), "Creator"), nullptr);
  EXPECT_EQ(FindProperty(vantrel_test::TestMap(), "creator"), nullptr);
  EXPECT_EQ(FindProperty(vantrel_test::TestMap(), nullptr), nullptr);

  std::vector<PropertyMap::Entry> taken = vantrel_test::TestMap().TakeAll();
  EXPECT_EQ(taken.size(), 2u);
  EXPECT_EQ(vantrel_test::TestMap().Count(), 0);
  EXPECT_EQ(FindProperty(vantrel_test::TestMap(), "Title"), nullptr);
}

// Past a few entries the map keeps a hash index beside them: finds, stores
// in place, removals and the order must not change across that line.
TEST(PropertyMap, AnswersTheSameWithAndWithoutItsIndex) {
  PropertyMap map;
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "Name" + std::to_string(i);
    StoreProperty(map, name.c_str(), "int", 0, i);
    if (!expected.empty()) expected += "; ";
    expected += name + ":int=" + std::to_string(i);
    ASSERT_EQ(vantrel_test::DumpPropertyMap(map), expected) << i;
    for (int j = 0; j <= i; ++j) {
      const std::string other = "Name" + std::to_string(j);
      ASSERT_NE(FindProperty(map, other.c_str()), nullptr) << i << " " << j;
    }
    ASSERT_EQ(FindProperty(map, "Name"), nullptr) << i;
  }
  StoreProperty(map, "Name3", "int", 0, 300);
  RemoveProperty(map, "Name0");
  RemoveProperty(map, "Name39");
  StoreProperty(map, "Name0", "int", 0, 0);
  const CKalProperty* three = FindProperty(map, "Name3");
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(vantrel_test::DumpProperty(*three), "Name3:int=300");
  EXPECT_EQ(map.Count(), 39);
  EXPECT_EQ(map.entries().front().first, "Name1");
  EXPECT_EQ(map.entries().back().first, "Name0");
  EXPECT_EQ(FindProperty(map, "Name39"), nullptr);
  EXPECT_NE(FindProperty(map, "Name38"), nullptr);
  map.Clear();
  EXPECT_EQ(FindProperty(map, "Name1"), nullptr);
}

}  // namespace
}  // namespace vantrel
