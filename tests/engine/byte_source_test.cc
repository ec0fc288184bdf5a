#include "engine/byte_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/keyword_table.h"
#include "engine/scanner.h"
#include "engine/sections.h"
#include "entry/roads.h"
#include "handlers/parse_state.h"
#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::DosEps;
using vantrel_test::Filler;
using vantrel_test::TempDir;

enum class Source { kFile, kMemory, kMemoryCopied };

// Appends "key|value line|offset|continuation|tail" to the string that is
// its user data.
int64_t RecordHit(char* context, CommentStruct* record, long, char* keyword,
                  char** position, char*, int64_t continuation,
                  int64_t value_offset, long*, void* user_data, void*) {
  const ParserContext* ctx = reinterpret_cast<const ParserContext*>(context);
  std::string& hits = *static_cast<std::string*>(user_data);
  hits += keyword;
  hits += '|';
  for (const char* p = *position; p < ctx->dataEnd && *p != '\n'; ++p) {
    hits += *p;
  }
  hits += "|" + std::to_string(value_offset) + "|" +
          std::to_string(continuation) + "|" +
          std::to_string(record->m_inTailPass) + "\n";
  return 0;
}

// Every comment the scanner dispatches, with its value and offset, and the
// scan's end.
std::string Hits(int mode, Source source, const std::string& path,
                 const std::string& bytes) {
  std::string hits;
  ParserContext* ctx = ParserCreateContext(path.c_str());
  ParseState state;
  ctx->state = &state;  // for the handlers the scanner calls itself
  for (const char* key : {"Page:", "PageBoundingBox:", "Title:", "BoundingBox:",
                          "Pages:", "EndComments", "Trailer", "EOF", "+"}) {
    ParserAddEntryToList(ctx, key, RecordHit, 0, &hits, 0);
  }
  RegisterSectionSet(ctx);
  if (source != Source::kFile) {
    ctx->hasMemorySource = true;
    ctx->memoryData = bytes.data();
    ctx->memorySize = bytes.size();
  }
  ctx->copyChunks = source == Source::kMemoryCopied;
  CommentStruct record{};
  record.m_scanMode = mode;
  const int64_t result = ParserScanFile(ctx, &record, nullptr);
  hits += "result " + std::to_string(result) + " status " +
          std::to_string(ctx->scanStatus) + " mode " +
          std::to_string(record.m_scanMode);
  ParserFreeContext(ctx);
  return hits;
}

int64_t NoOpHandler(char*, CommentStruct*, long, char*, char**, char*, int64_t,
                    int64_t, long*, void*, void*) {
  return 0;
}

// One job through one road from one source, as one text: status, rules made
// during the scan and the document rule (job-ticket road) or the pairs (RIP
// road).
std::string Road(bool rules_road, int mode, Source source,
                 const std::string& path, const std::string& bytes) {
  CRuleKalPropArrArray rules;
  std::string out;
  {
    CKalParser parser(path.c_str());
    if (source != Source::kFile) {
      parser.SetMemorySource(bytes.data(), bytes.size());
    }
    if (source == Source::kMemoryCopied) {
      // A handler from outside: the scan then copies every chunk.
      parser.AddComment("NoSuchVantrelComment", 0, 0, NoOpHandler, nullptr);
    }
    if (rules_road) {
      vantrel::AddJobTicketComments(parser, 'M', 0);
      parser.HandleFile(rules, mode);
      parser.GetDataFromParser(rules);
      out = vantrel_test::DumpRules(rules);
    } else {
      parser.AddStructureComments();
      parser.AddBoundingBox('P');
      parser.HandleFile(rules, mode);
      _tPairProperty* pairs = nullptr;
      int count = 0;
      parser.GetRipDataFromParser(pairs, count);
      out = vantrel_test::DumpPairs(pairs, count);
      delete[] pairs;
    }
    out = "status " + std::to_string(parser.GetScanStatus()) + "\n" + out;
  }
  return out;
}

// Every road and mode gives the file's answer from memory, read in place or
// copied.
void ExpectSameFromEverySource(const std::string& path,
                               const std::string& name) {
  const std::string bytes = TempDir::Read(path);
  for (int mode : {1, 2, 3, 15}) {
    const std::string file = Hits(mode, Source::kFile, path, "");
    EXPECT_EQ(Hits(mode, Source::kMemory, path, bytes), file) << name << mode;
    EXPECT_EQ(Hits(mode, Source::kMemoryCopied, path, bytes), file)
        << name << mode << " copied";
  }
  for (bool rules_road : {true, false}) {
    for (int mode : {0, 1, 2, 3, 15}) {
      const std::string file = Road(rules_road, mode, Source::kFile, path, "");
      EXPECT_EQ(Road(rules_road, mode, Source::kMemory, path, bytes), file)
          << name << (rules_road ? " rules " : " pairs ") << mode;
      EXPECT_EQ(Road(rules_road, mode, Source::kMemoryCopied, path, bytes),
                file)
          << name << (rules_road ? " rules " : " pairs ") << mode << " copied";
    }
  }
}

// Text that runs over several whole-file chunks, with comments all through
// it: `every` bytes of drawing code between two page comments.
std::string LongJob(size_t bytes, size_t every, const std::string& extra) {
  std::string job =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Pages: (atend)\n"
      "%%Title: (long job)\n%%EndComments\n";
  int page = 1;
  while (job.size() < bytes) {
    job += "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
           "\n%%PageBoundingBox: 0 0 " + std::to_string(100 + page) + " 200\n" +
           extra + Filler(every);
    ++page;
  }
  return job + "%%Trailer\n%%BoundingBox: 1 2 301 402\n%%Pages: " +
         std::to_string(page - 1) + "\n%%EOF\n";
}

TEST(ByteSource, EverySampleAndExampleGivesTheFilesAnswersFromMemory) {
  static const char* const kFiles[] = {"tests/data/dvips.eps",
                                       "tests/data/dvips.ps",
                                       "tests/data/enscript.ps",
                                       "tests/data/groff.ps",
                                       "tests/data/groff_logo.ps",
                                       "tests/data/landscape_enscript.ps",
                                       "tests/data/spot_colours_pdftops.ps",
                                       "tests/data/spot_colours_source.ps",
                                       "examples/brochure.ps",
                                       "examples/jobticket.ps",
                                       "examples/logo.eps"};
  for (const char* file : kFiles) {
    ExpectSameFromEverySource(std::string(VANTREL_SOURCE_DIR "/") + file, file);
  }
}

TEST(ByteSource, LongJobsGiveTheFilesAnswersFromMemory) {
  // Long blank runs, counted sections and look-alikes where whole-file
  // chunks (245760 bytes) end, and a DOS EPS window inside a larger file.
  std::string blanks = "%%   " + std::string(1500, ' ') + "Title: (far)\n";
  std::string section =
      "%%BeginData: 5000 Hex Bytes\n" + Filler(5000) + "%%EndData\n";
  std::string wrong = "%%BeginBinary: 3000\n" + Filler(5000) +
                      "%%EndBinary\n%%Title: (in the section)\n";
  std::string preview;
  while (preview.size() < 300000) preview += "II*\n%%BoundingBox: 0 0 1 1\n";
  const struct {
    const char* name;
    std::string text;
  } kCases[] = {
      {"pages", LongJob(800000, 3000, "")},
      {"blank runs", LongJob(700000, 997, blanks)},
      {"sections", LongJob(900000, 2500, section + wrong)},
      {"dos eps", DosEps(preview, LongJob(600000, 4000, section), preview)},
      {"no header line",
       Filler(300000) + "%%BoundingBox: 0 0 5 5\n" + Filler(300000)},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    ExpectSameFromEverySource(dir.Write("job.ps", c.text), c.name);
  }
}

TEST(ByteSource, EveryChunkEndAcrossALongCommentGivesTheFilesAnswer) {
  // Comments whose blanks run past a chunk end (before the key, after it),
  // at many distances from the end of the second whole-file chunk (the
  // first one read in place).
  const std::string kComments[] = {
      "%%BoundingBox:" + std::string(1300, ' ') + "0 0 100 200\n",
      "%%" + std::string(999, ' ') + "Title: (x)\n%%+ (y)\n",
  };
  // Every start from which the scanner's walk reaches the chunk end, and a
  // few around them.
  std::vector<int> shifts;
  for (int shift = -1030; shift <= -995; ++shift) shifts.push_back(shift);
  for (int shift : {-1400, -1200, -500, -3, 0, 1, 100}) shifts.push_back(shift);
  TempDir dir;
  for (const std::string& comment : kComments) {
    for (int shift : shifts) {
      const size_t at = static_cast<size_t>(2 * kWholeFileReadSize + shift);
      const std::string text = "%!PS-Adobe-3.0\n" + Filler(at - 15) + comment +
                               Filler(kWholeFileReadSize);
      const std::string path = dir.Write("job.ps", text);
      const std::string file = Hits(15, Source::kFile, path, "");
      EXPECT_EQ(Hits(15, Source::kMemory, path, text), file) << shift;
      EXPECT_EQ(Hits(15, Source::kMemoryCopied, path, text), file) << shift;
    }
  }
}

TEST(ByteSource, NullOrEmptyBlockIsAnEmptyJob) {
  TempDir dir;
  const std::string empty = dir.Write("empty.ps", "");
  for (bool rules_road : {true, false}) {
    const std::string file = Road(rules_road, 15, Source::kFile, empty, "");
    CRuleKalPropArrArray rules;
    CKalParser parser(nullptr);
    parser.SetMemorySource(nullptr, 0);
    parser.AddBoundingBox('P');
    EXPECT_EQ(parser.HandleFile(rules, 15), 1);
    EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_OK);
    EXPECT_EQ(Road(rules_road, 15, Source::kMemory, "", ""), file);
  }
}

// The DEX block is copied from memory as from the file, also where it runs
// past the chunk; a job without a name writes "job_N.dexxml".
TEST(ByteSource, DexBlockFromMemoryIsCopiedWhole) {
  TempDir out;
  vantrel_test::ScopedEnv env("KALOUTPUT", out.path().c_str());
  std::string block;
  for (int i = 0; block.size() < 300000; ++i) {
    block += "<t n=\"" + std::to_string(i) + "\"/>\n";
  }
  const std::string job = "%!PS-Adobe-3.0\n" + Filler(200000) +
                          "%%BeginDexJTData: " + std::to_string(block.size()) +
                          "\r\n" + block + "%%EOF\n";
  for (const char* name : {"spool/job42.ps", ""}) {
    CRuleKalPropArrArray rules;
    CKalParser parser(name);
    parser.SetMemorySource(job.data(), job.size());
    parser.AddDexxmlComment();
    EXPECT_EQ(parser.HandleFile(rules, 15), 1) << name;
    const std::string written =
        out.path() + "/" + (*name != '\0' ? "job42.ps" : "job") + "_0.dexxml";
    EXPECT_EQ(TempDir::Read(written), block) << name;
  }
}

// A source that fails its n-th read or its n-th allocation.
class FailingSource : public MemorySource {
 public:
  FailingSource(const std::string& bytes, int fail_read, int fail_alloc)
      : MemorySource(bytes.data(), bytes.size()),
        fail_read_(fail_read),
        fail_alloc_(fail_alloc) {}
  int64_t ReadAt(char* buffer, size_t count, int64_t offset) override {
    if (++reads_ == fail_read_) return -1;
    return MemorySource::ReadAt(buffer, count, offset);
  }
  const char* InPlace(int64_t) const override { return nullptr; }
  void* Reallocate(void* block, size_t size) override {
    if (++allocs_ == fail_alloc_) return nullptr;
    return ByteSource::Reallocate(block, size);
  }
  int reads() const { return reads_; }
  int allocs() const { return allocs_; }

 private:
  int fail_read_;
  int fail_alloc_;
  int reads_ = 0;
  int allocs_ = 0;
};

TEST(ByteSource, FailedReadsAndAllocationsEndTheScanWithTheirStatus) {
  const std::string job = "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n" +
                          Filler(20000) + "%%BoundingBox: 0 0 1 1\n";
  const auto scan = [&](int mode, int fail_read, int fail_alloc,
                        FailingSource** probe) {
    FailingSource* source = new FailingSource(job, fail_read, fail_alloc);
    ParserContext* ctx = ParserCreateContext("");
    ParseState state;
    ctx->state = &state;
    ctx->source = source;  // the test's, read instead of the file
    CommentStruct record{};
    record.m_scanMode = mode;
    const int64_t result = ParserScanFile(ctx, &record, nullptr);
    const int status = ctx->scanStatus;
    EXPECT_EQ(ctx->source, nullptr);
    ParserFreeContext(ctx);
    *probe = source;
    return result == -1 ? status : -status;
  };
  for (int mode : {1, 2, 3, 15}) {
    FailingSource* counted = nullptr;
    EXPECT_EQ(scan(mode, 0, 0, &counted), -VANTREL_SCAN_OK) << mode;
    const int reads = counted->reads();
    const int allocs = counted->allocs();
    delete counted;
    ASSERT_GT(reads, 0) << mode;
    ASSERT_GT(allocs, 0) << mode;
    for (int n = 1; n <= reads; ++n) {
      FailingSource* probe = nullptr;
      EXPECT_EQ(scan(mode, n, 0, &probe), VANTREL_SCAN_READ_ERROR)
          << mode << " read " << n;
      delete probe;
    }
    for (int n = 1; n <= allocs; ++n) {
      FailingSource* probe = nullptr;
      EXPECT_EQ(scan(mode, 0, n, &probe), VANTREL_SCAN_OUT_OF_MEMORY)
          << mode << " allocation " << n;
      delete probe;
    }
  }
}

}  // namespace
}  // namespace vantrel
