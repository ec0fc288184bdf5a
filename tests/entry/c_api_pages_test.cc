// The C interface of the pages road: the accessors answer what the JSON
// says, memory answers as the file, and bad arguments give a result.
#include <memory>
#include <string>

#include "gtest/gtest.h"
#include "support/test_support.h"
#include "vantrel/vantrel_c.h"

namespace {

using vantrel_test::TempDir;

struct Free {
  void operator()(vantrel_result* r) const { vantrel_result_free(r); }
};
using Result = std::unique_ptr<vantrel_result, Free>;

const char kJob[] =
    "%!PS-Adobe-3.0\n%%DocumentMedia: (US Letter) 612 792 0 () ()\n"
    "%%EndComments\n%%Page: 1 1\n%%PageBoundingBox: 0 0 612 792\n"
    "%%PageMedia: (US Letter)\n%%IncludeFeature: *InputSlot Lower\n"
    "%%Page: (ii) x\n%%Trailer\n";

TEST(CApiPages, AccessorsAnswerPagesAndMedia) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", kJob);
  Result file(vantrel_pages_file(path.c_str()));
  Result memory(vantrel_pages_memory(kJob, sizeof kJob - 1, path.c_str()));
  ASSERT_EQ(vantrel_result_status(file.get()), VANTREL_SCAN_OK);
  EXPECT_STREQ(vantrel_result_json(memory.get()),
               vantrel_result_json(file.get()));

  ASSERT_EQ(vantrel_result_page_count(file.get()), 2);
  vantrel_page_info page;
  ASSERT_EQ(vantrel_result_page(file.get(), 0, &page), 1);
  EXPECT_STREQ(page.label, "1");
  EXPECT_EQ(page.has_ordinal, 1);
  EXPECT_EQ(page.ordinal, 1);
  EXPECT_EQ(page.offset,
            static_cast<long long>(std::string(kJob).find("%%Page: 1")));
  EXPECT_EQ(page.has_bbox, 1);
  EXPECT_EQ(page.bbox[2], 612);
  EXPECT_STREQ(page.media, "US Letter");
  EXPECT_EQ(page.orientation, nullptr);
  ASSERT_EQ(page.feature_count, 1);
  EXPECT_STREQ(vantrel_result_page_feature(file.get(), 0, 0),
               "*InputSlot Lower");
  EXPECT_EQ(vantrel_result_page_feature(file.get(), 0, 1), nullptr);
  ASSERT_EQ(vantrel_result_page(file.get(), 1, &page), 1);
  EXPECT_STREQ(page.label, "ii");
  EXPECT_EQ(page.has_ordinal, 0);
  EXPECT_EQ(page.has_bbox, 0);
  EXPECT_EQ(page.offset + page.length,
            static_cast<long long>(sizeof kJob - 1 - sizeof "%%Trailer\n" + 1));
  EXPECT_EQ(vantrel_result_page(file.get(), 2, &page), 0);

  vantrel_medium_info medium;
  ASSERT_EQ(vantrel_result_medium_count(file.get()), 1);
  ASSERT_EQ(vantrel_result_medium(file.get(), 0, &medium), 1);
  EXPECT_STREQ(medium.name, "US Letter");
  EXPECT_EQ(medium.height, 792);
  EXPECT_STREQ(medium.color, "");
}

TEST(CApiPages, BadArgumentsAndOtherRoadsGiveNoPages) {
  const Result results[] = {
      Result(vantrel_pages_file(nullptr)),
      Result(vantrel_pages_file("")),
      Result(vantrel_pages_memory(nullptr, 5, "job")),
      Result(vantrel_pages_memory(kJob, 4, "")),
  };
  for (const Result& r : results) {
    EXPECT_EQ(vantrel_result_status(r.get()), VANTREL_SCAN_BAD_ARGUMENT);
    EXPECT_EQ(vantrel_result_page_count(r.get()), 0);
  }
  Result pairs(vantrel_pairs_memory(kJob, sizeof kJob - 1, "job", 15, 'P', 1));
  EXPECT_EQ(vantrel_result_page_count(pairs.get()), 0);
  EXPECT_EQ(vantrel_result_medium_count(pairs.get()), 0);
  vantrel_page_info page;
  EXPECT_EQ(vantrel_result_page(nullptr, 0, &page), 0);
  EXPECT_EQ(vantrel_result_page_feature(nullptr, 0, 0), nullptr);
  Result unnamed(vantrel_pages_memory(nullptr, 0, nullptr));
  EXPECT_EQ(std::string(vantrel_result_json(unnamed.get()))
                .rfind("{\"file\":\"-\",\"scan\":\"ok\",\"pages\":[],", 0),
            0u);
}

}  // namespace

namespace {

// Labels and media reach hosts as UTF-8, as every text of the C API does:
// Latin-1 bytes are read as such, UTF-8 is kept.
TEST(CApiPages, TextsAreUtf8WhateverTheProducerWrote) {
  const char job[] =
      "%!PS-Adobe-3.0\n%%DocumentMedia: R\xc3\xa9sum\xc3\xa9 595 842 0 () ()\n"
      "%%EndComments\n%%Page: (\xe9t\xe9) 1\n%%PageMedia: R\xc3\xa9sum\xc3\xa9\n";
  Result r(vantrel_pages_memory(job, sizeof job - 1, "job.ps"));
  vantrel_page_info page;
  ASSERT_EQ(vantrel_result_page(r.get(), 0, &page), 1);
  EXPECT_STREQ(page.label, "\xc3\xa9t\xc3\xa9");
  EXPECT_STREQ(page.media, "R\xc3\xa9sum\xc3\xa9");
  vantrel_medium_info medium;
  ASSERT_EQ(vantrel_result_medium(r.get(), 0, &medium), 1);
  EXPECT_STREQ(medium.name, "R\xc3\xa9sum\xc3\xa9");
}

}  // namespace
