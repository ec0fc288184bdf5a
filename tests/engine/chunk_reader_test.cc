#include "engine/chunk_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/scanner.h"

namespace vantrel {
namespace {

// "offset+bytes [byte before] data NUL-or-next, place" for the chunk held.
std::string Dump(const ChunkReader& r, const std::string& block) {
  const std::string data(r.data(), static_cast<size_t>(r.bytes()));
  const char after = r.data()[r.bytes()];
  return std::to_string(r.offset()) + "+" + std::to_string(r.bytes()) + " [" +
         std::string(1, r.data()[-1] == '\n' ? '^' : r.data()[-1]) + "]" +
         data + (after == '\0' ? "$" : "|") +
         (r.in_place() ? (r.data() == block.data() + r.offset() ? " in place"
                                                                : " misplaced")
                       : " copied");
}

TEST(ChunkReader, KeepsTheByteBeforeAndTheEndOfEveryChunk) {
  const std::string block = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (bool memory : {false, true}) {
    MemorySource source(block.data(), block.size());
    ParserContext* ctx = ParserCreateContext("");
    ctx->source = &source;
    ChunkReader r(ctx);
    r.SetBlock(memory ? source.InPlace(0) : nullptr);
    r.SetWindow(2, 34);
    ASSERT_TRUE(r.Reserve(8));
    const struct {
      int64_t offset;
      int kept;  // carried from the chunk before: its last `kept` bytes
      const char* copied;
      const char* in_memory;
    } kSteps[] = {
        {2, 0, "2+8 [^]cdefghij$ copied", "2+8 [^]cdefghij$ copied"},
        {10, 0, "10+8 [j]klmnopqr$ copied", "10+8 [j]klmnopqr| in place"},
        {15, 3, "15+8 [^]pqrstuvw$ copied", "15+8 [o]pqrstuvw| in place"},
        {20, 3, "20+8 [^]uvwxyz01$ copied", "20+8 [t]uvwxyz01| in place"},
        {26, 2, "26+8 [^]01234567$ copied", "26+8 [^]01234567$ copied"},
        {30, 0, "30+4 [3]4567$ copied", "30+4 [3]4567$ copied"},
    };
    for (const auto& s : kSteps) {
      if (s.kept > 0) {
        EXPECT_EQ(r.Carry(r.data() + r.bytes() - s.kept), s.kept);
      }
      ASSERT_TRUE(r.Read(s.offset, s.kept, 8)) << s.offset;
      EXPECT_EQ(Dump(r, block), memory ? s.in_memory : s.copied) << s.offset;
    }
    ctx->source = nullptr;
    ParserFreeContext(ctx);
  }
}

}  // namespace
}  // namespace vantrel
