// Turning bytes from print files and command lines into safe output text.
//
// Print files carry arbitrary bytes. Current producers write their texts
// (titles, creators) in UTF-8, older ones in Latin-1 or a code page near it;
// file names come from the command line, where UTF-8 is the norm. So a text
// that is valid UTF-8 as a whole is kept as it is, and any other is read as
// Latin-1, where every byte is a character: any text converts, and the output
// is always valid UTF-8.
#ifndef VANTREL_OUTPUT_ESCAPE_H_
#define VANTREL_OUTPUT_ESCAPE_H_

#include <string>
#include <string_view>

namespace vantrel {

// How the input bytes are read.
enum class Source {
  kLatin1,        // every byte is one character
  kUtf8OrLatin1,  // UTF-8 when the whole text is valid UTF-8, else Latin-1
};

// How characters are written.
enum class Style {
  // The inside of a JSON string: quote and backslash escaped, control
  // characters (C0, DEL and C1) as \b \f \n \r \t or \u00XX.
  kJson,
  // Plain text for a terminal: control characters as \xXX, so that no byte
  // of a print file reaches the terminal as a control sequence; everything
  // else, backslash included, as it is.
  kDisplay,
  // Nothing escaped: the characters as UTF-8, for hosts that take the text
  // itself (the C API's accessors).
  kPlain,
};

// Answers the UTF-8 text for `bytes`.
std::string Escape(std::string_view bytes, Source source, Style style);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace vantrel

#endif  // VANTREL_OUTPUT_ESCAPE_H_
