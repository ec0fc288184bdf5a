#include "engine/keyword_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scanner.h"
#include "platform/trace.h"

namespace vantrel {
namespace {

std::vector<std::string>* g_calls = nullptr;

int64_t Record(char*, CommentStruct*, long param, char* keyword,
               char** position, char*, int64_t, int64_t, long*, void* user,
               void*) {
  std::string call = std::string(keyword) + "/" + std::to_string(param);
  if (user != nullptr) call += "/" + std::string(static_cast<const char*>(user));
  if (position != nullptr && *position != nullptr) {
    call += "@" + std::string(*position);
  }
  g_calls->push_back(call);
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

  ParserContext* context_ = nullptr;
  std::vector<std::string> calls_;
};

TEST_F(KeywordTableTest, KeepsKeysSortedWhateverTheRegistrationOrder) {
  for (const char* key : {"Pages", "PageBoundingBox", "Page"}) {
    ASSERT_EQ(ParserAddEntryToList(context_, key, Record, 0, nullptr, 0), 0);
  }
  EXPECT_EQ(Keys(), "Page,PageBoundingBox,Pages");
}

TEST_F(KeywordTableTest, FindsTheKeyThatEndsAtANonLetter) {
  for (const char* key : {"Page", "Pages", "PageBoundingBox", "Title:", "!PS"}) {
    ParserAddEntryToList(context_, key, Record, 0, nullptr, 0);
  }
  static const struct {
    const char* text;
    const char* key;  // null: no match
  } kCases[] = {
      {"PageBoundingBox: 0 0 1 1", "PageBoundingBox"},
      {"Pages: 3", "Pages"},
      {"Page: 1 1", "Page"},
      {"Page 1", "Page"},
      {"Page1", "Page"},
      {"Page", "Page"},
      {"PageOrder: Ascend", nullptr},
      {"Title: Report", "Title:"},
      {"Title Report", nullptr},
      {"!PS-Adobe-3.0", "!PS"},
      {"Pag", nullptr},
      {"", nullptr},
  };
  for (const auto& c : kCases) {
    int index = Find(c.text);
    if (c.key == nullptr) {
      EXPECT_EQ(index, -1) << c.text;
    } else {
      ASSERT_GE(index, 0) << c.text;
      EXPECT_STREQ(context_->entries[index].key, c.key) << c.text;
    }
  }
}

TEST_F(KeywordTableTest, EmptyTableFindsNothing) {
  EXPECT_EQ(Find("Page: 1"), -1);
  EXPECT_EQ(ParserRemoveEntry(context_, "Page"), -1);
  EXPECT_EQ(ParserRemoveEntry(context_, nullptr), -1);
}

TEST_F(KeywordTableTest, SecondRegistrationChainsAndRunsInOrder) {
  TraceCapture trace;
  ParserAddEntryToList(context_, "Page", Record, 1, const_cast<char*>("a"), 0);
  ParserAddEntryToList(context_, "Page", Record, 2, const_cast<char*>("b"), 0);
  ParserAddEntryToList(context_, "Page", Record, 3, const_cast<char*>("c"), 0);
  EXPECT_EQ(context_->commentsNum, 1u);
  EXPECT_EQ(trace.lines()[1], " status - 0, p->key - Page ");
  EXPECT_EQ(trace.lines()[2],
            "End function ParserAddEntryToList commentsNum - 1 ,p->key - Page "
            ", p->keyLen - 4");

  char text[] = "Page: 1 1";
  char* position = text + 6;
  EXPECT_EQ(ParserDispatch(context_, 0, nullptr, const_cast<char*>("Page"),
                           &position, text, 0, 0, nullptr, nullptr),
            0);
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
  char* position = text;
  EXPECT_EQ(ParserDispatch(context_, Find("A"), nullptr, const_cast<char*>("A"),
                           &position, text, 0, 0, nullptr, nullptr),
            5000);
  EXPECT_EQ(ParserDispatch(context_, Find("B"), nullptr, const_cast<char*>("B"),
                           &position, text, 0, 0, nullptr, nullptr),
            -1);
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
  char* position = text;
  ParserDispatch(context_, Find("B"), nullptr, const_cast<char*>("B"),
                 &position, text, 0, 0, nullptr, nullptr);
  EXPECT_EQ(calls_, (std::vector<std::string>{"remove B", "B/7@x"}));
  EXPECT_EQ(Keys(), "");
  EXPECT_EQ(context_->tableGeneration, generation + 2);
}

}  // namespace
}  // namespace vantrel
