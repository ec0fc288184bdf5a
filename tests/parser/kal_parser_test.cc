#include "vantrel/kal_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "handlers/handler_state.h"
#include "store/property_map.h"
#include "support/test_support.h"

namespace {

TEST(KalParser, HostKeywordsStoreTheRestOfTheLine) {
  vantrel_test::TempDir dir;
  std::string path =
      dir.Write("job.ps",
                "%!PS\n%%For:  Jane Doe \r\n%%For: second\n%%Forward: no\n"
                "%%Routing: desk 4\n");
  CKalParser parser(path.c_str());
  {
    // The parser keeps its own copy of a host's keyword.
    std::string key = "For:";
    parser.AddComment(key.c_str(), 0, 0);
    key.assign("XXXX");
  }
  parser.AddComment("Rout", 0, 1);
  CRuleKalPropArrArray rules;
  EXPECT_EQ(parser.HandleFile(rules, 15), 1);
  EXPECT_EQ(
      vantrel_test::DumpPropertyMap(vantrel_test::StateOf(parser).properties),
      "For::STRING=second; Routing::STRING= desk 4; "
      "DocumentCustomColors:string#904=");
}

TEST(KalParser, FinishingStepsRunAfterAFailedScan) {
  CKalParser parser("/nonexistent/job.ps");
  parser.AddBoundingBox('P');
  vantrel::HandlerState& vars = vantrel_test::StateOf(parser).handlers;
  ParserBoundingBoxStruct& box = vars.boundingBox;
  box.upperX = 612;
  box.upperY = 792;
  box.rank = 1;
  vars.pageLabelFlag = 1;
  vars.pageCountValue = -2;
  CRuleKalPropArrArray rules;
  EXPECT_EQ(parser.HandleFile(rules, 15), 0);
  EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(vars.pageLabelFlag, -1);
  EXPECT_EQ(
      vantrel_test::DumpPropertyMap(vantrel_test::StateOf(parser).properties),
      "NumPages:long=0; CropWidth:FLOAT=612.000000; "
      "CropHeight:FLOAT=792.000000; "
      "CropWOffset:FLOAT=0.000000; CropHOffset:FLOAT=0.000000; "
      "Orientation:string#349=Portrait; DocumentCustomColors:string#904=");
}

TEST(KalParser, EachParserStartsFromTheLoadState) {
  // A parse that leaves values behind gives its state back; the next parser
  // starts from the load values all the same.
  {
    CKalParser first("unused.ps");
    vantrel::ParseState& state = vantrel_test::StateOf(first);
    vantrel::StoreProperty(state.properties, "Leftover", "STRING", 0, "x");
    state.handlers.pageCountValue = -2;
    std::strcpy(state.handlers.creatorText, "atend");
    state.handlers.pageLabels.Add("1 1", 3);
  }
  CKalParser parser("unused.ps");
  vantrel::ParseState& state = vantrel_test::StateOf(parser);
  EXPECT_EQ(state.properties.Count(), 0);
  EXPECT_EQ(state.handlers.pageCountValue, 0);
  EXPECT_STREQ(state.handlers.creatorText, "");
  EXPECT_EQ(state.handlers.pageLabels.pending(), 0u);
}

// A keyword that could not be registered or taken out for want of memory
// leaves the answer incomplete: the scan says so, once.
TEST(KalParser, AKeywordTableThatFailedMakesTheScanOutOfMemory) {
  vantrel_test::TempDir dir;
  const std::string path = dir.Write("job.ps", "%!PS\n%%Pages: 2\n");
  CKalParser parser(path.c_str());
  parser.AddPSRipComments();
  CKalParserAccess::Engine(parser)->tableFailed = true;
  CRuleKalPropArrArray rules;
  parser.HandleFile(rules, 15);
  EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_OUT_OF_MEMORY);
  parser.AddPSRipComments();
  parser.HandleFile(rules, 15);
  EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_OK);
}

}  // namespace
