#include <windows.h>

#include "platform/codepage.h"
#include "platform/text.h"
#include "platform/win32/wide.h"

namespace platform {

bool CodePageToUtf8(std::uint32_t code_page, std::string_view bytes, std::string* out) {
  if (code_page == kCodePageUtf8) {
    if (!IsValidUtf8(bytes)) return false;
    out->assign(bytes);
    return true;
  }
  out->clear();
  if (bytes.empty()) return ::IsValidCodePage(code_page) != 0;
  const int size = static_cast<int>(bytes.size());
  int length =
      ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(),
                            length) != length) {
    return false;
  }
  win32::AppendNarrow(wide, *out);
  return true;
}

}  // namespace platform
