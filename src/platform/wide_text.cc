#include "platform/wide_text.h"

#if defined(_WIN32)

#include <windows.h>

#include <cstring>

namespace vantrel {

std::wstring WideText(const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  if (length == 0) return std::wstring();
  UINT code_page = CP_UTF8;
  int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text, length,
                              nullptr, 0);
  if (n <= 0) {
    code_page = CP_ACP;
    n = MultiByteToWideChar(code_page, 0, text, length, nullptr, 0);
    if (n <= 0) return std::wstring();
  }
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0,
                      text, length, &wide[0], n);
  return wide;
}

std::string Utf8Text(const wchar_t* text, size_t length) {
  if (length == 0) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length),
                                    nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0], n,
                      nullptr, nullptr);
  return out;
}

}  // namespace vantrel

#endif  // _WIN32
