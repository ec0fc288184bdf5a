// The roads on a descriptor the host holds: the answers the file gives, the
// descriptor left open and where it was, and what is not a seekable file
// refused; the detail a failed DEX ticket leaves for the host, and the
// texts the C API hands out.
#include <fcntl.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
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

#if defined(_WIN32)
int OpenToRead(const std::string& path) {
  return _open(path.c_str(), _O_RDONLY | _O_BINARY);
}
long Position(int fd) { return _lseek(fd, 0, SEEK_CUR); }
void Close(int fd) { _close(fd); }
#else
int OpenToRead(const std::string& path) { return open(path.c_str(), O_RDONLY); }
long Position(int fd) { return static_cast<long>(lseek(fd, 0, SEEK_CUR)); }
void Close(int fd) { close(fd); }
#endif

TEST(CApiDescriptor, AnswersAsTheFileAndLeavesTheDescriptorToTheHost) {
  TempDir dir;
  const std::string job =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Title: On a descriptor\n"
      "%%EndComments\n" +
      vantrel_test::Filler(300000) +
      "%%Trailer\n%%BoundingBox: 0 0 612 792\n%%EOF\n";
  const std::string path = dir.Write("job.ps", job);
  const int fd = OpenToRead(path);
  ASSERT_GE(fd, 0);
#if !defined(_WIN32)
  ASSERT_EQ(lseek(fd, 7, SEEK_SET), 7);  // the host's own position
#endif
  for (int mode : {1, 2, 3, 15}) {
    Result file(vantrel_pairs_file_named(path.c_str(), "job", mode, 'P', 1));
    Result held(vantrel_pairs_fd(fd, "job", mode, 'P', 1));
    EXPECT_EQ(vantrel_result_status(held.get()), VANTREL_SCAN_OK) << mode;
    EXPECT_STREQ(vantrel_result_json(held.get()),
                 vantrel_result_json(file.get()))
        << mode;
  }
  Result file(vantrel_rules_file_named(path.c_str(), "job", 0, ""));
  Result held(vantrel_rules_fd(fd, "job", 0, ""));
  EXPECT_STREQ(vantrel_result_json(held.get()),
               vantrel_result_json(file.get()));
#if !defined(_WIN32)
  EXPECT_EQ(Position(fd), 7);
#endif
  EXPECT_GE(Position(fd), 0) << "the descriptor was closed";
  Close(fd);

  // Closed, not a file, or no descriptor at all.
  Result closed(vantrel_pairs_fd(fd, nullptr, 15, 'P', 1));
  EXPECT_EQ(vantrel_result_status(closed.get()), VANTREL_SCAN_READ_ERROR);
  EXPECT_STREQ(vantrel_result_name(closed.get()), "-");
  Result negative(vantrel_rules_fd(-1, "job", 0, nullptr));
  EXPECT_EQ(vantrel_result_status(negative.get()), VANTREL_SCAN_BAD_ARGUMENT);
#if !defined(_WIN32)
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  Result pipe_end(vantrel_pairs_fd(fds[0], "job", 15, 'P', 1));
  EXPECT_EQ(vantrel_result_status(pipe_end.get()),
            VANTREL_SCAN_NOT_REGULAR_FILE);
  close(fds[0]);
  close(fds[1]);
#endif
}

TEST(CApiDescriptor, FailedTicketsSayWhereAndWhy) {
  TempDir dir;
  const std::string job =
      "%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n%%EOF\n";
  const std::string missing = dir.path() + "/nonexistent";
  Result r(vantrel_rules_memory(job.data(), job.size(), "job.ps", 0,
                                missing.c_str()));
  EXPECT_EQ(vantrel_result_status(r.get()), VANTREL_SCAN_JOB_TICKET_FAILED);
  EXPECT_EQ(std::string(vantrel_result_detail(r.get())),
            missing + ": No such file or directory");
  Result ok(vantrel_rules_memory(job.data(), job.size(), "job.ps", 0,
                                 dir.path().c_str()));
  EXPECT_STREQ(vantrel_result_detail(ok.get()), "");
  EXPECT_STREQ(vantrel_result_detail(nullptr), "");
}

TEST(CApiDescriptor, TextsAreUtf8WhateverTheProducerWrote) {
  static const struct {
    const char* title;
    const char* expected;
  } kCases[] = {
      {"R\xc3\xa9sum\xc3\xa9", "R\xc3\xa9sum\xc3\xa9"},  // UTF-8 kept
      {"R\xe9sum\xe9", "R\xc3\xa9sum\xc3\xa9"},          // Latin-1 read
      {"\xc3\xa9\xe9", "\xc3\x83\xc2\xa9\xc3\xa9"},      // mixed: Latin-1
  };
  for (const auto& c : kCases) {
    const std::string job = std::string("%!PS-Adobe-3.0\n%%Title: ") + c.title +
                            "\n%%EndComments\n";
    Result r(vantrel_rules_memory(job.data(), job.size(), "t.ps", 0, ""));
    std::string title = "(none)";
    vantrel_property_info p;
    for (int i = 0; vantrel_result_property(r.get(), 0, i, &p) != 0; ++i) {
      if (std::string(p.name) == "Title") title = p.value;
    }
    EXPECT_EQ(title, c.expected) << c.title;
  }
}

}  // namespace
