#include "store/property_map.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vantrel
