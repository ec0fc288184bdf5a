// One file, one answer: the RIP road and the job-ticket road report the same
// crop, and a head+tail scan reports what the whole-file scan does when the
// box is in the header or announced there by "(atend)".
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/scanner.h"
#include "support/test_support.h"
#include "vantrel/vantrel.h"

namespace {

using vantrel_test::Filler;
using vantrel_test::PairsCrop;
using vantrel_test::RulesCrop;
using vantrel_test::TempDir;

// The head, head+tail and whole-file scans of the RIP road give `points`
// ("" for no crop), and both roads give one crop.
void ExpectOneCrop(const char* name, const std::string& text,
                   const char* points) {
  TempDir dir;
  const std::string path = dir.Write("job.ps", text);
  for (int mode : {1, 3, 15}) {
    EXPECT_EQ(PairsCrop(path, mode, 'P'), points) << name << mode;
  }
  EXPECT_EQ(PairsCrop(path, 15, 'M'), RulesCrop(path)) << name;
}

TEST(Roads, BothRoadsTakeTheBoxFromTheJobsOwnHeaderOrTrailer) {
  const std::string kEps =
      "%%BeginDocument: logo.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
      "%%BoundingBox: 251 331 371 512\n%%EndComments\n" +
      Filler(300) + "%%EndDocument\n";
  static const struct {
    const char* name;
    std::string text;
    const char* points;  // crop in points, "" for none; head and head+tail
                         // scans give it too
  } kCases[] = {
      {"header box",
       "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 595 842\n"
       "%%EndComments\n" +
           Filler(20000) + "%%Trailer\n%%EOF\n",
       "595.000000x842.000000+0.000000+0.000000"},
      {"embedded graphic, no job box",
       "%!PS-Adobe-3.0\n%%Pages: 1\n"
       "%%EndComments\n%%Page: 1 1\n" +
           Filler(5000) + kEps + Filler(10000) + "%%Trailer\n%%EOF\n",
       ""},
      {"atend with a page box in the body",
       "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n%%Page: 1 1\n"
       "%%PageBoundingBox: 0 0 111 222\n" +
           Filler(20000) + "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n",
       "300.000000x400.000000+10.000000+20.000000"},
      {"box in the body",
       "%!PS-Adobe-3.0\n%%EndComments\n"
       "%%BoundingBox: 0 0 100 100\n" +
           Filler(20000) + "%%Trailer\n%%EOF\n",
       ""},
      {"embedded graphic before the job box",
       "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" + kEps +
           Filler(20000) + "%%Trailer\n%%BoundingBox: 0 0 612 792\n",
       "612.000000x792.000000+0.000000+0.000000"},
  };
  for (const auto& c : kCases) ExpectOneCrop(c.name, c.text, c.points);
  // groff wrote this job around an included EPS logo and gave it no box of
  // its own: the logo's box is not the page's crop.
  const std::string groff = VANTREL_SOURCE_DIR "/tests/data/groff_logo.ps";
  for (int mode : {1, 2, 3, 15}) EXPECT_EQ(PairsCrop(groff, mode, 'P'), "");
  EXPECT_EQ(RulesCrop(groff), "");
}

TEST(Roads, DosEpsLimitsCountWithinThePostScriptSection) {
  const std::string kPostScript =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" +
      Filler(20000) + "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n";
  const std::string kHeaderBox =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 50 60\n%%EndComments\n" +
      Filler(20000) + "%%EOF\n";
  // A preview full of line ends and comment look-alikes.
  std::string preview;
  while (preview.size() < 40000) preview += "II*\n%%BoundingBox: 0 0 1 1\n";
  vantrel_test::TempDir dir;
  for (bool before : {false, true}) {
    for (bool atend : {false, true}) {
      const std::string path = dir.Write(
          "art.eps", vantrel_test::DosEps(before ? preview : "",
                                          atend ? kPostScript : kHeaderBox,
                                          before ? "" : preview));
      for (int mode : {1, 3, 15}) {
        EXPECT_EQ(PairsCrop(path, mode, 'P'),
                  atend ? "300.000000x400.000000+10.000000+20.000000"
                        : "50.000000x60.000000+0.000000+0.000000")
            << "preview before " << before << ", atend " << atend << ", mode "
            << mode;
      }
    }
  }
}

// Padding moves every comment of a job across the head pass's examined end
// (3096), its chunk end (4096), the tail pass's start (the last 8192 bytes),
// and the end of a whole-file chunk: the answers stay the same.
TEST(Roads, AnswersDoNotDependOnWhereChunksAndPassesBegin) {
  const std::string kHeader =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Pages: 1\n%%EndComments\n";
  const std::string kPage =
      "%%Page: 1 1\n%%PageBoundingBox: 0 0 111 222\n"
      "%%BeginDocument: art.eps\n%%BoundingBox: 1 1 5 5\n%%EndDocument\n"
      "%%BeginData: 150 Binary Bytes\n" +
      std::string(60, 'D') + "\n%%BoundingBox: 7 7 8 8\n" +
      std::string(64, 'D') + "\n%%EndData\n";
  const std::string kTrailer =
      "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n";
  const char* const kExpected = "300.000000x400.000000+10.000000+20.000000";
  vantrel_test::TempDir dir;
  std::string failures;
  // Head alone reads the trailer too: the header announced the box.
  auto check = [&](const std::string& text, size_t padding, bool partial) {
    const std::string path = dir.Write("job.ps", text);
    std::string wrong;
    for (int mode : {1, 3, 15}) {
      if (mode != 15 && !partial) continue;
      const std::string crop = PairsCrop(path, mode, 'P');
      if (crop != kExpected)
        wrong += " mode " + std::to_string(mode) + " " + crop;
    }
    if (PairsCrop(path, 15, 'M') != RulesCrop(path)) wrong += " roads differ";
    if (!wrong.empty()) failures += std::to_string(padding) + wrong + "\n";
  };
  // The page and trailer cross the head's end and the tail's start, in files
  // where the tail pass goes on from the head pass and where they overlap.
  for (size_t padding = 3000; padding < 12600; padding += 7) {
    check(kHeader + Filler(padding) + kPage + kTrailer, padding, true);
    // A Helios font inclusion turns the rest of the scan into a whole-file
    // pass, which must still take the box the header announced.
    check(kHeader + "%%HeliosIncludeFont: Times\n" + Filler(padding) + kPage +
              kTrailer,
          padding, true);
  }
  // Each comment of the page and the trailer in turn crosses a whole-file
  // chunk's end.
  const size_t end = vantrel::kWholeFileReadSize;
  for (size_t padding = end - 540; padding < end + 60; padding += 3) {
    std::string text =
        kHeader + std::string(padding, 'x') + "\n" + kPage + kTrailer;
    check(text, padding, false);
  }
  EXPECT_EQ(failures, "");
}

// What comes inside a font, procset, file, resource or picture block, its
// own "%!" line, header end and trailer included, neither ends, nor reopens,
// nor closes the job's header, in every mode. Blocks of mixed kinds nest and
// balance; a tail pass after a head pass that stopped inside a block reads
// the job's own trailer.
TEST(Roads, EmbeddedBlocksNeitherEndNorReopenTheJobsHeader) {
  const std::string kAtEnd =
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n";
  const std::string kTrailer =
      "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n";
  const char* const kJobBox = "300.000000x400.000000+10.000000+20.000000";
  const std::string kFont =
      "%%BeginFont: F\n%!PS-AdobeFont-1.0: F 001\n%%Title: F\n"
      "%%BoundingBox: 1 1 5 5\n%%EndComments\n" +
      Filler(400) + "%%EndFont\n";
  static const struct {
    const char* name;
    std::string text;
    const char* points;
  } kCases[] = {
      {"procset across the head's end",
       kAtEnd +
           "%%BeginProlog\n"
           "%%BeginResource: procset big 1 0\n%!PS-Adobe-3.0 Resource-ProcSet\n"
           "%%EndComments\n" +
           Filler(20000) + "%%EndResource\n%%EndProlog\n" + Filler(9000) +
           kTrailer,
       kJobBox},
      {"mixed kinds",
       kAtEnd +
           "%%BeginDocument: a.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
           "%%EndComments\n" +
           kFont +
           "%%BeginFile: x\n%%BeginProcSet: p\n"
           "%%EndProcSet\n%%EndFile\n%%EndDocument\n%%BeginResource: r\n"
           "%%EndProcSet\n" +
           Filler(20000) + kTrailer,
       kJobBox},
      {"a picture's trailer",
       "%!PS-Adobe-3.0\n%%EndComments\n"
       "%%BeginDocument: a.eps\n%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n"
       "%%Trailer\n%%BoundingBox: 1 1 5 5\n%%EndDocument\n"
       "%%BoundingBox: 0 0 50 50\n" +
           Filler(20000) + "%%EOF\n",
       ""},
      {"a font after the header",
       "%!PS-Adobe-3.0\n%%EndComments\n"
       "%!PS-AdobeFont-1.0: F 001\n%%BoundingBox: 0 0 9 9\n" +
           Filler(20000),
       ""},
      {"a font left open",
       kAtEnd +
           "%%BeginFont: F\n%!PS-AdobeFont-1.0: F 001\n"
           "%%EndComments\n" +
           Filler(20000) + kTrailer,
       kJobBox},
      {"a font in the trailer",
       "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n"
       "%%EndComments\n" +
           Filler(20000) + "%%Trailer\n" + kFont +
           "%%BoundingBox: 10 20 310 420\n",
       kJobBox},
  };
  for (const auto& c : kCases) ExpectOneCrop(c.name, c.text, c.points);
  // Producers' jobs with fonts and pictures: every mode that reads the
  // header answers as the whole file does.
  for (const char* file :
       {"groff_pictures.ps", "dvips_fonts.ps", "pdftops_fonts.ps", "paps.ps"}) {
    const std::string path =
        std::string(VANTREL_SOURCE_DIR "/tests/data/") + file;
    const std::string whole = PairsCrop(path, 15, 'P');
    for (int mode : {1, 3})
      EXPECT_EQ(PairsCrop(path, mode, 'P'), whole) << file;
    EXPECT_EQ(PairsCrop(path, 15, 'M'), RulesCrop(path)) << file;
    const auto facts = [&](int mode) {
      return vantrel_test::Pick(
          vantrel_test::ScanJob(TempDir::Read(path), mode),
          {"Title:", "CreationDate:", "NumPages:"});
    };
    for (int mode : {1, 3}) EXPECT_EQ(facts(mode), facts(15)) << file << mode;
  }
}

// Windows drivers start each job with a Ctrl-D; a PJL header may stand
// before the job too. The job answers as it would without either, in every
// mode and on both roads.
TEST(Roads, LeadingCtrlDAndPjlHeadersAreSteppedOver) {
  const std::string kPjl =
      "\x1b%-12345X@PJL JOB NAME=\"Report\"\r\n@PJL ENTER "
      "LANGUAGE=POSTSCRIPT\r\n";
  const std::string kJobs[] = {
      "%!PS-Adobe-3.0\n%%Title: Report\n%%BoundingBox: 0 0 612 792\n"
      "%%Pages: 2\n%%EndComments\n" +
          Filler(20000) + "%%EOF\n",
      "%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%EndComments\n" +
          Filler(20000) + "%%Trailer\n%%BoundingBox: 10 20 310 420\n%%EOF\n",
  };
  const char* const kPoints[] = {"612.000000x792.000000+0.000000+0.000000",
                                 "300.000000x400.000000+10.000000+20.000000"};
  vantrel_test::TempDir dir;
  for (int j = 0; j < 2; ++j) {
    const std::string plain = vantrel_test::ScanJob(kJobs[j]);
    for (const std::string& lead :
         {std::string("\x04"), std::string("\x04\x04\x04"),
          std::string(5000, '\x04'), kPjl, "\x04" + kPjl}) {
      const std::string name = std::to_string(j) + " after " +
                               std::to_string(lead.size()) + " bytes";
      const std::string path = dir.Write("job.ps", lead + kJobs[j]);
      for (int mode : {1, 3, 15}) {
        EXPECT_EQ(PairsCrop(path, mode, 'P'), kPoints[j]) << name << mode;
      }
      EXPECT_EQ(PairsCrop(path, 15, 'M'), RulesCrop(path)) << name;
      EXPECT_EQ(vantrel_test::ScanJob(lead + kJobs[j]), plain) << name;
    }
  }
  // A PDF file that starts with a Ctrl-D is refused in every mode.
  const std::string pdf =
      dir.Write("doc.pdf", "\x04%PDF-1.4\n" + std::string(20000, 'x') + "\n");
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  for (int mode : {1, 2, 3, 15}) {
    _tPairProperty* pairs = nullptr;
    int count = 0;
    rip->ParseToPairs(pdf.c_str(), pairs, count, 1, mode, 'P');
    delete[] pairs;
    EXPECT_EQ(rip->GetLastScanStatus(), VANTREL_SCAN_PDF_REFUSED) << mode;
  }
}

// A host whose toolkit set a decimal-comma locale gets the crop of the C
// locale on both roads; the RIP road reads the stored text back as a number.
TEST(Roads, CropIsTheSameInADecimalCommaLocale) {
  vantrel_test::TempDir dir;
  const std::string job = dir.Write(
      "job.ps",
      "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612.5 792\n%%EndComments\n");
  const std::string kPoints = "612.500000x792.000000+0.000000+0.000000";
  const std::string kRules = "216.076385x279.399994+0.000000+0.000000";
  EXPECT_EQ(PairsCrop(job, 15, 'P'), kPoints);
  EXPECT_EQ(PairsCrop(job, 15, 'M'), kRules);
#if defined(_WIN32)
  const char kLocale[] = "German_Germany.1252";  // Windows names its locales so
#else
  const char kLocale[] = "de_DE.UTF-8";
#endif
  vantrel_test::ScopedLocale locale(kLocale);
  if (!locale.ok()) GTEST_SKIP() << "locale " << kLocale << " not available";
  EXPECT_EQ(PairsCrop(job, 15, 'P'), kPoints);
  EXPECT_EQ(PairsCrop(job, 15, 'M'), kRules);
  EXPECT_EQ(RulesCrop(job), kRules);
}

}  // namespace

namespace {

// An EPS file is one page on the RIP road, in every mode that reads its "%!"
// line, whether or not the box comments are read.
TEST(Roads, AnEpsFileIsOnePageInEveryMode) {
  TempDir dir;
  const std::string path = dir.Write(
      "logo.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n" +
                      Filler(20000) + "%%EOF\n");
  std::unique_ptr<CRipBaseParserIF> rip(RipCreateParserObject());
  for (int bbox : {0, 1}) {
    for (int mode : {1, 3, 15}) {
      _tPairProperty* pairs = nullptr;
      int count = 0;
      rip->ParseToPairs(path.c_str(), pairs, count, bbox, mode, 'P');
      std::string pages = "none";
      for (int i = 0; i < count; ++i) {
        if (std::string(pairs[i].propName) == "NumPages") {
          pages = pairs[i].propValue;
        }
      }
      delete[] pairs;
      EXPECT_EQ(pages, "1") << "mode " << mode << " bbox " << bbox;
    }
  }
}

}  // namespace

namespace {

// A DEX job ticket's bytes are data on both roads: comment lines inside it
// neither end the header nor give the job a box.
TEST(Roads, DexTicketBytesAreDataOnBothRoads) {
  ExpectOneCrop("trailer and box in a ticket",
                "%%BeginDexJTData: 9\n%%Trailer\n%%BoundingBox: 0 0 612 792\n",
                "");
  ExpectOneCrop("box in a ticket in the header",
                "%!PS-Adobe-3.0\n%%BeginDexJTData: 25\n"
                "%%BoundingBox: 0 0 10 10\n%%BoundingBox: 0 0 612 792\n"
                "%%EndComments\n",
                "612.000000x792.000000+0.000000+0.000000");
}

}  // namespace
