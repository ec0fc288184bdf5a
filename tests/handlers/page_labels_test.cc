#include "handlers/page_labels.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

TEST(PageLabelSet, TellsARepeatedTextAcrossGrowth) {
  PageLabelSet set;
  // Texts that differ only in their last byte or their length, the empty
  // text, and bytes that a C string would cut.
  const std::string kOdd[] = {"", "1 1", "1 1 ", "1 2", std::string("a\0b", 3),
                              std::string("a\0c", 3)};
  for (const std::string& text : kOdd) {
    EXPECT_TRUE(set.Insert(text.data(), text.size())) << text;
  }
  for (int i = 0; i < 5000; ++i) {
    const std::string text = std::to_string(i) + "." + std::to_string(i);
    ASSERT_TRUE(set.Insert(text.data(), text.size())) << text;
  }
  for (const std::string& text : kOdd) {
    EXPECT_FALSE(set.Insert(text.data(), text.size())) << text;
  }
  EXPECT_FALSE(set.Insert("4999.4999", 9));
  EXPECT_EQ(set.size(), 5006u);
  set.Clear();
  EXPECT_TRUE(set.Insert("1 1", 3));
}

}  // namespace
}  // namespace vantrel
