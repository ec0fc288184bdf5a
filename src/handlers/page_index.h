// The page index: the job's pages with their byte ranges and page comments,
// the media it asks for, its requirements and features, its language level,
// owner, process colours and resources. The comments of the pages road.
//
// Only the job's own document speaks: comments inside embedded documents and
// resources (m_documentDepth > 0, kept by the structure set, which must be
// registered first) give nothing. Values a header defers with "(atend)" are
// taken from the trailer, and page values from the page trailer.
#ifndef VANTREL_HANDLERS_PAGE_INDEX_H_
#define VANTREL_HANDLERS_PAGE_INDEX_H_

#include <cstdint>
#include <string>
#include <unordered_set>

#include "handlers/comment_handler.h"
#include "output/page_report.h"

struct ParserContext;

namespace vantrel {

// What the family carries from one comment to the next, beside the report
// it fills. One per parse (HandlerState::pageIndex).
struct PageIndexState {
  PageReport report;

  // The last page's length is not known yet.
  bool pageOpen = false;
  // Between "PageTrailer" and the next page or the trailer.
  bool inPageTrailer = false;
  // Between "BeginDefaults" and "EndDefaults".
  bool inDefaults = false;
  // The open page deferred these to its page trailer ("(atend)").
  bool bboxAtEnd = false;
  bool mediaAtEnd = false;
  bool orientationAtEnd = false;

  // The values of the defaults section, for the pages that give none.
  Maybe<std::array<double, 4>> defaultBbox;
  Maybe<std::string> defaultMedia;
  const char* defaultOrientation = nullptr;  // static text

  // Job values, one bit per keyword (its param): taken, or deferred to the
  // trailer by "(atend)".
  uint32_t jobTaken = 0;
  uint32_t jobDeferred = 0;
  // The keyword (param) whose "%%+" lines go on feeding its list; 0: none.
  long continuing = 0;
  // The resource type of the last resource line, for continuation lines
  // that name only further fonts.
  std::string resourceType;
  // The resources listed so far, so that a resource named twice (or both as
  // a resource and as a font) is listed once.
  std::unordered_set<std::string> neededSeen;
  std::unordered_set<std::string> suppliedSeen;

  // Duplex and collate as the job's setup features and its requirements
  // say them; combined when the scan ends (features win).
  Maybe<Duplex> featureDuplex;
  Maybe<bool> featureDuplexOn;  // "*Duplex True|False"
  Maybe<bool> featureTumble;    // "*Tumble True|False"
  Maybe<bool> featureCollate;
  Maybe<Duplex> requirementDuplex;
  Maybe<bool> requirementCollate;
};

// Empties the parse's page index state (HandlerState::pageIndex, which the
// caller made), then registers the family's keywords, no user data.
void RegisterPageIndexSet(ParserContext* context);

// Ends the report once the scan is over: the last open page runs to
// `job_end` (the end of the job's PostScript: the file's end, or the end of
// a DOS EPS file's PostScript section), pages without a value take the
// defaults, duplex and collate are settled.
void FinishPageIndex(PageIndexState& state, int64_t job_end);

// The handlers (CommentHandler protocol; user data: the PageIndexState).
// All answer 0. Each reads no further than the comment's own line.
VANTREL_COMMENT_HANDLER(PageIndexPage);
VANTREL_COMMENT_HANDLER(PageIndexSection);
VANTREL_COMMENT_HANDLER(PageIndexPageValue);
VANTREL_COMMENT_HANDLER(PageIndexFeature);
VANTREL_COMMENT_HANDLER(PageIndexJobValue);

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_PAGE_INDEX_H_
