#include "output/escape.h"

#include <cstdint>
#include <cstdio>

#include "platform/utf8.h"

namespace vantrel {

namespace {

bool IsControl(uint32_t cp) { return cp < 0x20 || (cp >= 0x7f && cp < 0xa0); }

void AppendCharacter(std::string& out, uint32_t cp, Style style) {
  char buf[8];
  if (style == Style::kPlain) {
    AppendUtf8(out, cp);
    return;
  }
  if (style == Style::kJson) {
    switch (cp) {
      case '"':
        out += "\\\"";
        return;
      case '\\':
        out += "\\\\";
        return;
      case '\b':
        out += "\\b";
        return;
      case '\f':
        out += "\\f";
        return;
      case '\n':
        out += "\\n";
        return;
      case '\r':
        out += "\\r";
        return;
      case '\t':
        out += "\\t";
        return;
      default:
        break;
    }
    if (IsControl(cp)) {
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(cp));
      out += buf;
      return;
    }
  } else if (IsControl(cp)) {
    std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(cp));
    out += buf;
    return;
  }
  AppendUtf8(out, cp);
}

// Decodes the UTF-8 sequence at `s[*i]`; answers false on a malformed one.
bool DecodeUtf8(std::string_view s, size_t* i, uint32_t* cp) {
  const unsigned char lead = static_cast<unsigned char>(s[*i]);
  if (lead < 0x80) {
    *cp = lead;
    ++*i;
    return true;
  }
  // Sequence length, payload bits of the lead byte, smallest code point that
  // needs this length (anything below is an overlong form).
  static const struct {
    unsigned char mask;
    unsigned char match;
    int extra;
    uint32_t min;
  } kForms[] = {
      {0xe0, 0xc0, 1, 0x80},
      {0xf0, 0xe0, 2, 0x800},
      {0xf8, 0xf0, 3, 0x10000},
  };
  int extra = 0;
  uint32_t value = 0;
  uint32_t min = 0;
  for (const auto& form : kForms) {
    if ((lead & form.mask) == form.match) {
      extra = form.extra;
      value = lead & static_cast<unsigned char>(~form.mask);
      min = form.min;
    }
  }
  if (extra == 0) return false;
  if (s.size() - *i <= static_cast<size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[*i + k]);
    if ((c & 0xc0) != 0x80) return false;
    value = (value << 6) | (c & 0x3f);
  }
  if (value < min || value > 0x10ffff || (value >= 0xd800 && value < 0xe000)) {
    return false;
  }
  *cp = value;
  *i += static_cast<size_t>(extra) + 1;
  return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  uint32_t cp;
  while (i < bytes.size()) {
    if (!DecodeUtf8(bytes, &i, &cp)) return false;
  }
  return true;
}

std::string Escape(std::string_view bytes, Source source, Style style) {
  std::string out;
  out.reserve(bytes.size());
  if (source == Source::kUtf8OrLatin1 && IsValidUtf8(bytes)) {
    size_t i = 0;
    uint32_t cp = 0;
    while (i < bytes.size()) {
      DecodeUtf8(bytes, &i, &cp);
      AppendCharacter(out, cp, style);
    }
  } else {
    for (char c : bytes) {
      AppendCharacter(out, static_cast<unsigned char>(c), style);
    }
  }
  return out;
}

}  // namespace vantrel
