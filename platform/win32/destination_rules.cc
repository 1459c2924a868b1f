#include "platform/win32/destination_rules.h"

#include <array>

namespace platform::win32 {
namespace {

constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;
constexpr std::wstring_view kReservedCharacters = L"<>:\"/\\|?*";

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsDeviceDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
}

// The device that `name` opens instead of a file, or "" for none. Windows reads the part
// before the first dot, without the spaces that end it.
std::wstring_view DeviceOf(std::wstring_view name) {
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  static constexpr std::array<std::wstring_view, 6> kDevices = {L"CON", L"PRN",    L"AUX",
                                                                L"NUL", L"CONIN$", L"CONOUT$"};
  for (std::wstring_view device : kDevices) {
    if (EqualsIgnoringAsciiCase(base, device)) return base;
  }
  if (base.size() == 4 &&
      (StartsWithIgnoringAsciiCase(base, L"COM") || StartsWithIgnoringAsciiCase(base, L"LPT")) &&
      IsDeviceDigit(base[3])) {
    return base;
  }
  return std::wstring_view();
}

std::string Ascii(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out += c == L'\u00B9' ? "\u00B9" : c == L'\u00B2' ? "\u00B2" : "\u00B3";
    }
  }
  return out;
}

}  // namespace

DestinationTraits TraitsOfVolume(std::wstring_view file_system_name) {
  DestinationTraits traits;
  traits.windows_names = true;
  traits.case_insensitive = true;
  traits.time_step_ns = kNanosecondsPerTick;
  if (StartsWithIgnoringAsciiCase(file_system_name, L"FAT")) {
    traits.time_step_ns = 2'000'000'000;
    traits.max_file_size = kFatMaxFileSize;
  } else if (EqualsIgnoringAsciiCase(file_system_name, L"exFAT")) {
    traits.time_step_ns = 10'000'000;
  }
  return traits;
}

std::string WindowsNameProblem(std::wstring_view name, std::size_t max_length) {
  if (name.empty()) return "it is empty";
  for (wchar_t c : name) {
    if (c < 0x20) return "it contains a control character";
    if (kReservedCharacters.find(c) != std::wstring_view::npos) {
      return std::string("it contains '") + static_cast<char>(c) + "'";
    }
  }
  if (name.size() > max_length) {
    return "it is longer than " + std::to_string(max_length) + " characters";
  }
  if (name.back() == L'.') return "it ends with a dot";
  if (name.back() == L' ') return "it ends with a space";
  if (std::wstring_view device = DeviceOf(name); !device.empty()) {
    return "Windows reserves it for the device " + Ascii(device);
  }
  return std::string();
}

std::int64_t RoundUpTicks(std::int64_t ticks, std::int64_t step_ns) {
  const std::int64_t step = step_ns / kNanosecondsPerTick;
  if (step <= 1 || ticks <= 0) return ticks;
  const std::int64_t remainder = ticks % step;
  return remainder == 0 ? ticks : ticks + (step - remainder);
}

}  // namespace platform::win32
