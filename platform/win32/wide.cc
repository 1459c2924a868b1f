#include "platform/win32/wide.h"

#include <windows.h>

#include <cstdint>

namespace platform::win32 {
namespace {

// Paths at least this long get the "\\?\" form: CreateDirectoryW refuses a classic path
// that leaves no room for an 8.3 name below it (MAX_PATH - 12).
constexpr std::size_t kClassicPathLimit = MAX_PATH - 12;

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// Where the first component that the classic form would change starts, or npos.
std::size_t FirstMangledComponent(std::wstring_view path) {
  std::size_t start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
  while (start < path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    std::wstring_view name = path.substr(start, end - start);
    if (name != L"." && name != L".." && !name.empty() &&
        (name.back() == L'.' || name.back() == L' ' || !DeviceNameOf(name).empty())) {
      return start;
    }
    start = end + 1;
  }
  return std::wstring_view::npos;
}

// The absolute form of `path`, "" when the system cannot give it.
std::wstring FullPathOf(const std::wstring& path) {
  DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  full.resize(length);
  return full;
}

}  // namespace

std::wstring_view DeviceNameOf(std::wstring_view name) {
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (EqualsIgnoringAsciiCase(base, device)) return base;
  }
  if (base.size() == 4 &&
      (EqualsIgnoringAsciiCase(base.substr(0, 3), L"COM") ||
       EqualsIgnoringAsciiCase(base.substr(0, 3), L"LPT")) &&
      ((base[3] >= L'0' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' ||
       base[3] == L'\u00B3')) {
    return base;
  }
  return std::wstring_view();
}

std::wstring Widen(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      wide.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    std::size_t length = (lead & 0xE0) == 0xC0   ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 0;
    std::uint32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && utf8.size() - i >= length;
    for (std::size_t k = 1; valid && k < length; ++k) {
      auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    // Surrogates are accepted: they are how a lone unit of a name travels (WTF-8).
    valid = valid && code >= kMinimum[length] && code <= 0x10FFFF;
    if (!valid) {
      wide.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(code));
    }
    i += length;
  }
  return wide;
}

void AppendNarrow(std::wstring_view wide, std::string& out) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::uint32_t code = static_cast<std::uint16_t>(wide[i]);
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size()) {
      std::uint32_t low = static_cast<std::uint16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string Narrow(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  AppendNarrow(wide, out);
  return out;
}

std::wstring WidePath(std::string_view utf8_path) {
  std::wstring path = Widen(utf8_path);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) return path;
  const std::size_t mangled = FirstMangledComponent(path);
  if (path.size() < kClassicPathLimit && mangled == std::wstring::npos) return path;
  // The prefixed form bypasses the name normalization of classic paths, so the path is
  // made absolute (".", ".." and the current folder resolved) first; from a component that
  // normalization would change on, it is taken as it stands.
  const std::wstring head = mangled == std::wstring::npos ? path : path.substr(0, mangled);
  std::wstring full = FullPathOf(head.empty() ? std::wstring(L".") : head);
  if (full.empty()) return path;
  if (mangled != std::wstring::npos) {
    if (!full.empty() && full.back() != L'\\') full.push_back(L'\\');
    full += path.substr(mangled);
  }
  if (full.size() > 2 && IsSlash(full[0]) && IsSlash(full[1])) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

void AppendArgument(const std::wstring& argument, std::wstring& line) {
  if (!line.empty()) line.push_back(L' ');
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line.push_back(L'"');
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes double only before a quote, the argument's own or the closing one.
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, L'\\');
  line.push_back(L'"');
}

}  // namespace platform::win32
