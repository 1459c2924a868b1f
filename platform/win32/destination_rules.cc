#include "platform/win32/destination_rules.h"

#include "platform/win32/file_time.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;
constexpr std::wstring_view kReservedCharacters = L"<>:\"/\\|?*";

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool StartsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
  }
  return true;
}

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

// The device name for a message: ASCII, or one of the superscript digits.
std::string DeviceText(std::wstring_view device) {
  std::string out;
  for (wchar_t c : device) {
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
    LimitToFatTimes(&traits);
  } else if (EqualsIgnoringAsciiCase(file_system_name, L"exFAT")) {
    traits.time_step_ns = 10'000'000;
    LimitToFatTimes(&traits);
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
  if (std::wstring_view device = DeviceNameOf(name); !device.empty()) {
    return "Windows reserves it for the device " + DeviceText(device);
  }
  return std::string();
}

std::int64_t CopyTimeTicks(std::int64_t ticks, const DestinationTraits& traits) {
  const std::int64_t seconds = ticks / kFileTimeTicksPerSecond;
  const std::int64_t rest = ticks % kFileTimeTicksPerSecond;
  const FileInstant time = CopyTime(
      FileInstant{seconds - kUnixEpochInFileTimeSeconds, rest * kNanosecondsPerTick}, traits);
  return (time.seconds + kUnixEpochInFileTimeSeconds) * kFileTimeTicksPerSecond +
         time.nanoseconds / kNanosecondsPerTick;
}

}  // namespace platform::win32
