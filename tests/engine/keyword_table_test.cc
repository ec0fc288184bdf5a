#include "engine/keyword_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scanner.h"

namespace vantrel {
namespace {

std::vector<std::string>* g_calls = nullptr;

// Records "KEYWORD/PARAM[/USER]@TEXT AT THE POSITION".
int64_t Record(char*, CommentStruct*, long param, char* keyword,
               char** position, char*, int64_t, int64_t, long*, void* user,
               void*) {
  g_calls->push_back(std::string(keyword) + "/" + std::to_string(param) +
                     (user ? "/" + std::string(static_cast<const char*>(user)) : "") +
                     "@" + *position);
  return 0;
}

int64_t Return5000(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                   int64_t, long*, void*, void*) {
  g_calls->push_back("5000");
  return 5000;
}

int64_t Fail(char*, CommentStruct*, long, char*, char**, char*, int64_t,
             int64_t, long*, void*, void*) {
  g_calls->push_back("fail");
  return -1;
}

class KeywordTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = &calls_;
    context_ = ParserCreateContext("unused.ps");
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { ParserFreeContext(context_); }

  std::string Keys() const {
    std::string out;
    for (uint32_t i = 0; i < context_->commentsNum; ++i) {
      out += std::string(i ? "," : "") + context_->entries[i].key;
    }
    return out;
  }
  int Find(const char* text) const {
    return ParserFindEntry(context_->entries, text, 0,
                           static_cast<int>(context_->commentsNum) - 1);
  }
  // Dispatches the chain of `key` with the position at `text`.
  int64_t Dispatch(const char* key, char* text) {
    char* position = text;
    return ParserDispatch(context_, Find(key), nullptr, const_cast<char*>(key),
                          &position, text, 0, 0, nullptr, nullptr);
  }

  ParserContext* context_ = nullptr;
  std::vector<std::string> calls_;
};

TEST_F(KeywordTableTest, KeepsKeysSortedAndFindsTheKeyThatEndsAtANonLetter) {
  for (const char* key : {"Pages", "Title:", "PageBoundingBox", "!PS", "Page"}) {
    ASSERT_EQ(ParserAddEntryToList(context_, key, Record, 0, nullptr, 0), 0);
  }
  EXPECT_EQ(Keys(), "!PS,Page,PageBoundingBox,Pages,Title:");
  static const struct {
    const char* text;
    const char* key;  // "": no match
  } kCases[] = {
      // clang-format off
      {"PageBoundingBox: 0 0 1 1", "PageBoundingBox"}, {"Pages: 3", "Pages"},
      {"Page: 1 1", "Page"}, {"Page 1", "Page"}, {"Page1", "Page"}, {"Page", "Page"},
      {"PageOrder: Ascend", ""}, {"Title: Report", "Title:"}, {"Title Report", ""},
      {"!PS-Adobe-3.0", "!PS"}, {"Pag", ""}, {"", ""},
      // clang-format on
  };
  for (const auto& c : kCases) {
    const int index = Find(c.text);
    EXPECT_STREQ(index < 0 ? "" : context_->entries[index].key, c.key) << c.text;
  }
}

TEST_F(KeywordTableTest, SecondRegistrationChainsAndRunsInOrder) {
  ParserAddEntryToList(context_, "Page", Record, 1, const_cast<char*>("a"), 0);
  ParserAddEntryToList(context_, "Page", Record, 2, const_cast<char*>("b"), 0);
  ParserAddEntryToList(context_, "Page", Record, 3, const_cast<char*>("c"), 0);
  EXPECT_EQ(context_->commentsNum, 1u);
  char text[] = "1 1";
  EXPECT_EQ(Dispatch("Page", text), 0);
  EXPECT_EQ(calls_, (std::vector<std::string>{"Page/1/a@1 1", "Page/2/b@1 1",
                                              "Page/3/c@1 1"}));
}

TEST_F(KeywordTableTest, GrowsByTwentyBeforeTheTwentiethSlot) {
  static char keys[20][8];
  for (int i = 0; i < 19; ++i) {
    std::snprintf(keys[i], sizeof keys[i], "K%02d", i);
    ParserAddEntryToList(context_, keys[i], Record, 0, nullptr, 0);
  }
  EXPECT_EQ(context_->capacity, 20u);
  // Even a key that only chains grows the table first.
  ParserAddEntryToList(context_, keys[3], Record, 0, nullptr, 0);
  EXPECT_EQ(context_->capacity, 40u);
  EXPECT_EQ(context_->commentsNum, 19u);
  EXPECT_EQ(Find("K18 x"), 18);
}

TEST_F(KeywordTableTest, DispatchKeepsTheLastNonZeroResultAndStopsAtFailure) {
  ParserAddEntryToList(context_, "A", Record, 0, nullptr, 0);
  ParserAddEntryToList(context_, "A", Return5000, 0, nullptr, 0);
  ParserAddEntryToList(context_, "B", Fail, 0, nullptr, 0);
  ParserAddEntryToList(context_, "B", Record, 0, nullptr, 0);
  char text[] = "x";
  EXPECT_EQ(Dispatch("A", text), 5000);
  EXPECT_EQ(Dispatch("B", text), -1);
  EXPECT_EQ(calls_, (std::vector<std::string>{"A/0@x", "5000", "fail"}));
}

TEST_F(KeywordTableTest, PrefixEntryGetsTheWholeWord) {
  ParserAddEntryToList(context_, "Foo", Record, 0, nullptr, 1);
  char text[] = "%%FooBar: rest";
  context_->keyStart = text + 2;
  context_->dataEnd = text + sizeof text - 1;
  ASSERT_EQ(Find("FooBar: rest"), 0);
  char* position = text + 5;  // after the key
  ParserDispatch(context_, 0, nullptr, const_cast<char*>("Foo"), &position,
                 text, 0, 0, nullptr, nullptr);
  EXPECT_EQ(calls_, (std::vector<std::string>{"FooBar:/0@ rest"}));
  EXPECT_EQ(position, text + 9);
}

TEST_F(KeywordTableTest, RemovingAKeyRemovesItsWholeChain) {
  EXPECT_EQ(Find("Page: 1"), -1);
  EXPECT_EQ(ParserRemoveEntry(context_, "Page"), -1);
  EXPECT_EQ(ParserRemoveEntry(context_, nullptr), -1);
  ParserAddEntryToList(context_, "Page", Record, 0, nullptr, 0);
  ParserAddEntryToList(context_, "Page", Record, 0, nullptr, 0);
  ParserAddEntryToList(context_, "Pages", Record, 0, nullptr, 0);
  EXPECT_EQ(ParserRemoveEntry(context_, "Page"), 0);
  EXPECT_EQ(Keys(), "Pages");
  EXPECT_EQ(ParserRemoveEntry(context_, "Page"), -1);
}

TEST_F(KeywordTableTest, SearchFromTheFirstByteStartFindsWhatTheWholeSearchDoes) {
  // Keys that share first bytes, prefixes of each other (followed by
  // letters and by other bytes), prefix entries and "!" keys; texts built
  // from the same pieces.
  const char* const kPieces[] = {"Page", "Pages", "PageBoundingBox", "Pa",
                                 "P_x", "!B", "B", "Begin", "Begin:", "a",
                                 "~", "Page_", "PageA", "Z"};
  uint32_t seed = 1;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 200; ++round) {
    ParserContext* context = ParserCreateContext("unused.ps");
    for (const char* key : kPieces) {
      if (next() % 3 != 0) {
        ParserAddEntryToList(context, key, Record, 0, nullptr,
                             static_cast<int>(next() % 4 == 0));
      }
    }
    const int count = static_cast<int>(context->commentsNum);
    for (int t = 0; t < 50; ++t) {
      std::string text = kPieces[next() % 14];
      text += "A_: x"[next() % 5];
      text += kPieces[next() % 14];
      int low = 0;
      int high = 0;
      ParserSearchStart(context->entries, count,
                        static_cast<unsigned char>(text[0]), &low, &high);
      EXPECT_EQ(ParserFindEntry(context->entries, text.c_str(), low, high),
                ParserFindEntry(context->entries, text.c_str(), 0, count - 1))
          << text;
    }
    ParserFreeContext(context);
  }
}

int64_t RemoveOwnKey(char* context, CommentStruct*, long, char* keyword,
                     char**, char*, int64_t, int64_t, long*, void*, void*) {
  g_calls->push_back(std::string("remove ") + keyword);
  ParserRemoveEntry(reinterpret_cast<ParserContext*>(context), keyword);
  ParserRemoveEntry(reinterpret_cast<ParserContext*>(context), "A");
  return 0;
}

TEST_F(KeywordTableTest, AHandlerMayRemoveItsOwnKeyWhileItsChainRuns) {
  // The comment being dispatched still reaches the rest of its chain; the
  // freed slots are not read (checked by the sanitizer build).
  ParserAddEntryToList(context_, "A", Record, 0, nullptr, 0);
  ParserAddEntryToList(context_, "B", RemoveOwnKey, 0, nullptr, 0);
  ParserAddEntryToList(context_, "B", Record, 7, nullptr, 0);
  const uint32_t generation = context_->tableGeneration;
  char text[] = "x";
  Dispatch("B", text);
  EXPECT_EQ(calls_, (std::vector<std::string>{"remove B", "B/7@x"}));
  EXPECT_EQ(Keys(), "");
  EXPECT_EQ(context_->tableGeneration, generation + 2);
}

}  // namespace
}  // namespace vantrel
