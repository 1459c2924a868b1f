#include <locale.h>
#include <wctype.h>

#include <cstdint>

#include "platform/text.h"

namespace platform {
namespace {

// glibc's built-in C.UTF-8 locale carries the full Unicode simple case mapping, so the
// upper-casing does not depend on which locales a machine has installed.
locale_t CaseLocale() {
  static locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
      ++i;
      continue;
    }
    std::uint32_t code;
    std::size_t length = DecodeUtf8(text, i, &code);
    if (length == 0) {
      out.push_back(static_cast<char>(c));  // not UTF-8: the byte stays as it is
      ++i;
      continue;
    }
    locale_t locale = CaseLocale();
    AppendUtf8(
        locale ? static_cast<std::uint32_t>(::towupper_l(static_cast<wint_t>(code), locale)) : code,
        out);
    i += length;
  }
  return out;
}

}  // namespace platform
