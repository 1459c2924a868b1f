#include "unlha32/member_attributes.h"

#include "platform/clock.h"
#include "unlha32/member_record.h"

namespace unlha32 {
namespace {

constexpr std::uint16_t kFileTypeMask = 0170000;
constexpr std::uint16_t kRegularFile = 0100000;
constexpr std::uint16_t kFolder = 0040000;
constexpr std::uint16_t kSymbolicLink = 0120000;
constexpr unsigned kPermissionBits = 0777;
constexpr unsigned kReadOnlyPermissions = 0444;

}  // namespace

bool IsSpecialFile(const Member& member) {
  if (!member.unix_mode) return false;
  std::uint16_t type = *member.unix_mode & kFileTypeMask;
  // A folder entry is a folder whatever else its mode says (OS-9 LHA stores bits of its own
  // there), except LHa for UNIX's links.
  if (member.IsDirectory()) return type == kSymbolicLink;
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
  if (member.unix_mode) {
    const std::uint16_t type = *member.unix_mode & kFileTypeMask;
    // A mode that does not describe a folder says nothing a folder could use.
    if (!member.IsDirectory() || type == kFolder || type == 0) {
      return *member.unix_mode & kPermissionBits;
    }
  }
  // A read-only folder would be one nobody can enter.
  if (!member.IsDirectory() && AttributeText(member)[0] == 'r') return kReadOnlyPermissions;
  return std::nullopt;
}

}  // namespace unlha32
