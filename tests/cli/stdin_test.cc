// Standard input in the tool: "-" answers as the same job given as a file,
// through a real pipe, in every mode of both roads. The pipes and the shell
// lines are POSIX ones: on Windows the same spool is left to the tool's own
// run of the answers comparison.
#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "stdin_spool.h"
#include "support/test_support.h"

namespace {

using vantrel_test::TempDir;

// Everything in the spool file read through its descriptor.
std::string ReadAll(int fd) {
  std::string data;
  char buffer[65536];
  for (off_t at = 0;;) {
    const ssize_t n = pread(fd, buffer, sizeof buffer, at);
    if (n <= 0) break;
    data.append(buffer, static_cast<size_t>(n));
    at += n;
  }
  return data;
}

TEST(StdinSpool, CopiesAPipeWholeIntoAFileWithoutAName) {
  // Larger than the copy buffer and the pipe's own, written while read.
  std::string job = "%!PS-Adobe-3.0\n" + vantrel_test::Filler(3 << 20);
  job += std::string("\0\xff\r\n", 4);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    size_t done = 0;
    while (done < job.size()) {
      const ssize_t n = write(fds[1], job.data() + done, job.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fds[1]);
  });
  TempDir dir;
  vantrel_test::ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  vantrel_cli::StdinSpool spool;
  std::string error;
  ASSERT_TRUE(spool.Fill(fds[0], error)) << error;
  writer.join();
  close(fds[0]);
  EXPECT_EQ(ReadAll(spool.fd()), job);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  // A closed input is refused before any spool is made.
  EXPECT_FALSE(spool.Fill(fds[0], error));
  EXPECT_EQ(error, "cannot read standard input: Bad file descriptor");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

#if defined(VANTREL_CLI_PATH)

struct Tool {
  int status;
  std::string out;
};

// Runs a shell command line; `{}` in it stands for the tool.
Tool Shell(std::string command) {
  const std::string tool = std::string("'") + VANTREL_CLI_PATH + "'";
  for (size_t at; (at = command.find("{}")) != std::string::npos;) {
    command.replace(at, 2, tool);
  }
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    out.append(buffer, n);
  }
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Replace(std::string text, const std::string& from,
                    const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos;) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

TEST(CliStdin, AnswersAsTheFileDoesInEveryModeOfBothRoads) {
  TempDir dir;
  // Header and trailer far apart, so that head, tail and both differ.
  const std::string atend =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Title: (Pipe job)\n"
      "%%Pages: 3\n%%EndComments\n" +
      vantrel_test::Filler(600000) +
      "%%Trailer\n%%BoundingBox: 0 0 612 792\n%%EOF\n";
  const std::string header_box =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 10 20 300 400\n%%EndComments\n" +
      vantrel_test::Filler(200000) + "%%EOF\n";
  const std::string dos_eps = vantrel_test::DosEps(
      "", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 50\n%%EndComments\n",
      std::string(5000, '\x01'));
  const std::string pdf = "%PDF-1.7\n%%BoundingBox: 0 0 1 1\n";
  const char* const kRuns[] = {
      "rules --json",          "rules --json --skip 3",
      "pairs --json",          "pairs --json --mode head",
      "pairs --json --mode tail", "pairs --json --mode both --unit pt",
      "pairs --json --mode 0", "pairs --json --no-bbox",
      "pairs",                 "rules",
      "pages --json",          "pages",
      "check --json",
  };
  for (const auto& job : {atend, header_box, dos_eps, pdf}) {
    const std::string path = dir.Write("job.ps", job);
    for (const char* run : kRuns) {
      const Tool file = Shell("{} " + std::string(run) + " '" + path + "' 2>/dev/null");
      const Tool piped =
          Shell("cat '" + path + "' | {} " + std::string(run) + " - 2>/dev/null");
      EXPECT_EQ(piped.status, file.status) << run << "\n" << file.out;
      EXPECT_EQ(piped.out, Replace(file.out, path, "-")) << run;
      EXPECT_NE(file.out.find(path), std::string::npos) << run;
    }
  }
}

TEST(CliStdin, DexTicketsAreNamedAfterTheDash) {
  TempDir dir;
  const std::string out = dir.path() + "/out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  const Tool r = Shell(
      "printf '%%!PS-Adobe-3.0\\n%%%%BeginDexJTData: 12\\n<JobTicket/>\\n' | "
      "KALOUTPUT= {} rules --json --dex-dir '" + out + "' -");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("{\"file\":\"-\",\"scan\":\"ok\""), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"value\":\"" + out + "/-_0.dexxml\""),
            std::string::npos)
      << r.out;
  EXPECT_EQ(TempDir::Read(out + "/-_0.dexxml"), "<JobTicket/>");
}

TEST(CliStdin, IsReadOnceHoweverOftenNamedAndLeavesNoSpool) {
  TempDir dir;
  const Tool r = Shell("printf '%%!PS-Adobe-3.0\\n%%%%BoundingBox: 0 0 72 72\\n' "
                       "| TMPDIR='" + dir.path() + "' {} pairs --json - -");
  EXPECT_EQ(r.status, 0);
  const size_t line = r.out.find('\n');
  ASSERT_NE(line, std::string::npos);
  EXPECT_EQ(r.out.substr(line + 1), r.out.substr(0, line + 1));
  EXPECT_NE(r.out.find("\"value\":\"25.400000\""), std::string::npos) << r.out;
  EXPECT_EQ(Shell("ls -A '" + dir.path() + "'").out, "");
}

// Standard input that cannot be spooled fails that FILE only, with its
// record in every output form and the reason on stderr.
TEST(CliStdin, AFileThatCannotBeSpooledStillGetsItsRecord) {
  TempDir dir;
  const std::string path =
      dir.Write("a.ps", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 72 72\n");
  const std::string no_tmp =
      "cannot create a temporary file in /nonexistent/vantrel/: No such file "
      "or directory";
  const std::string closed = "cannot read standard input: Bad file descriptor";
  const struct {
    const char* input;  // the shell's redirection of standard input
    const char* tmpdir;
    std::string reason;
  } kCases[] = {
      {"< /dev/null", "/nonexistent/vantrel", no_tmp},
      {"<&-", "/tmp", closed},
  };
  for (const auto& c : kCases) {
    const std::string run = "TMPDIR=" + std::string(c.tmpdir) + " {} pairs ";
    const std::string files = " - '" + path + "' " + c.input;
    const Tool json = Shell(run + "--json" + files + " 2>/dev/null");
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out.substr(0, json.out.find('\n') + 1),
              "{\"file\":\"-\",\"scan\":\"failed\",\"error\":\"" + c.reason +
                  "\",\"pairs\":[]}\n")
        << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2);
    const Tool text = Shell(run + files + " 2>/dev/null");
    EXPECT_EQ(text.out.rfind("-: failed (" + c.reason + ")\n  (no pairs)\n\n" +
                                 path + ": ok\n",
                             0),
              0u)
        << text.out;
    EXPECT_EQ(Shell(run + files + " 2>&1 >/dev/null").out,
              "vantrel: -: " + c.reason + "\n");
  }
}

// However the tool ends while it reads standard input, or while a reader
// that went away leaves it writing, the spool folder is left empty.
TEST(CliStdin, SignalsAndClosedReadersLeaveNoSpool) {
  TempDir dir;
  const std::string job = dir.Write(
      "job.ps", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 72 72\n%%EndComments\n" +
                    vantrel_test::Filler(1 << 20));
  const std::string spool = dir.path() + "/spool";
  ASSERT_EQ(mkdir(spool.c_str(), 0700), 0);
  const std::string tmpdir = "TMPDIR='" + spool + "' ";
  const std::string kRuns[] = {
      // Still reading: the writer keeps the pipe open.
      "(cat '" + job + "'; sleep 3) | " + tmpdir +
          "timeout -s INT 1 {} pairs -",
      "(cat '" + job + "'; sleep 3) | " + tmpdir +
          "timeout -s TERM 1 {} rules -",
      // The reader leaves after the first line.
      "cat '" + job + "' '" + job + "' | " + tmpdir + "{} rules - - | head -1",
  };
  for (const std::string& run : kRuns) {
    Shell(run + " >/dev/null 2>&1");
    EXPECT_TRUE(std::filesystem::is_empty(spool)) << run;
  }
}

#endif  // VANTREL_CLI_PATH

}  // namespace

#endif  // !_WIN32
