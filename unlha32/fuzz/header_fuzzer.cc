// libFuzzer target: every input is an archive. Lists it with and without recovery, builds
// each member's record and runs the check modes (all but the decoding one), so that header parsing,
// the SFX scan, name conversion and the checks all see hostile bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "unlha32/archive_reader.h"
#include "unlha32/archive_source.h"
#include "unlha32/check_archive.h"
#include "unlha32/member_record.h"
#include "unlha32/unlha32.h"

namespace {

// Larger inputs add nothing the reader treats differently (the SFX scan stops at 1 MiB);
// scripts/fuzz caps generated inputs far lower, since headers are small.
constexpr std::size_t kMaxInput = 1024 * 1024;

// A listing never yields more members than the input has room for headers.
constexpr int kMaxMembers = 1 << 16;

void List(unlha32::ArchiveSource& source, bool recovery) {
  unlha32::ArchiveReader reader(source, {.recovery = recovery});
  reader.Start();
  unlha32::Member member;
  UnlhaMemberInfo info;
  int count = 0;
  while (reader.Next(&member) == unlha32::HeaderStatus::kOk) {
    unlha32::FillMemberInfo(member, &info);
    if (++count > kMaxMembers) __builtin_trap();  // the reader must always move forward
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  unlha32::MemorySource source(std::span(data, size));
  // The input's length picks the listing's recovery flag and the check mode, so that every
  // mode is exercised without running all of them on every input. The full CRC check
  // decodes, which the decoding fuzzer covers with a cap on the output.
  List(source, (size & 1) != 0);
  unlha32::CheckArchive(source,
                        static_cast<std::int32_t>((size >> 1) & 63) & ~unlha32::kCheckFullCrc);
  return 0;
}
