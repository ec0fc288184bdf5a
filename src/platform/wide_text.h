// Text for the Windows wide-character API. The library takes and gives
// file names as UTF-8; Windows takes them as UTF-16.
#ifndef VANTREL_PLATFORM_WIDE_TEXT_H_
#define VANTREL_PLATFORM_WIDE_TEXT_H_

#if defined(_WIN32)

#include <string>

namespace vantrel {

// `text` as UTF-16. Text that is no valid UTF-8 is read in the ANSI code
// page instead, so a host that passes its own code page's names still
// reaches its files.
std::wstring WideText(const char* text);

// UTF-16 `text` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Text(const wchar_t* text, size_t length);

}  // namespace vantrel

#endif  // _WIN32

#endif  // VANTREL_PLATFORM_WIDE_TEXT_H_
