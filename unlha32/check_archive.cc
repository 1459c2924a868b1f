#include "unlha32/check_archive.h"

#include "unlha32/archive_reader.h"
#include "unlha32/member_decoder.h"

namespace unlha32 {
namespace {

constexpr int kRapidHeaders = 3;

// The full check decodes every member; the bytes themselves are not kept.
bool DataMatches(ArchiveSource& source, const Member& member) {
  return DecodeMember(source, member, [](std::span<const std::uint8_t>) { return true; }) ==
         DecodeStatus::kOk;
}

}  // namespace

CheckResult CheckArchive(ArchiveSource& source, std::int32_t mode) {
  const int level = mode & kCheckLevelMask;
  const bool all = (mode & kCheckAll) != 0;
  const bool end_data = (mode & kCheckEndData) != 0;
  ArchiveReader::Options options;
  options.recovery = (mode & kCheckRecovery) != 0;
  if (all) options.recovery_window = 0;
  ArchiveReader reader(source, options);

  CheckResult result;
  ArchiveStart start = reader.Start();
  result.self_extracting = start.kind == ArchiveStart::Kind::kSelfExtracting;
  if (start.kind == ArchiveStart::Kind::kEmpty) {
    result.usable = true;
    return result;
  }

  Member member;
  for (;;) {
    HeaderStatus status = reader.Next(&member);
    if (status == HeaderStatus::kOk) {
      if (member.data_end() > source.size()) {
        result.problem = HeaderStatus::kTruncated;
        return result;
      }
      if (level >= kCheckFullCrc && !DataMatches(source, member)) {
        result.data_crc_mismatch = true;
        return result;
      }
      ++result.members_checked;
      if (level == kCheckRapid && !all && result.members_checked == kRapidHeaders) break;
      continue;
    }
    if (status == HeaderStatus::kEndOfFile) break;
    // The archive ends at its end mark. What follows belongs to something else (a stub's
    // code, a transfer program's padding, another system's trailer) and is never read.
    if (status == HeaderStatus::kEndMark) break;
    // Bytes where a header should be, even too few for one: extra data after the archive,
    // when that is allowed and at least one member came before them.
    if (end_data && result.members_checked > 0 && status != HeaderStatus::kReadError) {
      break;
    }
    result.problem = status;
    return result;
  }
  result.usable = result.members_checked > 0;
  if (!result.usable) result.problem = HeaderStatus::kBroken;
  return result;
}

}  // namespace unlha32
