#include "handlers/custom_colors.h"

#include <cstring>
#include <memory>

#include "engine/comment_lexer.h"
#include "engine/context.h"
#include "engine/keyword_index.h"
#include "engine/keyword_table.h"
#include "handlers/handler_state.h"
#include "handlers/parse_state.h"
#include "handlers/value_text.h"
#include "platform/trace.h"
#include "store/property_map.h"

namespace vantrel {
namespace {

constexpr int kDocumentCustomColorsId = 904;

// What a header comment says when its list follows in the trailer.
constexpr char kAtEnd[] = "atend";

// Appends `name` unless the list holds it already. An empty name is no
// colour: producers write "%%CMYKCustomColor:" with the colours on the
// continuation lines, and that first line must not add an empty entry.
void Add(ColorList* list, const char* name) {
  if (list == nullptr || name[0] == '\0') return;
  list->Add(name);
}

}  // namespace

bool ColorList::Add(std::string_view name) {
  if (index_.find(name) != index_.end()) return false;
  names_.emplace_back(name);
  index_.insert(names_.back());
  return true;
}

namespace {

void AddCustomColorKeys(ParserContext* table, int /*variant*/) {
  ParserAddEntryToList(table, "DocumentCustomColors",
                       ParserDocumentCustomColors, 0, nullptr, 0);
  ParserAddEntryToList(table, "CMYKCustomColor", ParserSpotColorsCMYK, 0,
                       nullptr, 0);
}

}  // namespace

void RegisterCustomColorSet(ParserContext* context) {
  if (context == nullptr || context->state == nullptr) return;
  HandlerVars(context).documentColors.clear();
  AddKeywordSet(context, AddCustomColorKeys, 0);
}

int64_t ParserDocumentCustomColors(char* context, CommentStruct*, long, char*,
                                   char** position, char* comment_start,
                                   int64_t, int64_t, long*, void*, void*) {
  VTRACE("ParserDocumentCustomColors Call");
  ColorList* list = &HandlerVars(context).documentColors;
  if (position != nullptr && *position != nullptr) {
    const char* end = CommentWindowEnd(context, comment_start, *position);
    const char* pos = *position;
    char value[kValueBufferSize];
    for (;;) {
      const char* stop = nullptr;
      const int n = ReadValueText(pos, end, value, &stop);
      VTRACE("ParserDocumentCustomColors: color detected %s", value);
      if (std::strcmp(value, kAtEnd) != 0) Add(list, value);
      pos = stop;
      // One line may name several colours, "(PANTONE 286 C) (PANTONE 185 C)"
      // as converters write it: every parenthesised name counts.
      const bool parenthesised = stop - n > *position && stop[-n - 1] == '(';
      if (!parenthesised || stop >= end || *stop != ')') break;
      const char* next = stop + 1;
      while (next < end && IsBlankByte(*next)) ++next;
      if (next >= end || *next != '(') break;
      pos = next;
    }
    *position += pos - *position;
  }
  VTRACE("ParserDocumentCustomColors End");
  return 0;
}

int64_t ParserSpotColorsCMYK(char* context, CommentStruct*, long, char*,
                             char** position, char*, int64_t, int64_t, long*,
                             void*, void*) {
  char value[kValueBufferSize];
  if (!ReadCommentValue(context, position, value, /*advance=*/true)) return 0;
  VTRACE("ParserSpotColorsCMYK: color %s", value);
  Add(&HandlerVars(context).cmykColors, value);
  return 0;
}

}  // namespace vantrel

void CKalParser::saveDocumentCustomColors() {
  using vantrel::HandlerVars;
  VTRACE("CKalParser::saveDocumentCustomColors() Call");
  if (m_engine == nullptr) return;
  vantrel::PropertyMap& properties = vantrel::PropertiesOf(m_engine);
  const vantrel::ColorList& document = HandlerVars(m_engine).documentColors;
  std::string text;
  for (const std::string& name : document) text += " (" + name + ")";
  if (vantrel::StoreProperty(properties, "DocumentCustomColors", "string",
                             vantrel::kDocumentCustomColorsId,
                             text.c_str()) != nullptr) {
    VTRACE(
        "CKalParser::saveDocumentCustomColors() custom color number = %d "
        "custom color string %s",
        static_cast<int>(document.size()), text.c_str());
  }
  // The colour list of a pre-separated job tells the RIP which plates to
  // expect.
  if (vantrel::FindProperty(properties, "PreSeparatedMode") == nullptr) return;
  const vantrel::ColorList& cmyk = HandlerVars(m_engine).cmykColors;
  text.clear();
  for (const std::string& name : cmyk) {
    text += name;
    text += vantrel::kCustomColorTerminator;
  }
  if (vantrel::StoreProperty(properties, "CustomColorsList", "string", 0,
                             text.c_str()) == nullptr) {
    return;
  }
  VTRACE(
      "CKalParser::saveDocumentCustomColors() for CustomColorsList number = "
      "%d string %s",
      static_cast<int>(cmyk.size()), text.c_str());
}
