#include <windows.h>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace platform {

// Unicode's simple upper-casing, as the system's linguistic casing of the invariant locale
// gives it (one unit for one unit; the plain casing table leaves some letters, such as the
// final sigma, alone).
std::string UpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::wstring run;
  std::wstring upper;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
      ++i;
      continue;
    }
    // A run of non-ASCII characters goes through the system at once.
    std::size_t start = i;
    std::uint32_t code;
    std::size_t length;
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80 &&
           (length = DecodeUtf8(text, i, &code)) != 0) {
      i += length;
    }
    if (i > start) {
      run = win32::Widen(text.substr(start, i - start));
      upper.resize(run.size());
      int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE | LCMAP_LINGUISTIC_CASING,
                                   run.data(), static_cast<int>(run.size()), upper.data(),
                                   static_cast<int>(upper.size()), nullptr, nullptr, 0);
      win32::AppendNarrow(length == static_cast<int>(run.size()) ? upper : run, out);
    } else {
      out.push_back(text[i++]);  // not UTF-8: the byte stays as it is
    }
  }
  return out;
}

}  // namespace platform
