// Custom (spot) colours: the names of the "DocumentCustomColors" and
// "CMYKCustomColor" comments, collected during the scan, and the two
// properties made from them afterwards (CKalParser::saveDocumentCustomColors):
// "DocumentCustomColors" on every scan, "CustomColorsList" for pre-separated
// jobs.
//
// Module-wide state (HandlerState): the two lists, empty at every parse.
#ifndef VANTREL_HANDLERS_CUSTOM_COLORS_H_
#define VANTREL_HANDLERS_CUSTOM_COLORS_H_

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

#include "handlers/comment_handler.h"

struct ParserContext;

namespace vantrel {

// A colour list: names in order of arrival, no two equal (case matters).
// A job may name tens of thousands of colours, so a name is found again
// through a hash set, not by walking the list. The names live in a deque,
// which never moves them, so the set refers to them in place.
class ColorList {
 public:
  ColorList() = default;
  ColorList(const ColorList&) = delete;
  ColorList& operator=(const ColorList&) = delete;
  // A move keeps the names where they are, so the index stays valid.
  ColorList(ColorList&&) = default;
  ColorList& operator=(ColorList&&) = default;

  // Appends `name` unless the list holds it already; answers whether it was
  // appended.
  bool Add(std::string_view name);
  void clear() {
    index_.clear();
    names_.clear();
  }
  size_t size() const { return names_.size(); }
  bool empty() const { return names_.empty(); }
  const std::string& operator[](size_t i) const { return names_[i]; }
  std::deque<std::string>::const_iterator begin() const {
    return names_.begin();
  }
  std::deque<std::string>::const_iterator end() const { return names_.end(); }

 private:
  std::deque<std::string> names_;
  std::unordered_set<std::string_view> index_;
};

// "DocumentCustomColors" (names into HandlerState::documentColors) and
// "CMYKCustomColor" (into HandlerState::cmykColors), param 0, no user data.
// Empties the parse's document colours first.
void RegisterCustomColorSet(ParserContext* context);

// The handlers (CommentHandler protocol). Both answer 0 and move the text
// position past what they read.
// REQUIRES: the text at *position is NUL-terminated at the end of the data
// held (context->dataEnd when the context is given).

// "DocumentCustomColors" (user data: the document list). Adds each
// parenthesised name of the line, or the unparenthesised rest of the line;
// "atend" and empty names add nothing.
VANTREL_COMMENT_HANDLER(ParserDocumentCustomColors);
// "CMYKCustomColor" (user data: the CMYK list). Adds the value text, for
// instance "0 0.5 1 0 (Orange)" as a whole; an empty value adds nothing.
VANTREL_COMMENT_HANDLER(ParserSpotColorsCMYK);

// The byte that ends each name in "CustomColorsList" (a with diaeresis in
// the Windows Latin-1 code page).
constexpr char kCustomColorTerminator = '\xE4';

}  // namespace vantrel

#endif  // VANTREL_HANDLERS_CUSTOM_COLORS_H_
