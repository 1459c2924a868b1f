#include "unlha32/list_command.h"

#include <cinttypes>
#include <cstdio>

#include "platform/text.h"
#include "unlha32/archive_reader.h"
#include "unlha32/archive_source.h"
#include "unlha32/member_name.h"
#include "unlha32/member_record.h"
#include "unlha32/result_codes.h"
#include "unlha32/wildcard.h"

namespace unlha32 {
namespace {

constexpr std::string_view kHeading =
    "  Original     Packed   Ratio Date       Time     Attr Method CRC  Name\n";
constexpr std::string_view kRule =
    "---------- ---------- ------- ---------- -------- ---- ------ ---- --------------------\n";
constexpr std::string_view kVerboseHeading =
    "  Original     Packed   Ratio Date       Time     Attr Method CRC  Lv OS Name\n";
constexpr std::string_view kVerboseRule =
    "---------- ---------- ------- ---------- -------- ---- ------ ---- -- -- ---------------\n";

std::string Ratio(std::uint16_t per_mille) {
  char text[16];
  std::snprintf(text, sizeof text, "%4u.%u%%", per_mille / 10u, per_mille % 10u);
  return text;
}

// The creating system's id byte as one character ("-" when the header has none).
char OsLetter(const Member& member) {
  if (!member.os_id) return '-';
  return *member.os_id > 0x20 && *member.os_id < 0x7F ? static_cast<char>(*member.os_id) : '?';
}

std::string Row(const Member& member, bool verbose) {
  std::uint32_t stamp = DosStamp(member);
  unsigned date = stamp >> 16, time = stamp & 0xFFFF;
  char line[160];
  std::snprintf(line, sizeof line,
                "%10" PRIu64 " %10" PRIu64 " %s %04u/%02u/%02u %02u:%02u:%02u %s %-6s %04X ",
                member.original_size, member.packed_size,
                Ratio(RatioPerMille(member.packed_size, member.original_size)).c_str(),
                1980 + (date >> 9), (date >> 5) & 0xF, date & 0x1F, time >> 11, (time >> 5) & 0x3F,
                (time & 0x1F) * 2, AttributeText(member).c_str(), MethodText(member).c_str(),
                member.data_crc);
  std::string row = line;
  if (verbose) {
    char more[16];
    std::snprintf(more, sizeof more, " %2d %2c ", member.level, OsLetter(member));
    row.pop_back();  // the blank before the name
    row += more;
  }
  return row + platform::PrintableText(StoredPath(member)) + "\n";
}

}  // namespace

CommandResult ListMembers(const Command& command) {
  CommandResult result;
  std::unique_ptr<FileSource> source = FileSource::Open(command.archive);
  if (!source) return {kCannotOpen, ""};
  ArchiveReader reader(*source, {.recovery = command.recovery});
  ArchiveStart start = reader.Start();
  if (start.kind == ArchiveStart::Kind::kNotArchive) return {kNotArchive, ""};
  if (start.kind == ArchiveStart::Kind::kReadError) return {kReadError, ""};

  const bool verbose = command.verb == 'v';
  result.output = verbose ? kVerboseHeading : kHeading;
  result.output += verbose ? kVerboseRule : kRule;
  std::uint64_t original = 0, packed = 0, count = 0;
  Member member;
  HeaderStatus status;
  while ((status = reader.Next(&member)) == HeaderStatus::kOk) {
    if (!MatchesAnyWildcard(command.patterns, StoredPath(member))) continue;
    result.output += Row(member, verbose);
    original += member.original_size;
    packed += member.packed_size;
    ++count;
  }
  result.output += verbose ? kVerboseRule : kRule;
  char total[128];
  std::snprintf(total, sizeof total, "%10" PRIu64 " %10" PRIu64 " %s %" PRIu64 " file(s)\n",
                original, packed, Ratio(RatioPerMille(packed, original)).c_str(), count);
  result.output += total;
  result.code = CodeForStatus(status);
  return result;
}

}  // namespace unlha32
