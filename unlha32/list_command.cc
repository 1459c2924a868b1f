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

constexpr std::string_view kRule =
    "---------- ---------- ------- ---------- -------- ---- ------ ---- --------------------\n";

std::string Ratio(std::uint16_t per_mille) {
  char text[16];
  std::snprintf(text, sizeof text, "%4u.%u%%", per_mille / 10u, per_mille % 10u);
  return text;
}

std::string Row(const Member& member) {
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
  return line + platform::PrintableText(StoredPath(member)) + "\n";
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& path) {
  if (patterns.empty()) return true;
  for (const std::string& pattern : patterns) {
    if (MatchesWildcard(pattern, path)) return true;
  }
  return false;
}

CommandResult List(const std::string& archive, const std::vector<std::string>& patterns) {
  CommandResult result;
  std::unique_ptr<FileSource> source = FileSource::Open(archive);
  if (!source) return {kCannotOpen, ""};
  ArchiveReader reader(*source, {});
  ArchiveStart start = reader.Start();
  if (start.kind == ArchiveStart::Kind::kNotArchive) return {kNotArchive, ""};
  if (start.kind == ArchiveStart::Kind::kReadError) return {kReadError, ""};

  result.output = "  Original     Packed   Ratio Date       Time     Attr Method CRC  Name\n";
  result.output += kRule;
  std::uint64_t original = 0, packed = 0, count = 0;
  Member member;
  HeaderStatus status;
  while ((status = reader.Next(&member)) == HeaderStatus::kOk) {
    if (!MatchesAny(patterns, StoredPath(member))) continue;
    result.output += Row(member);
    original += member.original_size;
    packed += member.packed_size;
    ++count;
  }
  result.output += kRule;
  char total[128];
  std::snprintf(total, sizeof total, "%10" PRIu64 " %10" PRIu64 " %s %" PRIu64 " file(s)\n",
                original, packed, Ratio(RatioPerMille(packed, original)).c_str(), count);
  result.output += total;
  result.code = CodeForStatus(status);
  return result;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else if (!quoted && (line[i] == ' ' || line[i] == '\t')) {
        break;
      } else {
        word += line[i];
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

CommandResult RunCommand(std::string_view command_line) {
  std::vector<std::string> words = SplitCommandLine(command_line);
  if (words.empty() || (words[0] != "l" && words[0] != "L")) return {kBadCommand, ""};
  std::vector<std::string> arguments(words.begin() + 1, words.end());
  for (const std::string& argument : arguments) {
    if (!argument.empty() && argument[0] == '-') return {kBadCommand, ""};  // no switches
  }
  if (arguments.empty()) return {kNoArchiveName, ""};
  return List(arguments[0], {arguments.begin() + 1, arguments.end()});
}

}  // namespace unlha32
