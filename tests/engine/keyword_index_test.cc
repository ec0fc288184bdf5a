#include "engine/keyword_index.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "entry/roads.h"
#include "parser/parser_access.h"
#include "support/failing_new.h"
#include "vantrel/kal_parser.h"

namespace vantrel {
namespace {

int64_t Quiet(char*, CommentStruct*, long, char*, char**, char*, int64_t,
              int64_t, long*, void*, void*) {
  return 0;
}

// ParserFindEntry over the whole table with the text cut at `held` bytes:
// what the lookup must answer.
int Expected(const CommentEntry* entries, uint32_t count,
             const std::string& text) {
  return ParserFindEntry(entries, text.c_str(), 0, static_cast<int>(count) - 1);
}

// Texts made from the keys: each key, each of its prefixes, each key
// followed by every byte (alone and with a value after it), and random
// runs of the bytes the keys are made of and of any byte.
std::vector<std::string> TextsFor(const CommentEntry* entries, uint32_t count) {
  std::vector<std::string> texts = {""};
  std::string alphabet = "\t :";
  for (uint32_t i = 0; i < count; ++i) {
    const std::string key = entries[i].key;
    alphabet += key;
    for (size_t n = 1; n <= key.size(); ++n) texts.push_back(key.substr(0, n));
    for (int c = 0; c < 256; ++c) {
      texts.push_back(key + static_cast<char>(c));
      texts.push_back(key + static_cast<char>(c) + "ge: 1 1");
    }
  }
  uint32_t seed = 7;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int t = 0; t < 3000; ++t) {
    std::string text;
    const size_t length = next() % 24;
    for (size_t n = 0; n < length; ++n) {
      text += t % 4 == 0 ? static_cast<char>(next() >> 8)
                         : alphabet[(next() >> 8) % alphabet.size()];
    }
    texts.push_back(text);
  }
  return texts;
}

// Every text answers, from `lookup`, what the search over the table gives;
// looked up where it ends the data (a NUL after it) and in place, where
// letters follow `end` that no key may match across.
void ExpectSameAnswers(
    const std::function<int(const char*, const char*)>& lookup,
    const CommentEntry* entries, uint32_t count, const std::string& name) {
  int differences = 0;
  for (const std::string& text : TextsFor(entries, count)) {
    const int expected = Expected(entries, count, text);
    const std::string in_place = text + "PagesBoundingBoxTitleCreatorZ";
    const int terminated = lookup(text.c_str(), text.c_str() + text.size());
    const int held = lookup(in_place.c_str(), in_place.c_str() + text.size());
    if ((terminated != expected || held != expected) && ++differences < 10) {
      ADD_FAILURE() << name << ": \"" << text << "\" gives " << terminated
                    << "/" << held << ", the search " << expected;
    }
  }
  EXPECT_EQ(differences, 0) << name;
}

// `lookup`, checking on the way that the index's refusals (by the first
// byte, by the first bytes) never pass over a text that names a key.
std::function<int(const char*, const char*)> WithRefusals(
    const KeywordIndex* index,
    std::function<int(const char*, const char*)> lookup) {
  return [index, lookup](const char* text, const char* end) {
    const int found = lookup(text, end);
    const size_t held = static_cast<size_t>(end - text);
    if (found >= 0) {
      EXPECT_TRUE(index->MayPrefix(text, held)) << text;
      EXPECT_EQ(index->RefusedFirstBytes()[static_cast<unsigned char>(*text)],
                0)
          << text;
    }
    return found;
  };
}

// The comment sets of every road, and of hosts that call one Add* alone.
TEST(KeywordIndex, LookupGivesTheSearchsAnswerForEveryRoadsSets) {
  const struct {
    const char* name;
    std::function<void(CKalParser&)> add;
  } kRoads[] = {
      {"job ticket", [](CKalParser& p) { AddJobTicketComments(p, 'M', 0); }},
      {"job ticket, no KALPPD",
       [](CKalParser& p) { AddJobTicketComments(p, 'I', 1); }},
      {"job ticket, no XRX",
       [](CKalParser& p) { AddJobTicketComments(p, 'P', 2); }},
      {"job ticket, neither",
       [](CKalParser& p) { AddJobTicketComments(p, 'M', 3); }},
      {"rip", [](CKalParser& p) { p.AddStructureComments(); }},
      {"rip with box",
       [](CKalParser& p) {
         p.AddStructureComments();
         p.AddBoundingBox('P');
       }},
      {"pages",
       [](CKalParser& p) {
         p.AddStructureComments();
         p.AddPageIndexComments();
       }},
      {"check", [](CKalParser& p) { p.AddCheckComments(); }},
      {"ps rip alone", [](CKalParser& p) { p.AddPSRipComments(); }},
      {"copies alone", [](CKalParser& p) { p.AddNumCopiesComment(); }},
      {"title alone", [](CKalParser& p) { p.AddTitleComment(); }},
  };
  for (const auto& road : kRoads) {
    CKalParser parser("unused.ps");
    road.add(parser);
    ParserContext* context = CKalParserAccess::Engine(parser);
    ASSERT_NE(context, nullptr);
    ASSERT_NE(context->sharedIndex, nullptr) << road.name;
    ExpectSameAnswers(
        WithRefusals(context->sharedIndex,
                     [context](const char* text, const char* end) {
                       return ParserLookup(context, text, end);
                     }),
        context->entries, context->commentsNum, road.name);
  }
}

// Random tables of keys that are prefixes of each other, prefix entries and
// "!" keys, where the search's answer depends on its path.
TEST(KeywordIndex, LookupGivesTheSearchsAnswerForTablesOfPrefixKeys) {
  static const char* const kPieces[] = {
      "Page",      "Pages",  "PageBoundingBox",
      "Pa",        "P",      "P_x",
      "!B",        "!",      "B",
      "Begin",     "Begin:", "BeginA",
      "a",         "~",      "Page_",
      "PageA",     "PageZ",  "Z",
      "Pagea",     "Page~",  "Begin\n/#x ",
      "ab",        "abc",    "abcdefghij",
      "abcdefghik"};
  constexpr int kPieceCount = sizeof kPieces / sizeof kPieces[0];
  uint32_t seed = 3;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 60; ++round) {
    ParserContext* table = ParserCreateContext("unused.ps");
    ASSERT_NE(table, nullptr);
    for (const char* key : kPieces) {
      if ((next() >> 8) % 3 != 0) {
        ParserAddEntryToList(table, key, Quiet, 0, nullptr,
                             static_cast<int>((next() >> 8) % 4 == 0));
      }
    }
    std::unique_ptr<KeywordIndex> index(
        KeywordIndex::Make(table->entries, table->commentsNum));
    ASSERT_NE(index, nullptr);
    table->entries = nullptr;  // the index owns them now
    table->commentsNum = 0;
    ParserFreeContext(table);
    ExpectSameAnswers(WithRefusals(index.get(),
                                   [&index](const char* text, const char* end) {
                                     return index->Lookup(text, end);
                                   }),
                      index->entries(), index->count(),
                      "round " + std::to_string(round));
    ASSERT_LT(kPieceCount, 64);
  }
}

TEST(KeywordIndex, ParsesOfOneRoadShareOneIndexAndOtherSetsGetAnother) {
  CKalParser a("a.ps");
  CKalParser b("b.ps");
  CKalParser c("c.ps");
  AddJobTicketComments(a, 'M', 0);
  AddJobTicketComments(b, 'P', 0);  // the unit is the parse's own value
  AddJobTicketComments(c, 'M', 1);
  const ParserContext* ca = CKalParserAccess::Engine(a);
  const ParserContext* cb = CKalParserAccess::Engine(b);
  const ParserContext* cc = CKalParserAccess::Engine(c);
  EXPECT_EQ(ca->sharedIndex, cb->sharedIndex);
  EXPECT_NE(ca->sharedIndex, cc->sharedIndex);
  EXPECT_EQ(ca->entries, cb->entries);
  EXPECT_EQ(ca->capacity, 0u);
  // Structure comments with and without "CreationDate" are other tables.
  CKalParser rip("r.ps");
  rip.AddStructureComments();
  EXPECT_EQ(ParserFindKey(CKalParserAccess::Engine(rip), "CreationDate"), -1);
  EXPECT_GE(ParserFindKey(ca, "CreationDate"), 0);
}

const char* g_seen = nullptr;

int64_t NoteUserData(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                     int64_t, long*, void* user_data, void*) {
  g_seen = static_cast<const char*>(user_data);
  return 0;
}

TEST(KeywordIndex, AHostKeyAndARemovalChangeOnlyTheirOwnParse) {
  CKalParser host("host.ps");
  CKalParser other("other.ps");
  host.AddPSRipComments();
  other.AddPSRipComments();
  ParserContext* mine = CKalParserAccess::Engine(host);
  ParserContext* theirs = CKalParserAccess::Engine(other);
  const KeywordIndex* shared = theirs->sharedIndex;
  const uint32_t count = theirs->commentsNum;
  const uint32_t generation = mine->tableGeneration;

  static char tag[] = "host";
  host.AddComment("Page", 5, 0, NoteUserData, tag);
  host.AddComment("HostOnly", 6, 0, NoteUserData, tag);
  EXPECT_EQ(mine->sharedIndex, nullptr);
  EXPECT_NE(mine->tableGeneration, generation);
  EXPECT_EQ(mine->commentsNum, count + 1);
  EXPECT_EQ(ParserFindKey(theirs, "HostOnly"), -1);
  EXPECT_EQ(theirs->sharedIndex, shared);
  EXPECT_EQ(shared->count(), count);

  // The host's "Page" handler runs behind the library's.
  const int page = ParserFindKey(mine, "Page");
  ASSERT_GE(page, 0);
  const CommentEntry* last = &mine->entries[page];
  while (last->next != nullptr) last = last->next;
  EXPECT_EQ(last->handler, NoteUserData);
  EXPECT_EQ(last->param, 5);

  // A keyword taken out during a scan leaves the other parse's table.
  EXPECT_EQ(ParserRemoveEntry(theirs, "Orientation"), 0);
  EXPECT_EQ(theirs->sharedIndex, nullptr);
  EXPECT_EQ(ParserFindKey(theirs, "Orientation"), -1);
  EXPECT_GE(ParserFindKey(mine, "Orientation"), 0);
  EXPECT_GE(shared->Lookup("Orientation: x", nullptr), 0);
  ExpectSameAnswers(
      [theirs](const char* text, const char* end) {
        return ParserLookup(theirs, text, end);
      },
      theirs->entries, theirs->commentsNum, "after the removal");
}

int64_t RemoveOwnKey(char* context, CommentStruct*, long, char* keyword, char**,
                     char*, int64_t, int64_t, long*, void*, void*) {
  ParserRemoveEntry(reinterpret_cast<ParserContext*>(context), keyword);
  return 0;
}

int g_after_removal = 0;

int64_t CountCall(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                  int64_t, long*, void*, void*) {
  ++g_after_removal;
  return 0;
}

void AddRemovingKeys(ParserContext* table, int) {
  ParserAddEntryToList(table, "Gone", RemoveOwnKey, 0, nullptr, 0);
  ParserAddEntryToList(table, "Gone", CountCall, 0, nullptr, 0);
}

TEST(KeywordIndex, ASharedChainRunsWholeWhenItsHandlerRemovesTheKey) {
  ParserContext* context = ParserCreateContext("unused.ps");
  ASSERT_NE(context, nullptr);
  AddKeywordSet(context, AddRemovingKeys, 0);
  ASSERT_NE(context->sharedIndex, nullptr);
  const CommentEntry* shared_entries = context->sharedIndex->entries();
  char keyword[] = "Gone";
  char text[] = "x";
  char* position = text;
  g_after_removal = 0;
  ParserDispatch(context, ParserFindKey(context, "Gone"), nullptr, keyword,
                 &position, text, 0, 0, nullptr, nullptr);
  EXPECT_EQ(g_after_removal, 1);
  EXPECT_EQ(ParserFindKey(context, "Gone"), -1);
  EXPECT_EQ(shared_entries[0].handler, RemoveOwnKey);  // the index is intact
  // Released, the context forgets the index and registers anew.
  ParserReleaseContext(context);
  EXPECT_EQ(context->commentsNum, 0u);
  AddKeywordSet(context, AddRemovingKeys, 0);
  EXPECT_EQ(context->entries, shared_entries);
  ParserFreeContext(context);
}

void AddLowMemoryKeys(ParserContext* table, int) {
  for (const char* key : {"Page", "Pages", "PageOrder", "Title:", "!PS"}) {
    ParserAddEntryToList(table, key, Quiet, 0, nullptr, 0);
  }
}

// Each allocation of an index being built failed in turn: the parse gets
// the keywords all the same (in a table of its own when the index could
// not be made), and its lookups the search's answers.
TEST(KeywordIndex, AnIndexThatCannotBeBuiltLeavesTheParseItsKeywords) {
  long points = 0;
  for (long n = 1; n < 1000; ++n) {
    ParserContext* context = ParserCreateContext("unused.ps");
    ASSERT_NE(context, nullptr);
    bool failed = false;
    int found = -2;
    {
      vantrel_test::FailingNew fail(n);
      // A variant of its own: every run builds a new index.
      AddKeywordSet(context, AddLowMemoryKeys, static_cast<int>(n));
      const char text[] = "Pages: 3";
      found = ParserLookup(context, text, text + sizeof text - 1);
      failed = fail.failed();
    }
    std::string keys;
    for (uint32_t i = 0; i < context->commentsNum; ++i) {
      keys += std::string(i ? "," : "") + context->entries[i].key;
    }
    EXPECT_EQ(keys, "!PS,Page,PageOrder,Pages,Title:") << n;
    EXPECT_EQ(found, 3) << n;
    ParserFreeContext(context);
    if (!failed) break;
    ++points;
  }
  EXPECT_GT(points, 2);
}

}  // namespace
}  // namespace vantrel
