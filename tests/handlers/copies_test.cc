#include "handlers/copies.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace vantrel {
namespace {

using vantrel_test::ScanJob;

TEST(CopiesHandlers, FirstCountAboveOneInFileOrderWins) {
  const struct {
    std::string comments;
    std::string map;
  } kCases[] = {
      // clang-format off
      // "Requirements:" runs the count, then the raw term: the map keeps the
      // order in which they first stored.
      {"%%Requirements: numcopies(3) collate\n", "CopiesNumber:int#237=3; TB_Use_Num_Copies:int=3"},
      {"%%Requirements: (numcopies(4))\n",
       "CopiesNumber:int#237=4; TB_Use_Num_Copies:int=numcopies4"},
      {"%%RBINumCopies: 2\n%%BeginNonPPDFeature: NumCopies 5\n", "CopiesNumber:int#237=2"},
      {"%%RBINumCopies: 1\n%%RBINumCopies: 6\n%%RBINumCopies: 8\n", "CopiesNumber:int#237=6"},
      {"%%RBINumCopies: -2\n%%Requirements: numcopies 4\n",
       "CopiesNumber:int#237=4; TB_Use_Num_Copies:int="},
      {"%%RBINumCopies: 0\n%%RBINumCopies: x\n%%RBINumCopies: 99999999999\n", ""},
      // The number is on the comment's own line or nowhere.
      {"%%RBINumCopies:\n5 0 moveto\n", ""},
      {"%%BeginFeature:\n/#copies 7 def\n%%EndFeature\n", "CopiesNumber:int#237=7"},
      {"%%BeginFeature:\r/#copies 7 def\r%%EndFeature\r", "CopiesNumber:int#237=7"},
      {"%%BeginFeature:\r\n/#copies 7 def\r\n", ""},
      {"%%BeginFeature: *Copies\n/#copies 7 def\n", ""},
      // The raw term is looked for across line ends, 256 bytes far.
      {"%%Requirements: collate\n%%Other\n(x) numcopies(9)\n", "TB_Use_Num_Copies:int=x"},
      {"%%Requirements: numcopies\n", "TB_Use_Num_Copies:int="},
      {"%%Requirements: numcopies(", "TB_Use_Num_Copies:int="},
      {"%%Requirements: duplex\n%%Requirements: (numcopies(2)) collate\n"
       "%%Requirements: (punch)\n",
       "TB_Use_Num_Copies:int=punch; CopiesNumber:int#237=2"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScanJob("%!PS-Adobe-3.0\n" + c.comments), c.map + "\n")
        << c.comments;
  }
}

TEST(CopiesHandlers, ACountFixedByOneParseDoesNotBlockTheNext) {
  ScanJob("%!PS\n%%RBINumCopies: 5\n");
  EXPECT_EQ(ScanJob("%!PS\n%%RBINumCopies: 3\n"), "CopiesNumber:int#237=3\n");
}

}  // namespace
}  // namespace vantrel
