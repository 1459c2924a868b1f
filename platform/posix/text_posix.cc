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

// Decodes one well-formed UTF-8 sequence at p; returns its length, or 0 when the bytes
// there are not one.
int DecodeOne(const unsigned char* p, const unsigned char* end, std::uint32_t* code) {
  unsigned char c = *p;
  int length;
  std::uint32_t min;
  if ((c & 0xE0) == 0xC0) {
    length = 2, min = 0x80, *code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, min = 0x800, *code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, *code = c & 0x07;
  } else {
    return 0;
  }
  if (end - p < length) return 0;
  for (int i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (p[i] & 0x3F);
  }
  if (*code < min || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
      ++p;
      continue;
    }
    std::uint32_t code;
    int length = DecodeOne(p, end, &code);
    if (length == 0) {
      out.push_back(static_cast<char>(c));  // not UTF-8: the byte stays as it is
      ++p;
      continue;
    }
    locale_t locale = CaseLocale();
    std::uint32_t upper =
        locale ? static_cast<std::uint32_t>(::towupper_l(static_cast<wint_t>(code), locale)) : code;
    AppendUtf8(upper, out);
    p += length;
  }
  return out;
}

}  // namespace platform
