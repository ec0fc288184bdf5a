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
  std::string path = dir.Write(
      "job.ps", "%!PS\n%%For:  Jane Doe \r\n%%For: second\n%%Forward: no\n"
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
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "For::STRING=second; Routing::STRING= desk 4; "
            "DocumentCustomColors:string#904=");
}

TEST(KalParser, FinishingStepsRunAfterAFailedScan) {
  CKalParser parser("/nonexistent/job.ps");
  parser.AddBoundingBox('P');
  ParserBoundingBoxStruct& box = vantrel::HandlerVars().boundingBox;
  box.upperX = 612;
  box.upperY = 792;
  box.rank = 1;
  vantrel::HandlerVars().pageLabelFlag = 1;
  vantrel::HandlerVars().pageCountValue = -2;
  CRuleKalPropArrArray rules;
  EXPECT_EQ(parser.HandleFile(rules, 15), 0);
  EXPECT_EQ(parser.GetScanStatus(), VANTREL_SCAN_NO_SUCH_FILE);
  EXPECT_EQ(vantrel::HandlerVars().pageLabelFlag, -1);
  EXPECT_EQ(vantrel_test::DumpPropertyMap(),
            "NumPages:long=0; CropWidth:FLOAT=612.000000; CropHeight:FLOAT=792.000000; "
            "CropWOffset:FLOAT=0.000000; CropHOffset:FLOAT=0.000000; "
            "Orientation:string#349=Portrait; DocumentCustomColors:string#904=");
}

TEST(KalParser, EachParserStartsFromTheLoadState) {
  vantrel::StoreProperty("Leftover", "STRING", 0, "x");
  vantrel::HandlerVars().pageCountValue = -2;
  std::strcpy(vantrel::HandlerVars().creatorText, "atend");
  CKalParser parser("unused.ps");
  EXPECT_EQ(vantrel::PropertyCount(), 0);
  EXPECT_EQ(vantrel::HandlerVars().pageCountValue, 0);
  EXPECT_STREQ(vantrel::HandlerVars().creatorText, "");
}

}  // namespace
