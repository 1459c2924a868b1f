#include "unlha32/check_archive.h"

#include <vector>

#include "unlha32/archive_reader.h"
#include "unlha32/crc16.h"

namespace unlha32 {
namespace {

constexpr int kRapidHeaders = 3;
constexpr std::size_t kCrcChunk = 256 * 1024;

bool IsStored(const Member& member) {
  std::string_view method = member.method_text();
  return method == "-lh0-" || method == "-lz4-" || method == "-pm0-";
}

// Only stored data can be verified: the library lists and checks, it does not decompress.
bool StoredDataMatches(ArchiveSource& source, const Member& member) {
  if (member.packed_size != member.original_size) return false;
  std::vector<std::uint8_t> chunk;
  std::uint16_t crc = 0;
  for (std::uint64_t done = 0; done < member.packed_size;) {
    chunk.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(kCrcChunk, member.packed_size - done)));
    if (!source.Read(member.data_offset + done, chunk)) return false;
    crc = Crc16(chunk, crc);
    done += chunk.size();
  }
  return crc == member.data_crc;
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
      if (level >= kCheckFullCrc && IsStored(member) && !member.IsDirectory() &&
          !StoredDataMatches(source, member)) {
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
