// The page-index family, through the pages road on jobs in memory: what each
// page and the job as a whole report.
#include "handlers/page_index.h"

#include <gtest/gtest.h>

#include <string>

#include "entry/pages_road.h"
#include "output/pages_json.h"
#include "support/test_support.h"

namespace {

using vantrel::PageRecord;
using vantrel::PageReport;
using vantrel::PagesJson;

PageReport Scan(const std::string& text, int* status = nullptr) {
  vantrel::Job job;
  job.in_memory = true;
  job.data = text.data();
  job.size = text.size();
  job.name = "job.ps";
  PageReport report;
  const int s = vantrel::RunPagesRoad(job, report);
  if (status != nullptr) *status = s;
  return report;
}

// The JSON of one page, without its byte range (tested on its own).
std::string PageDump(PageRecord page) {
  page.offset = page.length = 0;
  PageReport one;
  one.pages.push_back(page);
  std::string json = PagesJson("", 0, one);
  json.erase(json.find(",\"offset\":0,\"length\":0"), 22);
  const size_t begin = json.find("\"label\"");
  return json.substr(begin, json.find("}],\"media\":[]") - begin);
}

std::string PagesDump(const PageReport& report) {
  std::string dump;
  for (const PageRecord& page : report.pages) {
    if (!dump.empty()) dump += " | ";
    dump += PageDump(page);
  }
  return dump;
}

// The job's keys, from "media" on.
std::string JobDump(const PageReport& report) {
  const std::string json = PagesJson("", 0, report);
  return json.substr(json.find("],\"media\":") + 2);
}

const std::string kHead = "%!PS-Adobe-3.0\n%%Pages: 2\n%%EndComments\n";

TEST(PageIndex, ReadsEachPagesOwnComments) {
  static const struct {
    const char* name;
    std::string text;
    const char* pages;
  } kCases[] = {
      {"labels",
       kHead + "%%Page: (iii) 3\n%%Page: (Cover page) x\n%%Page: ?\n"
               "%%Page: (a)(b) 12\n%%Page: (open label 4\n",
       R"j("label":"iii","ordinal":3,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"Cover page","ordinal":null,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"?","ordinal":null,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"(a)(b)","ordinal":12,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"open label 4","ordinal":null,"bbox":null,"media":null,"orientation":null,"features":[])j"},
      {"own, setup and defaults",
       "%!PS-Adobe-3.0\n%%EndComments\n%%BeginDefaults\n"
       "%%PageBoundingBox: 0 0 595 842\n%%PageMedia: A4\n"
       "%%PageOrientation: Portrait\n%%EndDefaults\n"
       "%%Page: 1 1\n%%PageMedia: (Letter Small)\n%%BeginPageSetup\n"
       "%%PageBoundingBox: -1 2 300.5 4e2\n%%PageOrientation: LANDSCAPE\n"
       "%%EndPageSetup\n%%Page: 2 2\n",
       R"j("label":"1","ordinal":1,"bbox":[-1,2,300.5,400],"media":"Letter Small","orientation":"Landscape","features":[] | )j"
       R"j("label":"2","ordinal":2,"bbox":[0,0,595,842],"media":"A4","orientation":"Portrait","features":[])j"},
      {"atend from the page trailer, first value kept",
       kHead + "%%Page: 1 1\n%%PageBoundingBox: (atend)\n%%PageMedia: A3\n"
               "%%PageMedia: A5\n%%PageTrailer\n%%PageBoundingBox: 0 0 10 20\n"
               "%%PageMedia: A6\n%%PageOrientation: seascape\n",
       R"j("label":"1","ordinal":1,"bbox":[0,0,10,20],"media":"A3","orientation":"Seascape","features":[])j"},
      {"unreadable values skipped",
       kHead + "%%Page: 1 1\n%%PageBoundingBox: 0 0 nan 20\n"
               "%%PageOrientation: sideways\n%%Page: 2 2\n%%PageBoundingBox: 0 "
               "0 5\n",
       R"j("label":"1","ordinal":1,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"2","ordinal":2,"bbox":null,"media":null,"orientation":null,"features":[])j"},
      {"a feature in a page is the page's",
       kHead + "%%BeginSetup\n%%BeginFeature: *PageSize A4\n%%EndFeature\n"
               "%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\n"
               "%%BeginFeature: *Duplex DuplexTumble\n%%EndFeature\n"
               "%%IncludeFeature: *InputSlot Upper\n%%EndPageSetup\n",
       R"j("label":"1","ordinal":1,"bbox":null,"media":null,"orientation":null,"features":["*Duplex DuplexTumble","*InputSlot Upper"])j"},
      {"embedded pages and remarks are not the job's",
       kHead + "% Page prefeed\n%%Page: 1 1\n%%BeginDocument: a.eps\n"
               "%!PS-Adobe-3.0 EPSF-3.0\n%%Page: 1 1\n%%PageMedia: B5\n"
               "%%Trailer\n%%EndDocument\n%%PageMedia: A4\n",
       R"j("label":"1","ordinal":1,"bbox":null,"media":"A4","orientation":null,"features":[])j"},
      {"a page after the trailer",
       kHead + "%%Page: 1 1\n%%Trailer\n%%Page: 2 2\n",
       R"j("label":"1","ordinal":1,"bbox":null,"media":null,"orientation":null,"features":[] | )j"
       R"j("label":"2","ordinal":2,"bbox":null,"media":null,"orientation":null,"features":[])j"},
      {"no pages", kHead + "showpage\n%%Trailer\n", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(PagesDump(Scan(c.text)), c.pages) << c.name;
  }
}

TEST(PageIndex, ReadsTheJobsMediaRequirementsAndResources) {
  static const struct {
    const char* name;
    std::string text;
    const char* job;
  } kCases[] = {
      {"nothing said", kHead,
       R"j("media":[],"requirements":[],"duplex":null,"collate":null,"language_level":null,"for":null,"process_colors":[],"resources":{"needed":[],"supplied":[]}})j"},
      {"header values with continuations",
       "%!PS-Adobe-3.0\n%%For: (jsmith)\n%%LanguageLevel: 2\n"
       "%%DocumentMedia: A4 595 842 75 white ()\n%%+ (US Letter) 612 792 0.5 "
       "() Plain\n"
       "%%+ Broken 612 wide\n%%Requirements: numcopies(2) collate\n"
       "%%+ duplex(tumble)\n%%DocumentProcessColors: Cyan Magenta\n%%+ Yellow "
       "Black\n"
       "%%DocumentNeededResources: font Times-Roman Courier\n%%+ procset grops "
       "1.22 4\n"
       "%%DocumentNeededFonts: Courier Symbol\n%%DocumentSuppliedFonts: CMR10\n"
       "%%EndComments\n",
       R"j("media":[{"name":"A4","width":595,"height":842,"weight":75,"color":"white","type":""},)j"
       R"j({"name":"US Letter","width":612,"height":792,"weight":0.5,"color":"","type":"Plain"}],)j"
       R"j("requirements":["numcopies(2)","collate","duplex(tumble)"],"duplex":"short-edge","collate":true,)j"
       R"j("language_level":2,"for":"jsmith","process_colors":["Cyan","Magenta","Yellow","Black"],)j"
       R"j("resources":{"needed":["font Times-Roman","font Courier","procset grops 1.22 4","font Symbol"],"supplied":["font CMR10"]}})j"},
      {"setup features win over the requirements",
       "%!PS-Adobe-3.0\n%%Requirements: duplex "
       "collate\n%%EndComments\n%%BeginSetup\n"
       "%%BeginFeature: *Duplex None\n%%EndFeature\n"
       "%%IncludeFeature: *Collate False\n%%EndSetup\n%%Page: 1 1\n"
       "%%BeginFeature: *Duplex DuplexTumble\n%%EndFeature\n",
       R"j("media":[],"requirements":["duplex","collate"],"duplex":"none","collate":false,"language_level":null,"for":null,"process_colors":[],"resources":{"needed":[],"supplied":[]}})j"},
      {"older duplex and tumble switches",
       "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n%%BeginFeature: *Tumble "
       "True\n"
       "%%EndFeature\n%%BeginFeature: *Duplex True\n%%EndFeature\n%%EndSetup\n",
       R"j("media":[],"requirements":[],"duplex":"short-edge","collate":null,"language_level":null,"for":null,"process_colors":[],"resources":{"needed":[],"supplied":[]}})j"},
      {"atend values from the trailer, embedded ones ignored",
       "%!PS-Adobe-3.0\n%%Requirements: (atend)\n%%DocumentNeededResources: "
       "(atend)\n"
       "%%LanguageLevel: 3\n%%EndComments\n%%Page: 1 1\n%%BeginDocument: "
       "a.eps\n"
       "%!PS-Adobe-3.0 EPSF-3.0\n%%DocumentNeededResources: font "
       "Other\n%%EndDocument\n"
       "%%Trailer\n%%Requirements: duplex\n%%DocumentNeededResources: font "
       "Times-Roman\n"
       "%%+ font Courier\n%%LanguageLevel: 1\n%%For: late\n",
       R"j("media":[],"requirements":["duplex"],"duplex":"long-edge","collate":null,"language_level":3,"for":"late","process_colors":[],"resources":{"needed":["font Times-Roman","font Courier"],"supplied":[]}})j"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(JobDump(Scan(c.text)), c.job) << c.name;
  }
}

}  // namespace
