#include "unlha32/member_attributes.h"

#include "platform/clock.h"
#include "unlha32/member_record.h"

namespace unlha32 {
namespace {

constexpr std::uint16_t kFileTypeMask = 0170000;
constexpr std::uint16_t kRegularFile = 0100000;
constexpr std::uint16_t kFolder = 0040000;
constexpr unsigned kPermissionBits = 0777;
constexpr unsigned kReadOnlyPermissions = 0444;

}  // namespace

bool IsSpecialFile(const Member& member) {
  if (!member.unix_mode) return false;
  std::uint16_t type = *member.unix_mode & kFileTypeMask;
  // Some writers leave the type bits empty.
  return type != 0 && type != kRegularFile && type != kFolder;
}

std::int64_t MemberMtime(const Member& member) {
  if (member.unix_mtime) return *member.unix_mtime;
  if (member.level >= 2) return member.stamp;
  const std::uint32_t date = member.stamp >> 16, time = member.stamp & 0xFFFF;
  platform::CivilTime local;
  local.year = 1980 + static_cast<int>(date >> 9);
  local.month = static_cast<int>((date >> 5) & 0xF);
  local.day = static_cast<int>(date & 0x1F);
  local.hour = static_cast<int>(time >> 11);
  local.minute = static_cast<int>((time >> 5) & 0x3F);
  local.second = static_cast<int>(time & 0x1F) * 2;
  return platform::FromLocalTime(local);
}

std::optional<unsigned> MemberPermissions(const Member& member) {
  if (member.unix_mode) return *member.unix_mode & kPermissionBits;
  if (AttributeText(member)[0] == 'r') return kReadOnlyPermissions;
  return std::nullopt;
}

}  // namespace unlha32
