#include "handlers/page_index.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "engine/scan_record.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/number_text.h"

namespace vantrel {
namespace {

// The keywords, by the param of their entries. The job values keep a bit
// each in PageIndexState::jobTaken and jobDeferred.
enum Key : long {
  kPageBoundingBox = 1,
  kPageMedia,
  kPageOrientation,
  kPageTrailer,
  kTrailer,
  kBeginDefaults,
  kEndDefaults,
  kBeginFeature,
  kIncludeFeature,
  kRequirements,
  kDocumentMedia,
  kLanguageLevel,
  kFor,
  kProcessColors,
  kNeededResources,
  kSuppliedResources,
  kNeededFonts,
  kSuppliedFonts,
};

struct Registration {
  const char* key;
  CommentHandler handler;
  long param;
};

const Registration kRegistrations[] = {
    {"Page", PageIndexPage, 0},
    {"PageTrailer", PageIndexSection, kPageTrailer},
    {"Trailer", PageIndexSection, kTrailer},
    {"BeginDefaults", PageIndexSection, kBeginDefaults},
    {"EndDefaults", PageIndexSection, kEndDefaults},
    {"PageBoundingBox", PageIndexPageValue, kPageBoundingBox},
    {"PageMedia", PageIndexPageValue, kPageMedia},
    {"PageOrientation", PageIndexPageValue, kPageOrientation},
    {"BeginFeature", PageIndexFeature, kBeginFeature},
    {"IncludeFeature", PageIndexFeature, kIncludeFeature},
    {"Requirements", PageIndexJobValue, kRequirements},
    {"DocumentMedia", PageIndexJobValue, kDocumentMedia},
    {"LanguageLevel", PageIndexJobValue, kLanguageLevel},
    {"For", PageIndexJobValue, kFor},
    {"DocumentProcessColors", PageIndexJobValue, kProcessColors},
    {"DocumentNeededResources", PageIndexJobValue, kNeededResources},
    {"DocumentSuppliedResources", PageIndexJobValue, kSuppliedResources},
    {"DocumentNeededFonts", PageIndexJobValue, kNeededFonts},
    {"DocumentSuppliedFonts", PageIndexJobValue, kSuppliedFonts},
};

// The orientations a page may name, as the report spells them. Producers
// differ in letter case ("landscape", "PORTRAIT"), so any case is taken.
const char* const kOrientations[] = {"Portrait", "Landscape", "Seascape",
                                     "UpsideDown"};

// The resource types a resource line starts with. A continuation line that
// starts otherwise names further resources of the type before it.
const char* const kResourceTypes[] = {"font",    "file", "procset",
                                      "pattern", "form", "encoding"};

// Ordinals of more digits than this are not taken as numbers: they would not
// fit the report's integer.
constexpr size_t kOrdinalDigits = 18;

// The parse's page index state; null without one (a context without a
// parse state, or a road that did not ask for it).
PageIndexState* IndexStateOf(char* context) {
  auto* ctx = reinterpret_cast<ParserContext*>(context);
  if (ctx == nullptr || ctx->state == nullptr) return nullptr;
  return HandlerVars(context).pageIndex.get();
}

// The scanner also hands on comments written "% Page ..." (a2ps writes
// "% Page prefeed" in its prolog, a remark, not a page). This family takes
// only the structuring comments proper, "%%" right before the keyword, so
// that every page it reports starts with its "%%Page:" line.
bool IsDscComment(const char* comment_start) {
  return comment_start != nullptr && comment_start[1] == '%' &&
         !IsBlankByte(comment_start[2]);
}

// The family's state when the comment speaks for the job: a structuring
// comment outside every embedded document (whose pages and values are its
// own). Null otherwise.
PageIndexState* JobStateOf(char* context, const CommentStruct* record,
                           const char* comment_start) {
  PageIndexState* state = IndexStateOf(context);
  if (state == nullptr || record == nullptr || record->m_documentDepth > 0 ||
      !IsDscComment(comment_start)) {
    return nullptr;
  }
  return state;
}

// The comment's value up to its line end, without trailing blanks. The line
// is read no further than the bytes every chunking holds after the comment's
// start, so the answer does not depend on where a chunk ends.
std::string_view ValueLine(const char* context, const char* comment_start,
                           char* const* position) {
  if (position == nullptr || *position == nullptr) return {};
  const char* p = *position;
  const char* end = CommentWindowEnd(context, comment_start, p);
  const char* q = FindByteClass(p, end, kLineEndByte);
  while (q > p && IsBlankByte(q[-1])) --q;
  return std::string_view(p, static_cast<size_t>(q - p));
}

// The next word of `rest`, stepping over blanks before it. A word runs to a
// blank outside parentheses, so "numcopies(2)" and "(Letter Small)" stay
// whole; with `unquote` a word that is all one parenthesised text loses its
// outer parentheses. A "(" without its ")" runs to the line's end. Answers
// false when no word is left.
bool NextWord(std::string_view& rest, std::string& word, bool unquote) {
  size_t i = 0;
  while (i < rest.size() && IsBlankByte(rest[i])) ++i;
  if (i == rest.size()) {
    rest = {};
    return false;
  }
  const size_t begin = i;
  int depth = 0;
  // Where the parenthesis that opens the word closes (npos: not yet).
  size_t first_close = std::string_view::npos;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '\\' && depth > 0) {
      if (i + 1 < rest.size()) ++i;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0 && --depth == 0 && first_close == std::string_view::npos) {
        first_close = i;
      }
    } else if (depth == 0 && IsBlankByte(c)) {
      break;
    }
  }
  std::string_view text = rest.substr(begin, i - begin);
  rest = rest.substr(i);
  if (unquote && !text.empty() && text.front() == '(') {
    // "(Cover page)" is unquoted; "(a)(b)" is not one parenthesised text.
    if (first_close == i - 1) {
      text = text.substr(1, text.size() - 2);
    } else if (first_close == std::string_view::npos) {
      text.remove_prefix(1);  // unclosed: the rest of the line
    }
  }
  word.assign(text.data(), text.size());
  return true;
}

bool IsAtEnd(std::string_view line) {
  return line.size() >= 7 && line.substr(0, 7) == "(atend)";
}

// A whole word as a finite number.
bool ReadNumber(const std::string& word, double* value) {
  if (word.empty()) return false;
  const char* end = word.data() + word.size();
  double v = 0;
  const char* stop = ReadDoubleText(word.data(), end, &v);
  if (stop != end || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

// A page's ordinal: digits only (the ordinal counts from 1).
bool ReadOrdinal(const std::string& word, int64_t* value) {
  if (word.empty() || word.size() > kOrdinalDigits ||
      word.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  return ReadIntegerText(word.data(), word.data() + word.size(), int64_t{0},
                         INT64_MAX, value) != nullptr;
}

// A whole number of at most kQuickDigits digits at [p, end), as most boxes
// are written, without the general number reader. Answers the byte after it,
// or null when the word is not such a number.
constexpr int kQuickDigits = 9;
const char* ReadQuickInteger(const char* p, const char* end, double* value) {
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  const char* const digits = p;
  int64_t v = 0;
  while (p < end && *p >= '0' && *p <= '9' && p - digits < kQuickDigits) {
    v = v * 10 + (*p - '0');
    ++p;
  }
  if (p == digits || (p < end && !IsBlankByte(*p))) return nullptr;
  *value = static_cast<double>(negative ? -v : v);
  return p;
}

// Four finite numbers, each a whole word of the line.
bool ReadBox(std::string_view line, std::array<double, 4>* box) {
  const char* p = line.data();
  const char* const end = p + line.size();
  for (double& value : *box) {
    while (p < end && IsBlankByte(*p)) ++p;
    if (p == end) return false;
    const char* stop = ReadQuickInteger(p, end, &value);
    if (stop == nullptr) {
      double v = 0;
      stop = ReadDoubleText(p, end, &v);
      if (stop == nullptr || (stop < end && !IsBlankByte(*stop)) ||
          !std::isfinite(v)) {
        return false;
      }
      value = v;
    }
    p = stop;
  }
  return true;
}

const char* OrientationName(std::string_view line) {
  std::string word;
  if (!NextWord(line, word, false)) return nullptr;
  for (const char* name : kOrientations) {
    if (EqualsIgnoringAsciiCase(word, name)) return name;
  }
  return nullptr;
}

// The file offset of the comment's first "%".
int64_t CommentOffset(char* const* position, const char* comment_start,
                      int64_t value_offset) {
  if (position == nullptr || *position == nullptr || comment_start == nullptr ||
      comment_start > *position) {
    return value_offset;
  }
  return value_offset - (*position - comment_start);
}

void ClosePage(PageIndexState& state, int64_t end) {
  if (!state.pageOpen) return;
  PageRecord& page = state.report.pages.back();
  page.length = end > page.offset ? end - page.offset : 0;
  state.pageOpen = false;
  state.inPageTrailer = false;
}

// Whether a job value counts where the scan stands: the first header value
// does, and a trailer value when the header deferred it or gave none.
// "(atend)" in the header marks the value deferred.
bool JobValueCounts(const CommentStruct* record, PageIndexState& state,
                    long key, bool at_end) {
  if (record->m_documentDepth > 0) return false;
  const uint32_t bit = uint32_t{1} << key;
  if (record->m_trailerSeen != 0) {
    if ((state.jobTaken & bit) != 0 && (state.jobDeferred & bit) == 0) {
      return false;
    }
    if (at_end) return false;
    state.jobTaken |= bit;
    state.jobDeferred &= ~bit;
    return true;
  }
  // A job comment inside a page is out of place; the job's header spoke.
  if (state.pageOpen) return false;
  if ((state.jobTaken & bit) != 0) return false;
  state.jobTaken |= bit;
  if (at_end) {
    state.jobDeferred |= bit;
    return false;
  }
  return true;
}

void AddUnique(std::vector<std::string>& list,
               std::unordered_set<std::string>& seen, std::string text) {
  if (seen.insert(text).second) list.push_back(std::move(text));
}

bool IsResourceType(const std::string& word) {
  for (const char* type : kResourceTypes) {
    if (word == type) return true;
  }
  return false;
}

// A resource line: "font Times-Roman Times-Bold" names two fonts; the other
// types name one resource with its version words ("procset grops 1.22 4").
// The "Fonts" keywords name fonts only.
void TakeResources(PageIndexState& state, std::string_view line,
                   bool fonts_only, std::vector<std::string>& list,
                   std::unordered_set<std::string>& seen) {
  std::string word;
  if (fonts_only) {
    while (NextWord(line, word, false)) AddUnique(list, seen, "font " + word);
    return;
  }
  std::string_view rest = line;
  if (!NextWord(rest, word, false)) return;
  if (IsResourceType(word)) {
    state.resourceType = word;
    line = rest;
  } else if (state.resourceType.empty()) {
    // Names without a type before them: kept as written.
    std::string text = word;
    while (NextWord(rest, word, false)) text += " " + word;
    AddUnique(list, seen, std::move(text));
    return;
  }
  if (state.resourceType == "font") {
    while (NextWord(line, word, false)) {
      AddUnique(list, seen, "font " + word);
    }
    return;
  }
  std::string text = state.resourceType;
  while (NextWord(line, word, false)) text += " " + word;
  AddUnique(list, seen, std::move(text));
}

// "%%DocumentMedia: name width height weight color type". A medium without
// a readable name, width and height is skipped; a missing weight is 0 and a
// missing colour or type empty.
void TakeMedium(PageReport& report, std::string_view line) {
  MediumRecord medium;
  std::string word;
  if (!NextWord(line, medium.name, true)) return;
  if (!NextWord(line, word, false) || !ReadNumber(word, &medium.width)) return;
  if (!NextWord(line, word, false) || !ReadNumber(word, &medium.height)) return;
  if (NextWord(line, word, false) && !ReadNumber(word, &medium.weight)) return;
  NextWord(line, medium.color, true);
  NextWord(line, medium.type, true);
  report.media.push_back(std::move(medium));
}

// The words of "%%Requirements", and what they say of duplex and collate.
void TakeRequirements(PageIndexState& state, std::string_view line) {
  std::string word;
  while (NextWord(line, word, false)) {
    if (EqualsIgnoringAsciiCase(word, "duplex") ||
        EqualsIgnoringAsciiCase(word, "duplex(notumble)")) {
      state.requirementDuplex.Set(Duplex::kLongEdge);
    } else if (EqualsIgnoringAsciiCase(word, "duplex(tumble)")) {
      state.requirementDuplex.Set(Duplex::kShortEdge);
    } else if (EqualsIgnoringAsciiCase(word, "collate")) {
      state.requirementCollate.Set(true);
    }
    state.report.requirements.push_back(word);
  }
}

// "True" / "False" of a boolean feature option.
bool ReadSwitch(const std::string& option, bool* on) {
  if (EqualsIgnoringAsciiCase(option, "True")) {
    *on = true;
  } else if (EqualsIgnoringAsciiCase(option, "False")) {
    *on = false;
  } else {
    return false;
  }
  return true;
}

// A feature of the job's setup: the duplex and collate ones count.
void TakeJobFeature(PageIndexState& state, std::string_view line) {
  std::string key;
  std::string option;
  if (!NextWord(line, key, false) || !NextWord(line, option, false)) return;
  bool on = false;
  if (EqualsIgnoringAsciiCase(key, "*Duplex")) {
    if (EqualsIgnoringAsciiCase(option, "DuplexNoTumble")) {
      state.featureDuplex.Set(Duplex::kLongEdge);
    } else if (EqualsIgnoringAsciiCase(option, "DuplexTumble")) {
      state.featureDuplex.Set(Duplex::kShortEdge);
    } else if (EqualsIgnoringAsciiCase(option, "None") ||
               EqualsIgnoringAsciiCase(option, "Simplex")) {
      state.featureDuplex.Set(Duplex::kNone);
    } else if (ReadSwitch(option, &on)) {
      // The older pair of options: "*Duplex True" with "*Tumble True|False".
      state.featureDuplexOn.Set(on);
    }
  } else if (EqualsIgnoringAsciiCase(key, "*Tumble")) {
    if (ReadSwitch(option, &on)) state.featureTumble.Set(on);
  } else if (EqualsIgnoringAsciiCase(key, "*Collate")) {
    if (ReadSwitch(option, &on)) state.featureCollate.Set(on);
  }
}

// The list a continuation line of `key` feeds.
void TakeListLine(PageIndexState& state, long key, std::string_view line) {
  PageReport& report = state.report;
  std::string word;
  switch (key) {
    case kRequirements:
      TakeRequirements(state, line);
      break;
    case kDocumentMedia:
      TakeMedium(report, line);
      break;
    case kProcessColors:
      while (NextWord(line, word, true)) report.processColors.push_back(word);
      break;
    case kNeededResources:
    case kNeededFonts:
      TakeResources(state, line, key == kNeededFonts, report.neededResources,
                    state.neededSeen);
      break;
    case kSuppliedResources:
    case kSuppliedFonts:
      TakeResources(state, line, key == kSuppliedFonts,
                    report.suppliedResources, state.suppliedSeen);
      break;
    default:
      break;
  }
}

void AddPageIndexKeys(ParserContext* table, int /*variant*/) {
  for (const Registration& r : kRegistrations) {
    ParserAddEntryToList(table, r.key, r.handler, r.param, nullptr, 0);
  }
}

}  // namespace

void RegisterPageIndexSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  PageIndexState* state = HandlerVars(context).pageIndex.get();
  if (state != nullptr) *state = PageIndexState{};
  AddKeywordSet(context, AddPageIndexKeys, 0);
}

void FinishPageIndex(PageIndexState& state, int64_t job_end) {
  ClosePage(state, job_end);
  for (PageRecord& page : state.report.pages) {
    if (!page.bbox.known) page.bbox = state.defaultBbox;
    if (!page.media.known) page.media = state.defaultMedia;
    if (page.orientation == nullptr)
      page.orientation = state.defaultOrientation;
  }
  PageReport& report = state.report;
  report.duplex = state.requirementDuplex;
  if (state.featureDuplex.known) {
    report.duplex = state.featureDuplex;
  } else if (state.featureDuplexOn.known) {
    if (!state.featureDuplexOn.value) {
      report.duplex.Set(Duplex::kNone);
    } else {
      report.duplex.Set(state.featureTumble.known && state.featureTumble.value
                            ? Duplex::kShortEdge
                            : Duplex::kLongEdge);
    }
  }
  report.collate = state.featureCollate.known ? state.featureCollate
                                              : state.requirementCollate;
}

int64_t PageIndexPage(char* context, CommentStruct* record, long, char*,
                      char** position, char* comment_start, int64_t,
                      int64_t value_offset, long*, void*, void*) {
  // Pages of embedded documents are theirs, not the job's.
  PageIndexState* state = JobStateOf(context, record, comment_start);
  if (state == nullptr) return 0;
  const int64_t offset = CommentOffset(position, comment_start, value_offset);
  ClosePage(*state, offset);
  state->continuing = 0;
  PageRecord& page = state->report.pages.emplace_back();
  page.offset = offset;
  std::string_view line = ValueLine(context, comment_start, position);
  NextWord(line, page.label, true);
  std::string word;
  int64_t ordinal = 0;
  if (NextWord(line, word, false) && ReadOrdinal(word, &ordinal)) {
    page.ordinal.Set(ordinal);
  }
  state->pageOpen = true;
  state->inPageTrailer = false;
  state->inDefaults = false;
  state->bboxAtEnd = state->mediaAtEnd = state->orientationAtEnd = false;
  return 0;
}

int64_t PageIndexSection(char* context, CommentStruct* record, long param,
                         char*, char** position, char* comment_start, int64_t,
                         int64_t value_offset, long*, void*, void*) {
  PageIndexState* state = JobStateOf(context, record, comment_start);
  if (state == nullptr) return 0;
  state->continuing = 0;
  switch (param) {
    case kPageTrailer:
      if (state->pageOpen) state->inPageTrailer = true;
      break;
    case kTrailer:
      ClosePage(*state, CommentOffset(position, comment_start, value_offset));
      state->inDefaults = false;
      break;
    case kBeginDefaults:
      if (!state->pageOpen) state->inDefaults = true;
      break;
    case kEndDefaults:
      state->inDefaults = false;
      break;
    default:
      break;
  }
  return 0;
}

int64_t PageIndexPageValue(char* context, CommentStruct* record, long param,
                           char*, char** position, char* comment_start, int64_t,
                           int64_t, long*, void*, void*) {
  PageIndexState* state = JobStateOf(context, record, comment_start);
  if (state == nullptr) return 0;
  state->continuing = 0;
  const std::string_view line = ValueLine(context, comment_start, position);
  // Where the value goes: the defaults, or the open page (which may defer
  // it to its page trailer).
  Maybe<std::array<double, 4>>* bbox = &state->defaultBbox;
  Maybe<std::string>* media = &state->defaultMedia;
  const char** orientation = &state->defaultOrientation;
  bool* at_end = nullptr;
  if (!state->inDefaults) {
    if (!state->pageOpen) return 0;  // neither a page nor its defaults
    PageRecord& page = state->report.pages.back();
    bbox = &page.bbox;
    media = &page.media;
    orientation = &page.orientation;
    at_end = param == kPageBoundingBox ? &state->bboxAtEnd
             : param == kPageMedia     ? &state->mediaAtEnd
                                       : &state->orientationAtEnd;
  }
  if (IsAtEnd(line)) {
    if (at_end != nullptr && !state->inPageTrailer) *at_end = true;
    return 0;
  }
  const bool known = param == kPageBoundingBox ? bbox->known
                     : param == kPageMedia     ? media->known
                                               : *orientation != nullptr;
  // The first value counts; the page trailer gives only what the page
  // deferred, or what it did not give at all.
  if (known && !(state->inPageTrailer && at_end != nullptr && *at_end)) {
    return 0;
  }
  if (param == kPageBoundingBox) {
    std::array<double, 4> box{};
    // An unreadable box is skipped: the page has none from it.
    if (ReadBox(line, &box)) bbox->Set(box);
  } else if (param == kPageMedia) {
    std::string_view rest = line;
    std::string name;
    if (NextWord(rest, name, true)) media->Set(name);
  } else {
    const char* name = OrientationName(line);
    if (name != nullptr) *orientation = name;
  }
  return 0;
}

int64_t PageIndexFeature(char* context, CommentStruct* record, long, char*,
                         char** position, char* comment_start, int64_t, int64_t,
                         long*, void*, void*) {
  PageIndexState* state = JobStateOf(context, record, comment_start);
  if (state == nullptr) return 0;
  state->continuing = 0;
  const std::string_view line = ValueLine(context, comment_start, position);
  if (line.empty()) return 0;
  if (state->pageOpen) {
    // A feature inside a page is for that page alone.
    state->report.pages.back().features.emplace_back(line);
  } else if (record->m_trailerSeen == 0) {
    TakeJobFeature(*state, line);
  }
  return 0;
}

int64_t PageIndexJobValue(char* context, CommentStruct* record, long param,
                          char*, char** position, char* comment_start,
                          int64_t continuation, int64_t, long*, void*, void*) {
  PageIndexState* state = IndexStateOf(context);
  if (state == nullptr || record == nullptr || !IsDscComment(comment_start)) {
    return 0;
  }
  const std::string_view line = ValueLine(context, comment_start, position);
  if (continuation != 0) {
    if (state->continuing == param) TakeListLine(*state, param, line);
    return 0;
  }
  state->continuing = 0;
  if (!JobValueCounts(record, *state, param, IsAtEnd(line))) return 0;
  PageReport& report = state->report;
  std::string word;
  switch (param) {
    case kLanguageLevel: {
      double level = 0;
      std::string_view rest = line;
      if (NextWord(rest, word, false) && ReadNumber(word, &level) &&
          level >= 0 && level <= INT32_MAX && level == std::floor(level)) {
        report.languageLevel.Set(static_cast<int32_t>(level));
      }
      break;
    }
    case kFor: {
      std::string_view text = line;
      if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        text = text.substr(1, text.size() - 2);
      }
      report.forName.Set(std::string(text));
      break;
    }
    default:
      state->continuing = param;
      state->resourceType.clear();
      TakeListLine(*state, param, line);
      break;
  }
  return 0;
}

}  // namespace vantrel
