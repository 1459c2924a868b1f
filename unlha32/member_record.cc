#include "unlha32/member_record.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/clock.h"
#include "unlha32/member_name.h"

namespace unlha32 {
namespace {

// MS-DOS attribute bits.
constexpr std::uint16_t kReadOnly = 0x01;
constexpr std::uint16_t kHidden = 0x02;
constexpr std::uint16_t kSystem = 0x04;
constexpr std::uint16_t kFolder = 0x10;
constexpr std::uint16_t kArchive = 0x20;

// Unix mode bits.
constexpr std::uint16_t kFileTypeMask = 0170000;
constexpr std::uint16_t kUnixFolder = 0040000;
constexpr std::uint16_t kOwnerWrite = 0200;

constexpr std::uint16_t kMaxRatio = 32767;

std::uint16_t DosAttributeFromUnix(const Member& member, std::uint16_t mode) {
  std::uint16_t attribute = 0;
  if ((mode & kOwnerWrite) == 0) attribute |= kReadOnly;
  std::string path = StoredPath(member);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  std::size_t slash = path.rfind('\\');
  std::string_view name(path);
  if (slash != std::string::npos) name.remove_prefix(slash + 1);
  if (!name.empty() && name[0] == '.') attribute |= kHidden;
  bool folder = (mode & kFileTypeMask) == kUnixFolder || member.IsDirectory();
  attribute |= folder ? kFolder : kArchive;
  return attribute;
}

// The MS-DOS attribute: level 0 has it at offset 19; levels 1 to 3 carry it in extended
// header 0x40, and offset 19 is only a placeholder there, so a Unix mode says more.
std::uint16_t DosAttribute(const Member& member) {
  if (member.level == 0) return member.base_attribute;
  if (member.dos_attribute) return *member.dos_attribute;
  if (member.unix_mode) return DosAttributeFromUnix(member, *member.unix_mode);
  return member.base_attribute;
}

std::uint16_t PackDate(const platform::CivilTime& t) {
  return static_cast<std::uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
}

std::uint16_t PackTime(const platform::CivilTime& t) {
  return static_cast<std::uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
}

void CopyText(std::string_view text, char* field, std::size_t size) {
  std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

std::uint32_t OsTypeOf(const Member& member) {
  if (!member.os_id) return kOsMsDos;  // level 0 without an extension area: DOS tools
  switch (*member.os_id) {
    case 'M':
      return kOsMsDos;
    case 'U':
      return kOsUnix;
    case 'A':
      return kOsAmiga;
    case 'm':
      return kOsMac;
    case '2':
      return kOsOs2;
    case 'a':
      return kOsAtari;
    case 0:
    case ' ':
      return kOsGeneric;
    case '9':
      return kOsOs9;
    case 'K':
      return kOsOs9_68k;
    case '3':
      return kOsOs386;
    case 'H':
      return kOsHuman68k;
    case 'C':
      return kOsCpm;
    case 'F':
      return kOsFlex;
    case 'R':
      return kOsRunser;
    case 'W':
      return kOsWindowsNt;
    case 'w':
      return kOsWindows95;
    case 'T':
      return kOsTownsOs;
    case 'X':
      return kOsXosk;
    case 'J':
      return kOsJava;
    default:
      return kOsUnknown;
  }
}

std::string AttributeText(const Member& member) {
  std::uint16_t attribute = DosAttribute(member);
  std::string text = "----";
  if (attribute & kReadOnly) text[0] = 'r';
  if (attribute & kSystem) text[1] = 's';
  if (attribute & kHidden) text[2] = 'h';
  if (attribute & kArchive) text[3] = 'a';
  return text;
}

std::uint16_t RatioPerMille(std::uint64_t packed, std::uint64_t original) {
  if (original == 0) return 0;
  unsigned __int128 ratio =
      (static_cast<unsigned __int128>(packed) * 1000 + original / 2) / original;
  return static_cast<std::uint16_t>(std::min<unsigned __int128>(ratio, kMaxRatio));
}

std::uint32_t DosStamp(const Member& member) {
  if (member.level <= 1) return member.stamp;  // time in the low word, date in the high
  platform::CivilTime local = platform::ToLocalTime(member.stamp);
  if (local.year < 1980) local = {1980, 1, 1, 0, 0, 0};
  if (local.year > 2107) local = {2107, 12, 31, 23, 59, 58};
  return static_cast<std::uint32_t>(PackDate(local)) << 16 | PackTime(local);
}

std::string MethodText(const Member& member) {
  if (member.IsDirectory()) return "-lhd-";
  return std::string(member.method_text());
}

void FillMemberInfo(const Member& member, UnlhaMemberInfo* info) {
  std::memset(info, 0, sizeof *info);
  constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
  info->dwOriginalSize = static_cast<std::uint32_t>(std::min(member.original_size, kMax32));
  info->dwCompressedSize = static_cast<std::uint32_t>(std::min(member.packed_size, kMax32));
  info->dwCRC = member.data_crc;
  info->uFlag = 0;
  info->uOSType = OsTypeOf(member);
  info->wRatio = RatioPerMille(member.packed_size, member.original_size);
  std::uint32_t stamp = DosStamp(member);
  info->wDate = static_cast<std::uint16_t>(stamp >> 16);
  info->wTime = static_cast<std::uint16_t>(stamp & 0xFFFF);
  CopyText(FitUtf8(StoredPath(member), UNLHA_FNAME_MAX32), info->szFileName,
           sizeof info->szFileName);
  CopyText(AttributeText(member), info->szAttribute, sizeof info->szAttribute);
  CopyText(MethodText(member), info->szMode, sizeof info->szMode);
}

}  // namespace unlha32
