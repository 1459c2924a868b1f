#include <windows.h>

#include <cstdint>

#include "platform/clock.h"
#include "platform/win32/file_time.h"
#include "platform/zone_offset.h"

namespace platform {
namespace {

// Whole seconds of a broken-down time counted like Unix seconds, zone ignored.
std::int64_t SecondsOf(const SYSTEMTIME& t) {
  FILETIME file_time;
  if (!::SystemTimeToFileTime(&t, &file_time)) return 0;
  return win32::UnixSecondsOf(file_time);
}

SYSTEMTIME SystemTimeOf(std::int64_t unix_seconds) {
  FILETIME file_time = win32::FileTimeOf(unix_seconds);
  SYSTEMTIME t = {};
  ::FileTimeToSystemTime(&file_time, &t);
  return t;
}

// The conversions that apply the zone's rules for the year of each instant (daylight
// saving changed over the years). Looked up at run time: a system without them (Wine, for
// one) converts with the current rules.
using ConvertEx = BOOL(WINAPI*)(const DYNAMIC_TIME_ZONE_INFORMATION*, const SYSTEMTIME*,
                                SYSTEMTIME*);

struct YearlyRules {
  DYNAMIC_TIME_ZONE_INFORMATION zone = {};
  ConvertEx to_local = nullptr;
  ConvertEx to_utc = nullptr;

  YearlyRules() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr || ::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
      return;
    }
    to_local = reinterpret_cast<ConvertEx>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SystemTimeToTzSpecificLocalTimeEx")));
    to_utc = reinterpret_cast<ConvertEx>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "TzSpecificLocalTimeToSystemTimeEx")));
  }
};

const YearlyRules& Rules() {
  static const YearlyRules rules;
  return rules;
}

}  // namespace

long ZoneOffset(std::int64_t unix_seconds) {
  SYSTEMTIME utc = SystemTimeOf(unix_seconds);
  SYSTEMTIME local;
  const YearlyRules& rules = Rules();
  BOOL done = rules.to_local ? rules.to_local(&rules.zone, &utc, &local)
                             : ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  if (!done) return 0;
  return static_cast<long>(SecondsOf(local) - SecondsOf(utc));
}

std::int64_t FromLocalTime(const CivilTime& local) {
  SYSTEMTIME t = {};
  t.wYear = static_cast<WORD>(local.year);
  t.wMonth = static_cast<WORD>(local.month);
  t.wDay = static_cast<WORD>(local.day);
  t.wHour = static_cast<WORD>(local.hour);
  t.wMinute = static_cast<WORD>(local.minute);
  t.wSecond = static_cast<WORD>(local.second);
  std::int64_t wall = SecondsOf(t);
  SYSTEMTIME utc;
  const YearlyRules& rules = Rules();
  BOOL done = rules.to_utc ? rules.to_utc(&rules.zone, &t, &utc)
                           : ::TzSpecificLocalTimeToSystemTime(nullptr, &t, &utc);
  if (!done) return wall - ZoneOffset(wall);
  return SecondsOf(utc);
}

CivilTime LocalNow() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace platform
