#include <windows.h>

#include "platform/ansi_text.h"
#include "platform/file_info.h"
#include "platform/win32/wide.h"

namespace platform {

std::string AnsiToUtf8(std::string_view ansi) {
  if (ansi.empty()) return std::string();
  const int size = static_cast<int>(ansi.size());
  int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (length <= 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
  return win32::Narrow(wide);
}

std::string Utf8ToAnsi(std::string_view utf8, bool* exact) {
  if (exact != nullptr) *exact = true;
  if (utf8.empty()) return std::string();
  std::wstring wide = win32::Widen(utf8);
  const int size = static_cast<int>(wide.size());
  // No best-fit mapping: a character the code page lacks must not turn into a look-alike
  // (a full-width "＼" into a separator, say), only into "?".
  const DWORD flags = ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* ask = flags != 0 ? &defaulted : nullptr;
  int length = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, ask);
  if (length <= 0) {
    if (exact != nullptr) *exact = false;
    return std::string();
  }
  std::string ansi(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, ansi.data(), length, nullptr, ask);
  if (exact != nullptr && defaulted) *exact = false;
  return ansi;
}

std::string AnsiPath(const std::string& utf8_path) {
  bool exact = false;
  std::string ansi = Utf8ToAnsi(utf8_path, &exact);
  if (exact) return ansi;
  std::string short_path;
  if (ShortPathName(utf8_path, &short_path)) {
    std::string short_ansi = Utf8ToAnsi(short_path, &exact);
    if (exact) return short_ansi;
  }
  return ansi;
}

std::size_t FitAnsi(std::string_view ansi, std::size_t max_bytes) {
  const UINT code_page = ::GetACP();
  std::size_t end = 0;
  while (end < ansi.size()) {
    std::size_t length = 1;
    auto lead = static_cast<unsigned char>(ansi[end]);
    if (code_page == CP_UTF8) {
      length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
    } else if (::IsDBCSLeadByteEx(code_page, lead)) {
      length = 2;
    }
    if (end + length > ansi.size() || end + length > max_bytes) break;
    end += length;
  }
  return end;
}

}  // namespace platform
