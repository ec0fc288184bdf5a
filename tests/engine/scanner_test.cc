#include "engine/scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/sections.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::Filler;

struct Hit {
  std::string key;
  std::string value;  // the rest of the line at the value position
  int64_t offset;
  int64_t continuation;
  int tail;
};

std::vector<Hit>* g_hits = nullptr;
int64_t g_return = 0;

int64_t RecordHit(char* context, CommentStruct* record, long, char* keyword,
                  char** position, char*, int64_t continuation,
                  int64_t value_offset, long*, void*, void*) {
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  std::string value;
  for (const char* p = *position; p < ctx->dataEnd && *p != '\n' && *p != '\r';
       ++p) {
    value += *p;
  }
  g_hits->push_back(
      {keyword, value, value_offset, continuation, record->m_inTailPass});
  return g_return;
}

int64_t FailHandler(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                    int64_t, long*, void*, void*) {
  return -1;
}

struct Key {
  const char* key;
  CommentHandler handler = RecordHit;
};

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_hits = &hits_;
    g_return = 0;
  }

  // Scans `contents` with the keys given registered; checks that the scan
  // released the context whatever its outcome.
  int64_t Scan(const std::string& contents, int mode,
               std::vector<Key> keys = {{"Title:"},
                                        {"Page"},
                                        {"Pages"},
                                        {"EndComments"},
                                        {"Trailer"}},
               bool sections = false) {
    return ScanPath(dir_.Write("job.ps", contents), mode, keys, sections);
  }

  int64_t ScanPath(const std::string& path, int mode,
                   const std::vector<Key>& keys = {}, bool sections = false) {
    hits_.clear();
    ParserContext* ctx = ParserCreateContext(path.c_str());
    ctx->state = &vantrel_test::TestState();  // for the hooks' handlers
    ctx->hooks = hooks_;
    for (const Key& key : keys) {
      ParserAddEntryToList(ctx, key.key, key.handler, 0, nullptr, 0);
    }
    if (sections) RegisterSectionSet(ctx);
    record_ = CommentStruct{};
    record_.m_scanMode = mode;
    int64_t result = ParserScanFile(ctx, &record_, nullptr);
    status_ = ctx->scanStatus;
    EXPECT_EQ(ctx->source, nullptr);
    EXPECT_EQ(ctx->commentsNum, 0u);
    EXPECT_EQ(ctx->hooks.epsPageCount, nullptr);  // the parse's own, released
    ParserFreeContext(ctx);
    return result;
  }

  // "KEY=VALUE" per hit; "+" marks a continuation, "~" a tail-pass hit.
  std::string Keys() const {
    std::string out;
    for (const Hit& h : hits_) {
      out += (out.empty() ? "" : ",") + std::string(h.tail ? "~" : "") + h.key +
             (h.continuation ? "+" : "");
      if (!h.value.empty()) out += "=" + h.value;
    }
    return out;
  }

  vantrel_test::TempDir dir_;
  ScannerHooks hooks_{};  // given to each scan's context
  std::vector<Hit> hits_;
  CommentStruct record_{};
  int status_ = 0;
};

TEST_F(ScannerTest, RecognisesCommentsOnlyAtLineStarts) {
  using namespace std::string_literals;
  const struct {
    std::string text;
    const char* expected;
  } kCases[] = {
      // clang-format off
      {"%%Title: A\n", "Title:=A"}, {"%Title: A\n", "Title:=A"}, {"% Title: A\n", "Title:=A"},
      {"%%  \t Title:   A\n", "Title:=A"}, {"x %%Title: A\n", ""},
      {"\r%%Title: A\r", "Title:=A"}, {"x\0%%Title: A\n"s, "Title:=A"}, {"%\x80Title: A\n", ""},
      {"%%Pages: 3\n%%PageOrder: x\n%%Page: 1 1\n", "Pages=3,Page=1 1"},
      {"%%Title: A\n%%+ more\n%%Foo\n%%+ x\n", "Title:=A,Title:+=more"},
      {"%%+ first\n", ""}, {"%%Title:", "Title:"},
      {"%%%%%%%%\n%%Title: A\n%%%%\r%%%Title: B\n%%Title: C", "Title:=A,Title:=C"},
      {"%%%%\n%%%%\n%%Pages: 3\n%\n%%Page: 1 1", "Pages=3,Page=1 1"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Scan(c.text, 15), 0) << c.text;
    EXPECT_EQ(Keys(), c.expected) << c.text;
  }
}

TEST_F(ScannerTest, HeaderLineSetsFileTypeAndHeaderState) {
  static const struct {
    const char* line;
    int type, epsf, header;
  } kCases[] = {
      // clang-format off
      {"%!PS-Adobe-3.0\n", 2, 0, 1}, {"%!PS-Adobe-3.0 EPSF-3.0\n%%Title: x\n", 1, 1, 1},
      {"%!PS-Adobe-3.0 EPSF-3.0\n", 2, 0, 1},  // no further "%": not EPSF
      {"%!VPS\n", 3, 0, 1}, {"%!Other\n", 0, 0, 1}, {"no header\n", -1, 0, 0},
      // clang-format on
  };
  for (const auto& c : kCases) {
    Scan(c.line, 15);
    EXPECT_EQ(
        std::vector<int>({record_.m_fileType, record_.m_isEPSF,
                          record_.m_headerState, record_.m_sawHeaderLine}),
        std::vector<int>({c.type, c.epsf, c.header, c.header}))
        << c.line;
  }
}

TEST_F(ScannerTest, ModesSelectTheirPasses) {
  const std::string big =
      "%!PS\n%%Title: head\n" + Filler(100000) + "%%Trailer\n%%Pages: 9\n";
  // Comments at 0..3096 are examined; past that the head pass is over.
  std::string early = "%!PS\n" + Filler(3000) + "%%Title: early\n";
  early += Filler(3200 - early.size()) + "%%Title: late\n" + Filler(200000);
  // Small files get one whole-file pass.
  const std::string small = "%!PS\n%%Title: a\n" + Filler(5000) + "%%Trailer\n";
  const std::string tiny = "%!PS\n%%Title: a\n" + Filler(2900);
  // Without a header line the head pass reads to the end; every comment is
  // seen, also those in the backed-off end of each chunk.
  std::string pages, seen;
  for (int i = 0; i < 200; ++i) {
    pages += Filler(997) + "%%Page: " + std::to_string(i) + "\n";
    seen += (i ? ",Page=" : "Page=") + std::to_string(i);
  }
  const struct {
    const std::string& text;
    int mode;
    std::string expected;
    int scan_mode_after;
  } kCases[] = {
      // clang-format off
      {big, 0, "", 0}, {big, 1, "Title:=head", 1}, {big, 2, "~Trailer,~Pages=9", 2},
      {big, 3, "Title:=head,~Trailer,~Pages=9", 3}, {big, 15, "Title:=head,Trailer,Pages=9", 15},
      {big, 4, "", 0}, {big, 7, "Title:=head,~Trailer,~Pages=9", 3},
      {early, 1, "Title:=early", 1}, {small, 3, "Title:=a,Trailer", 15}, {tiny, 1, "Title:=a", 15},
      {pages, 1, seen, 1},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Scan(c.text, c.mode), 0) << c.mode;
    EXPECT_EQ(Keys(), c.expected) << c.mode;
    EXPECT_EQ(record_.m_scanMode, c.scan_mode_after) << c.mode;
  }
}

TEST_F(ScannerTest, CarriesACommentNearTheChunkEndWhole) {
  // A comment has at least 1000 bytes of the chunk after its start, wherever
  // it stands relative to the end of a whole-file chunk.
  const int end = kWholeFileReadSize;
  for (int at : {end - 1440, end - 1001, end - 1000, end - 440, end - 10,
                 end - 1, end, end + 1}) {
    std::string text = Filler(static_cast<size_t>(at)) +
                       "%%Title: " + std::string(990, 'x') + "\n" +
                       Filler(70000);
    Scan(text, 15);
    ASSERT_EQ(hits_.size(), 1u) << at;
    EXPECT_EQ(hits_[0].value.size(), 990u) << at;
    EXPECT_EQ(hits_[0].offset, at + 9) << at;
  }
  // A "%" in mid-line at the chunk boundary starts no comment.
  Scan(Filler(kWholeFileReadSize - 2) + "x %%Title: no\n" + Filler(1000), 15);
  EXPECT_EQ(Keys(), "");
}

TEST_F(ScannerTest, ScansDosEpsFromItsPostScriptOffset) {
  const std::string body = "%!PS-Adobe-3.0 EPSF-3.0\n%%Title: eps\n%%EOF\n";
  Scan(vantrel_test::DosEps("", body), 15);
  EXPECT_EQ(Keys(), "Title:=eps");
  EXPECT_EQ(hits_[0].offset, 30 + 33);
  // Offsets past the end, or into the header itself, end cleanly.
  for (uint32_t bad : {0u, 4u, 0xFFFFFFFFu, 100000u}) {
    EXPECT_EQ(Scan(vantrel_test::DosEps("", body, "", bad), 15), 0) << bad;
  }
}

TEST_F(ScannerTest, SkipsCountedDataSectionsAndGoesOnAfterThem) {
  std::string data(5000, 'D');
  data.replace(4500, 13, "\n%%Title: in\n");
  const std::string rest = "\n" + data + "\n%%EndData\n%%Title: after\n";
  std::string binary(200000, 'B');
  binary.replace(70000, 13, "\n%%Title: in\n");
  std::string landing = binary;
  landing.back() = '%';  // not taken for a comment, also in the next chunk
  const std::string end = "\n%%EndBinary\n%%Title: after\n";
  const struct {
    std::string text;
    const char* expected;
  } kCases[] = {
      // clang-format off
      {"%%BeginData: 5000 Hex Bytes" + rest, "Title:=after"},
      // Wrong type words or counts: the data is examined.
      {"%%BeginData: 5000 Hex Lines" + rest, "Title:=in,Title:=after"},
      {"%%BeginData: 4000 Binary" + rest, "Title:=in,Title:=after"},
      {"%%BeginData: 6000" + rest, "Title:=in,Title:=after"},
      // Across chunk boundaries, skipped by positioning.
      {"%%BeginBinary: 200000\n" + binary + end, "Title:=after"},
      {"%%BeginBinary: 200000\n" + landing + end, "Title:=after"},
      // Counts below 100, or past the end of the file: nothing is skipped.
      {"%%BeginBinary: 99\n" + std::string(99, 'D') + end, "Title:=after"},
      {"%%BeginData: -5 Binary\n%%Title: x\n", "Title:=x"},
      {"%%BeginBinary: 100000\n%%Title: x\n", "Title:=x"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    Scan(c.text, 15, {{"Title:"}}, true);
    EXPECT_EQ(Keys(), c.expected) << c.text.substr(0, 30);
  }
}

TEST_F(ScannerTest, HandlerOffsetsSkipForwardOnly) {
  std::string text =
      "%%Title: a\n%%Title: b\n" + Filler(100000) + "%%Title: c\n";
  // Skip within the chunk, past the file end, and backwards.
  static const struct {
    int64_t target;
    const char* expected;
  } kCases[] = {{20, "Title:=a,Title:=c"},
                {90000, "Title:=a,Title:=c"},
                {1 << 30, "Title:=a,Title:=b,Title:=c"},
                {5, "Title:=a,Title:=b,Title:=c"}};
  for (const auto& c : kCases) {
    g_return = c.target;
    Scan(text, 15, {{"Title:"}});
    EXPECT_EQ(Keys(), c.expected) << c.target;
  }
}

TEST_F(ScannerTest, FailuresReleaseTheContext) {
  EXPECT_EQ(ScanPath(dir_.path() + "/missing.ps", 15), -1);
  EXPECT_EQ(status_, VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(ScanPath(dir_.path(), 15), -1);
  EXPECT_EQ(status_, VANTREL_SCAN_IS_DIRECTORY);
  EXPECT_EQ(ScanPath(dir_.path() + "/missing.ps", 0), -1);
  EXPECT_EQ(ScanPath(std::string(600, 'a'), 15), -1);
  EXPECT_EQ(status_, VANTREL_SCAN_PATH_TOO_LONG);
#if !defined(_WIN32)  // no mode bits on Windows
  if (geteuid() != 0) {
    std::string locked = dir_.Write("locked.ps", "%%Title: x\n");
    chmod(locked.c_str(), 0);
    EXPECT_EQ(ScanPath(locked, 15), -1);
    EXPECT_EQ(status_, VANTREL_SCAN_PERMISSION_DENIED);
  }
#endif
  EXPECT_EQ(Scan("%%Title: x\n%%Title: y\n", 15, {{"Title:", FailHandler}}),
            -1);
  EXPECT_EQ(status_, VANTREL_SCAN_HANDLER_FAILED);
}

TEST_F(ScannerTest, OddFilesScanToACleanEnd) {
  const std::vector<std::string> kFiles = {
      "",
      std::string(100000, '%'),
      std::string(200000, 'x'),
      "%!" + std::string(100000, 'P') + "\n%%Title: t\n",
      std::string(70000, '\n') + "%",
      "%%BeginData: 2147483648\n",
      "%%BeginBinary: 9223372036854775807\nxx",
      "%%BeginData: 99999999999999999999 Binary\n",
  };
  for (const std::string& f : kFiles) {
    for (int mode : {1, 2, 3, 15}) {
      EXPECT_EQ(Scan(f, mode, {{"Title:"}}, true), 0)
          << f.size() << " " << mode;
    }
  }
}

TEST_F(ScannerTest, APassStartsWithACleanSkipState) {
  // The head pass skips a section whose end lies past its limit; the tail
  // pass neither awaits its end nor goes back into the body.
  std::string data(30000, 'D');
  data.replace(20000, 15, "\n%%Title: data\n");
  std::string text = "%!PS\n%%BeginData: 30000 Binary\n" + data +
                     "\n%%EndData\n%%Title: body\n" + Filler(20000) +
                     "%%Trailer\n%%Pages: 3\n";
  Scan(text, 3, {{"Title:"}, {"Trailer"}, {"Pages"}}, true);
  EXPECT_EQ(Keys(), "~Trailer,~Pages=3");
  Scan(text, 15, {{"Title:"}, {"Trailer"}, {"Pages"}}, true);
  EXPECT_EQ(Keys(), "Title:=body,Trailer,Pages=3");
}

int64_t RemoveA(char* context, CommentStruct* record, long param, char* keyword,
                char** position, char* start, int64_t continuation,
                int64_t offset, long* wait, void* user_data, void* caller) {
  ParserRemoveEntry(reinterpret_cast<ParserContext*>(context), "A");
  int64_t result = RecordHit(context, record, param, keyword, position, start,
                             continuation, offset, wait, user_data, caller);
  g_hits->back().key += "!";
  return result;
}

TEST_F(ScannerTest, KeywordsRemovedDuringTheScanStaySilent) {
  // "B" takes "A" out: later "A" comments reach nothing, and a continuation
  // of "B" still continues "B", although its slot moved.
  EXPECT_EQ(Scan("%%C 1\n%%A 2\n%%B\n%%+ x\n%%A 3\n%%C 4\n%%+ y\n", 15,
                 {{"A"}, {"C"}, {"B", RemoveA}}),
            0);
  EXPECT_EQ(Keys(), "C=1,A=2,B!,B!+=x,C=4,C+=y");
}

int64_t SwallowLines(char* context, CommentStruct*, long, char*,
                     char** position, char*, int64_t, int64_t, long*, void*,
                     void*) {
  // A value read that runs on over the following lines.
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  *position = std::min(*position + 300, ctx->dataEnd);
  return 0;
}

TEST_F(ScannerTest, AValueThatRunsOnDoesNotHideTheNextLines) {
  Scan("%%Swallow: (open\n%%Title: seen\n%%Pages: 2\n" + Filler(500), 15,
       {{"Swallow", SwallowLines}, {"Title:"}, {"Pages"}});
  EXPECT_EQ(Keys(), "Title:=seen,Pages=2");
}

TEST_F(ScannerTest, APdfFirstLineIsExaminedInEveryMode) {
  // The tail pass alone never reads the first line; it is looked at anyway.
  const std::string pdf = "%PDF-1.4\n%\xE2\xE3\n" + Filler(20000);
  for (int mode : {1, 2, 3, 15}) {
    EXPECT_EQ(Scan(pdf, mode, {{"PDF-1", FailHandler}}), -1) << mode;
  }
  // Without an entry for it the first line means nothing.
  EXPECT_EQ(Scan(pdf, 2, {{"Title:"}}), 0);
}

std::vector<std::string>* g_hook_calls = nullptr;

int MacHook(ParserContext*, CommentStruct*, char* text) {
  g_hook_calls->push_back("mac:" + std::string(text, 9));
  return static_cast<int>(g_hook_calls->size()) >= 2 ? 1 : 0;
}

int64_t EpsHook(char*, CommentStruct* record, long, char*, char**, char*,
                int64_t, int64_t, long* wait, void*, void*) {
  g_hook_calls->push_back("eps:" + std::to_string(record->m_fileType) +
                          (wait == nullptr ? "" : "!"));
  return 0;
}

// The page-message hook is shown at work by the PDF family's tests.
TEST_F(ScannerTest, HooksFireWhereTheirMarkersStand) {
  std::vector<std::string> calls;
  g_hook_calls = &calls;
  hooks_.macLandscapeCheck = MacHook;
  hooks_.epsPageCount = EpsHook;
  // "translate" is checked until the check answers non-zero, and only with
  // 20 bytes to spare.
  Scan(
      "0 0 translate 90 rotate\n1 translate 2 rotate xxxxxxxxxxxxx\n"
      "translate again and again and again\n",
      15);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"mac:translate", "mac:translate"}));
  // The EPS page count runs at an EPS header line, with no wait index.
  calls.clear();
  Scan("%!PS-Adobe-3.0 EPSF-3.0 %\n%!PS-Adobe-3.0\n", 15);
  EXPECT_EQ(calls, (std::vector<std::string>{"eps:1"}));
  // A parse whose families set no hooks has none called.
  calls.clear();
  hooks_ = ScannerHooks{};
  Scan("%!PS-Adobe-3.0 EPSF-3.0 %\n0 0 translate 90 rotate\n", 15);
  EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace vantrel
