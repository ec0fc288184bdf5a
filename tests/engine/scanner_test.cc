#include "engine/scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/sections.h"
#include "platform/trace.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

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

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_hits = &hits_;
    g_return = 0;
  }

  // Scans `contents` with the keys given registered to the recorder.
  int64_t Scan(const std::string& contents, int mode,
               std::vector<const char*> keys = {"Title:", "Page", "Pages",
                                                "EndComments", "Trailer"},
               bool sections = false) {
    std::string path = dir_.Write("job.ps", contents);
    return ScanPath(path, mode, keys, sections);
  }

  int64_t ScanPath(const std::string& path, int mode,
                   const std::vector<const char*>& keys, bool sections) {
    hits_.clear();
    ParserContext* ctx = ParserCreateContext(path.c_str());
    for (const char* key : keys) {
      ParserAddEntryToList(ctx, key, RecordHit, 0, nullptr, 0);
    }
    if (sections) RegisterSectionSet(ctx);
    record_ = CommentStruct{};
    record_.m_scanMode = mode;
    int64_t result = ParserScanFile(ctx, &record_, nullptr);
    status_ = ctx->scanStatus;
    EXPECT_EQ(ctx->fileHandle, -1);
    EXPECT_EQ(ctx->chunkBuffer, nullptr);
    EXPECT_EQ(ctx->commentsNum, 0u);
    ParserFreeContext(ctx);
    return result;
  }

  std::string Keys() const {
    std::string out;
    for (const Hit& h : hits_) {
      out += (out.empty() ? "" : ",") + h.key + (h.continuation ? "+" : "");
      if (!h.value.empty()) out += "=" + h.value;
    }
    return out;
  }

  vantrel_test::TempDir dir_;
  std::vector<Hit> hits_;
  CommentStruct record_{};
  int status_ = 0;
};

std::string Filler(size_t n) {
  std::string s;
  while (s.size() < n) s += "0 0 moveto 10 10 lineto stroke\n";
  s.resize(n);
  if (n > 0) s[n - 1] = '\n';
  return s;
}

TEST_F(ScannerTest, RecognisesCommentsOnlyAtLineStarts) {
  using namespace std::string_literals;
  const struct {
    std::string text;
    const char* expected;
  } kCases[] = {
      {"%%Title: A\n", "Title:=A"},
      {"%Title: A\n", "Title:=A"},
      {"% Title: A\n", "Title:=A"},
      {"%%  \t Title:   A\n", "Title:=A"},
      {"x %%Title: A\n", ""},
      {"\r%%Title: A\r", "Title:=A"},
      {"x\0%%Title: A\n"s, "Title:=A"},
      {"%\x80Title: A\n", ""},
      {"%%Pages: 3\n%%PageOrder: x\n%%Page: 1 1\n", "Pages=3,Page=1 1"},
      {"%%Title: A\n%%+ more\n%%Foo\n%%+ x\n", "Title:=A,Title:+=more"},
      {"%%+ first\n", ""},
      {"%%Title:", "Title:"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Scan(c.text, 15), 0) << c.text;
    EXPECT_EQ(Keys(), c.expected) << c.text;
  }
}

TEST_F(ScannerTest, ReportsValueOffsetsInTheFile) {
  Scan("%!PS\n%%Title: Big\n", 15);
  ASSERT_EQ(hits_.size(), 1u);
  EXPECT_EQ(hits_[0].offset, 14);
}

TEST_F(ScannerTest, HeaderLineSetsFileTypeAndHeaderState) {
  static const struct {
    const char* line;
    int type;
    int epsf;
  } kCases[] = {
      {"%!PS-Adobe-3.0\n", 2, 0},
      {"%!PS-Adobe-3.0 EPSF-3.0\n%%Title: x\n", 1, 1},
      {"%!PS-Adobe-3.0 EPSF-3.0\n", 2, 0},  // no further "%": not EPSF
      {"%!VPS\n", 3, 0},
      {"%!Other\n", 0, 0},
  };
  for (const auto& c : kCases) {
    Scan(c.line, 15);
    EXPECT_EQ(record_.m_fileType, c.type) << c.line;
    EXPECT_EQ(record_.m_isEPSF, c.epsf) << c.line;
    EXPECT_EQ(record_.m_headerState, 1) << c.line;
    EXPECT_EQ(record_.m_sawHeaderLine, 1) << c.line;
  }
  Scan("no header\n", 15);
  EXPECT_EQ(record_.m_fileType, -1);
}

TEST_F(ScannerTest, HeadPassStopsAfterItsBlockWhenTheHeaderLineIsSeen) {
  // Comments at 0..3096 are examined; past that the head pass is over.
  std::string text = "%!PS\n" + Filler(3000) + "%%Title: early\n";
  text += Filler(3200 - text.size()) + "%%Title: late\n" + Filler(200000);
  Scan(text, 1);
  EXPECT_EQ(Keys(), "Title:=early");
}

TEST_F(ScannerTest, HeadPassReadsAFileWithoutHeaderLineToItsEnd) {
  // Every comment is seen, also those in the backed-off end of each chunk.
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += Filler(997) + "%%Page: " + std::to_string(i) + "\n";
  }
  Scan(text, 1);
  EXPECT_EQ(hits_.size(), 200u);
  EXPECT_EQ(hits_.back().value, "199");
}

TEST_F(ScannerTest, ModesSelectTheirPasses) {
  std::string big = "%!PS\n%%Title: head\n" + Filler(100000) +
                    "%%Trailer\n%%Pages: 9\n";
  static const struct {
    int mode;
    const char* expected;
    int scan_mode_after;
  } kCases[] = {
      {0, "", 0},
      {1, "Title:=head", 1},
      {2, "Trailer,Pages=9", 2},
      {3, "Title:=head,Trailer,Pages=9", 3},
      {15, "Title:=head,Trailer,Pages=9", 15},
      {4, "", 0},
      {7, "Title:=head,Trailer,Pages=9", 3},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Scan(big, c.mode), 0) << c.mode;
    EXPECT_EQ(Keys(), c.expected) << c.mode;
    EXPECT_EQ(record_.m_scanMode, c.scan_mode_after) << c.mode;
  }
  Scan(big, 3);
  EXPECT_EQ(hits_[0].tail, 0);
  EXPECT_EQ(hits_[1].tail, 1);
}

TEST_F(ScannerTest, SmallFilesGetOneWholeFilePass) {
  std::string small = "%!PS\n%%Title: a\n" + Filler(5000) + "%%Trailer\n";
  Scan(small, 3);
  EXPECT_EQ(Keys(), "Title:=a,Trailer");
  EXPECT_EQ(record_.m_scanMode, 15);
  EXPECT_EQ(record_.m_inTailPass, 0);

  Scan("%!PS\n%%Title: a\n" + Filler(2900), 1);
  EXPECT_EQ(Keys(), "Title:=a");
  EXPECT_EQ(record_.m_scanMode, 15);
}

TEST_F(ScannerTest, CarriesACommentNearTheChunkEndWhole) {
  // A comment has at least 1000 bytes of the chunk after its start, wherever
  // it stands relative to the end of a whole-file chunk.
  const int end = kWholeFileReadSize;
  for (int at : {end - 1440, end - 1001, end - 1000, end - 440, end - 10,
                 end - 1, end, end + 1}) {
    std::string text = Filler(static_cast<size_t>(at)) + "%%Title: " +
                       std::string(990, 'x') + "\n" + Filler(70000);
    Scan(text, 15);
    ASSERT_EQ(hits_.size(), 1u) << at;
    EXPECT_EQ(hits_[0].value.size(), 990u) << at;
    EXPECT_EQ(hits_[0].offset, at + 9) << at;
  }
}

TEST_F(ScannerTest, MidLinePercentAtAChunkBoundaryIsNoComment) {
  std::string text = Filler(kWholeFileReadSize - 2);
  text += "x %%Title: no\n" + Filler(1000);
  Scan(text, 15);
  EXPECT_EQ(Keys(), "");
}

TEST_F(ScannerTest, ScansDosEpsFromItsPostScriptOffset) {
  std::string body = "%!PS-Adobe-3.0 EPSF-3.0\n%%Title: eps\n%%EOF\n";
  std::string header("\xC5\xD0\xD3\xC6", 4);
  uint32_t offset = 30;
  for (int i = 0; i < 4; ++i) header += static_cast<char>(offset >> (8 * i));
  header += std::string(offset - header.size(), '\0');
  Scan(header + body, 15);
  EXPECT_EQ(Keys(), "Title:=eps");
  EXPECT_EQ(hits_[0].offset, 30 + 33);

  // Offsets past the end, or into the header itself, end cleanly.
  for (uint32_t bad : {0u, 4u, 0xFFFFFFFFu, 100000u}) {
    std::string h("\xC5\xD0\xD3\xC6", 4);
    for (int i = 0; i < 4; ++i) h += static_cast<char>(bad >> (8 * i));
    EXPECT_EQ(Scan(h + body, 15), 0) << bad;
  }
}

TEST_F(ScannerTest, SkipsCountedDataSections) {
  auto section = [](const char* open, size_t n, const char* close) {
    return std::string(open) + "\n" + std::string(n, 'D') + "\n" + close +
           "\n%%Title: after\n";
  };
  const std::vector<const char*> keys = {"Title:"};
  // Skipped: the fake comment inside the data is not seen.
  std::string data(5000, 'D');
  data.replace(4500, 13, "\n%%Title: in\n");
  std::string text = "%%BeginData: 5000 Hex Bytes\n" + data + "\n%%EndData\n";
  text += "%%Title: after\n";
  Scan(text, 15, keys, true);
  EXPECT_EQ(Keys(), "Title:=after");

  // Not skipped (wrong type words): the inside comment is seen.
  std::string hex = text;
  hex.replace(0, 27, "%%BeginData: 5000 Hex Lines");
  Scan(hex, 15, keys, true);
  EXPECT_EQ(Keys(), "Title:=in,Title:=after");

  // Wrong counts: the scanner goes back and examines the data.
  for (const char* open : {"%%BeginData: 4000 Binary", "%%BeginData: 6000"}) {
    std::string t = text;
    t.replace(0, 27, open);
    Scan(t, 15, keys, true);
    EXPECT_EQ(Keys(), "Title:=in,Title:=after") << open;
  }
  // A binary section across chunk boundaries, skipped by positioning.
  std::string bin(200000, 'B');
  bin.replace(70000, 13, "\n%%Title: in\n");
  Scan("%%BeginBinary: 200000\n" + bin + "\n%%EndBinary\n%%Title: after\n", 15,
       keys, true);
  EXPECT_EQ(Keys(), "Title:=after");
  // The landing byte is not taken for a comment, also in the next chunk.
  bin.back() = '%';
  Scan("%%BeginBinary: 200000\n" + bin + "\n%%EndBinary\n%%Title: after\n", 15,
       keys, true);
  EXPECT_EQ(Keys(), "Title:=after");
  // Counts below 100, or past the end of the file: nothing is skipped.
  Scan(section("%%BeginBinary: 99", 99, "%%EndBinary"), 15, keys, true);
  EXPECT_EQ(Keys(), "Title:=after");
  Scan("%%BeginData: -5 Binary\n%%Title: x\n", 15, keys, true);
  EXPECT_EQ(Keys(), "Title:=x");
  Scan("%%BeginBinary: 100000\n%%Title: x\n", 15, keys, true);
  EXPECT_EQ(Keys(), "Title:=x");
}

TEST_F(ScannerTest, HandlerOffsetsSkipForwardOnly) {
  std::string text = "%%Title: a\n%%Title: b\n" + Filler(100000) +
                     "%%Title: c\n";
  // Skip within the chunk, past the file end, and backwards.
  static const struct {
    int64_t target;
    const char* expected;
  } kCases[] = {
      {20, "Title:=a,Title:=c"},
      {90000, "Title:=a,Title:=c"},
      {1 << 30, "Title:=a,Title:=b,Title:=c"},
      {5, "Title:=a,Title:=b,Title:=c"},
  };
  for (const auto& c : kCases) {
    g_return = c.target;
    Scan(text, 15, {"Title:"});
    EXPECT_EQ(Keys(), c.expected) << c.target;
  }
}

int64_t FailHandler(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                    int64_t, long*, void*, void*) {
  return -1;
}

TEST_F(ScannerTest, FailuresReleaseTheContext) {
  EXPECT_EQ(ScanPath(dir_.path() + "/missing.ps", 15, {}, false), -1);
  EXPECT_EQ(status_, VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(ScanPath(dir_.path(), 15, {}, false), -1);
  EXPECT_EQ(status_, VANTREL_SCAN_IS_DIRECTORY);
  EXPECT_EQ(ScanPath(dir_.path() + "/missing.ps", 0, {}, false), -1);
  if (geteuid() != 0) {
    std::string locked = dir_.Write("locked.ps", "%%Title: x\n");
    chmod(locked.c_str(), 0);
    EXPECT_EQ(ScanPath(locked, 15, {}, false), -1);
    EXPECT_EQ(status_, VANTREL_SCAN_PERMISSION_DENIED);
  }
  std::string path = dir_.Write("fail.ps", "%%Title: x\n%%Title: y\n");
  ParserContext* ctx = ParserCreateContext(path.c_str());
  ParserAddEntryToList(ctx, "Title:", FailHandler, 0, nullptr, 0);
  CommentStruct record{};
  record.m_scanMode = 15;
  EXPECT_EQ(ParserScanFile(ctx, &record, nullptr), -1);
  EXPECT_EQ(ctx->scanStatus, VANTREL_SCAN_HANDLER_FAILED);
  EXPECT_EQ(ctx->chunkBuffer, nullptr);
  ParserFreeContext(ctx);

  ParserContext* long_path = ParserCreateContext(std::string(600, 'a').c_str());
  record.m_scanMode = 15;
  EXPECT_EQ(ParserScanFile(long_path, &record, nullptr), -1);
  EXPECT_EQ(long_path->scanStatus, VANTREL_SCAN_PATH_TOO_LONG);
  ParserFreeContext(long_path);
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
      EXPECT_EQ(Scan(f, mode, {"Title:"}, true), 0) << f.size() << " " << mode;
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
  Scan(text, 3, {"Title:", "Trailer", "Pages"}, true);
  EXPECT_EQ(Keys(), "Trailer,Pages=3");
  Scan(text, 15, {"Title:", "Trailer", "Pages"}, true);
  EXPECT_EQ(Keys(), "Title:=body,Trailer,Pages=3");
}

int64_t RemoveA(char* context, CommentStruct* record, long param,
                char* keyword, char** position, char* start,
                int64_t continuation, int64_t offset, long* wait,
                void* user_data, void* caller) {
  ParserRemoveEntry(reinterpret_cast<ParserContext*>(context), "A");
  int64_t result = RecordHit(context, record, param, keyword, position, start,
                             continuation, offset, wait, user_data, caller);
  g_hits->back().key += "!";
  return result;
}

TEST_F(ScannerTest, KeywordsRemovedDuringTheScanStaySilent) {
  // "B" takes "A" out: later "A" comments reach nothing, and a continuation
  // of "B" still continues "B", although its slot moved.
  std::string path =
      dir_.Write("job.ps", "%%C 1\n%%A 2\n%%B\n%%+ x\n%%A 3\n%%C 4\n%%+ y\n");
  ParserContext* ctx = ParserCreateContext(path.c_str());
  for (const char* key : {"A", "C"}) {
    ParserAddEntryToList(ctx, key, RecordHit, 0, nullptr, 0);
  }
  ParserAddEntryToList(ctx, "B", RemoveA, 0, nullptr, 0);
  hits_.clear();
  record_ = CommentStruct{};
  record_.m_scanMode = 15;
  EXPECT_EQ(ParserScanFile(ctx, &record_, nullptr), 0);
  ParserFreeContext(ctx);
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
  std::string path = dir_.Write(
      "job.ps", "%%Swallow: (open\n%%Title: seen\n%%Pages: 2\n" + Filler(500));
  ParserContext* ctx = ParserCreateContext(path.c_str());
  ParserAddEntryToList(ctx, "Swallow", SwallowLines, 0, nullptr, 0);
  for (const char* key : {"Title:", "Pages"}) {
    ParserAddEntryToList(ctx, key, RecordHit, 0, nullptr, 0);
  }
  hits_.clear();
  record_ = CommentStruct{};
  record_.m_scanMode = 15;
  EXPECT_EQ(ParserScanFile(ctx, &record_, nullptr), 0);
  ParserFreeContext(ctx);
  EXPECT_EQ(Keys(), "Title:=seen,Pages=2");
}

TEST_F(ScannerTest, APdfFirstLineIsExaminedInEveryMode) {
  // The tail pass alone never reads the first line; it is looked at anyway.
  const std::string pdf = "%PDF-1.4\n%\xE2\xE3\n" + Filler(20000);
  const std::string path = dir_.Write("doc.pdf", pdf);
  for (int mode : {1, 2, 3, 15}) {
    ParserContext* ctx = ParserCreateContext(path.c_str());
    ParserAddEntryToList(ctx, "PDF-1", FailHandler, 0, nullptr, 0);
    CommentStruct record{};
    record.m_scanMode = mode;
    EXPECT_EQ(ParserScanFile(ctx, &record, nullptr), -1) << mode;
    ParserFreeContext(ctx);
  }
  // Without an entry for it the first line means nothing.
  EXPECT_EQ(Scan(pdf, 2, {"Title:"}), 0);
}

std::vector<std::string>* g_hook_calls = nullptr;

void PdfHook(ParserContext*, CommentStruct*, char* text) {
  g_hook_calls->push_back("pdf:" + std::string(text, 5));
}

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

TEST_F(ScannerTest, HooksFireWhereTheirMarkersStand) {
  std::vector<std::string> calls;
  g_hook_calls = &calls;
  ScannerHooks saved = Hooks();
  Hooks() = ScannerHooks{PdfHook, MacHook, EpsHook, nullptr};

  // Page messages count only in the tail pass.
  std::string text = "%!PS\n(%%[ Page: 1 ]%%)\n" + Filler(20000) +
                     "(%%[ Page: 2 ]%%) = flush\n";
  Scan(text, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"pdf: Page"}));

  // "translate" is checked until the check answers non-zero, and only with
  // 20 bytes to spare.
  calls.clear();
  Scan("0 0 translate 90 rotate\n1 translate 2 rotate xxxxxxxxxxxxx\n"
       "translate again and again and again\n",
       15);
  EXPECT_EQ(calls, (std::vector<std::string>{"mac:translate", "mac:translate"}));

  // The EPS page count runs at an EPS header line, with no wait index.
  calls.clear();
  Scan("%!PS-Adobe-3.0 EPSF-3.0 %\n%!PS-Adobe-3.0\n", 15);
  EXPECT_EQ(calls, (std::vector<std::string>{"eps:1"}));

  Hooks() = saved;
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(HeliosSupport, ReadsTheFlagFromTheRegistryFileAndTracesEachStep) {
  vantrel_test::TempDir dir;
  const std::string reg = dir.Write(
      "settings.reg",
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kalvor\\JobTicket\\Operations\\RipNT\\"
      "GlobalParams\\SupportHeliosServer]\r\n\"PropertyValue\"=dword:00000001\r\n");
  static const struct {
    const char* registry;  // null: variable unset
    bool expected;
    const char* last_error;  // null: no error line
  } kCases[] = {
      {"settings.reg", true, nullptr},
      {nullptr, false, "getHeliosSupport() Error return openRegistryFolder()."},
      {"missing.reg", false,
       "getHeliosSupport() Error return openRegistryFolder()."},
  };
  for (const auto& c : kCases) {
    std::string path = c.registry ? dir.path() + "/" + c.registry : "";
    vantrel_test::ScopedEnv env("VANTREL_REGISTRY",
                                c.registry ? path.c_str() : nullptr);
    TraceCapture trace;
    EXPECT_EQ(getHeliosSupport(), c.expected) << path;
    const auto& lines = trace.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Begin getHeliosSupport()");
    EXPECT_EQ(lines.back(), std::string("End getHeliosSupport() HeliosSupport = ") +
                                (c.expected ? "1" : "0"));
    if (c.last_error) {
      EXPECT_EQ(lines[lines.size() - 2], c.last_error);
    } else {
      EXPECT_EQ(lines[lines.size() - 2],
                "getHeliosSupport() before closeRegistryFolder().");
    }
  }
}

}  // namespace
}  // namespace vantrel
