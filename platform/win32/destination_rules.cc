#include "platform/win32/destination_rules.h"

#include "platform/win32/file_time.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;

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

}  // namespace

DestinationTraits TraitsOfVolume(std::wstring_view file_system_name) {
  DestinationTraits traits;
  traits.windows_names = true;
  traits.case_insensitive = true;
  traits.device_names = true;
  traits.wide_names = true;
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

std::int64_t CopyTimeTicks(std::int64_t ticks, const DestinationTraits& traits) {
  const std::int64_t seconds = ticks / kFileTimeTicksPerSecond;
  const std::int64_t rest = ticks % kFileTimeTicksPerSecond;
  const FileInstant time = CopyTime(
      FileInstant{seconds - kUnixEpochInFileTimeSeconds, rest * kNanosecondsPerTick}, traits);
  return (time.seconds + kUnixEpochInFileTimeSeconds) * kFileTimeTicksPerSecond +
         time.nanoseconds / kNanosecondsPerTick;
}

}  // namespace platform::win32
