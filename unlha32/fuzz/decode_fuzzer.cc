// libFuzzer target: every input is an archive whose members are all decoded, so that the
// decoders see hostile packed data and hostile sizes, and whose paths are all made safe for
// extraction, which must never yield a part that leaves the base folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "unlha32/archive_reader.h"
#include "unlha32/archive_source.h"
#include "unlha32/mac_binary.h"
#include "unlha32/member_decoder.h"
#include "unlha32/member_name.h"
#include "unlha32/output_path.h"

namespace {

// Inputs beyond this add nothing the decoders treat differently.
constexpr std::size_t kMaxInput = 256 * 1024;

// Decoded bytes per input: a few bytes of packed data may rightly declare gigabytes, and
// what matters is how the decoders walk the data, not how long they can go on. The usual
// ring: it is handed over once and wraps; the cost of an input grows with this.
constexpr std::uint64_t kMaxOutput = 64 * 1024;

bool IsSafePart(const std::string& part) {
  return !part.empty() && part != "." && part != ".." &&
         part.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

void CheckOutputPath(const unlha32::Member& member) {
  unlha32::OutputPath path;
  if (!unlha32::SafeOutputPath(unlha32::StoredPath(member), member.IsDirectory(), true, &path)) {
    return;
  }
  for (const std::string& folder : path.folders) {
    if (!IsSafePart(folder)) __builtin_trap();
  }
  if (!member.IsDirectory() && !IsSafePart(path.name)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  unlha32::MemorySource source(std::span(data, size));
  unlha32::ArchiveReader reader(source, {.recovery = (size & 1) != 0});
  reader.Start();
  std::uint64_t budget = kMaxOutput;
  unlha32::Member member;
  while (budget > 0 && reader.Next(&member) == unlha32::HeaderStatus::kOk) {
    CheckOutputPath(member);
    std::uint64_t produced = 0;
    std::vector<std::uint8_t> head;
    unlha32::DecodeMember(source, member, [&](std::span<const std::uint8_t> bytes) {
      const std::size_t take = std::min(bytes.size(), unlha32::kMacBinaryHeaderSize - head.size());
      head.insert(head.end(), bytes.begin(), bytes.begin() + static_cast<long>(take));
      produced += bytes.size();
      if (produced > member.original_size) __builtin_trap();  // the declared size bounds it
      if (bytes.size() > budget) return false;
      budget -= bytes.size();
      return true;
    });
    // A data fork that MacBinary's header places must lie inside the member.
    if (auto fork = unlha32::MacBinaryDataFork(head, member.original_size)) {
      if (fork->offset + fork->size > member.original_size) __builtin_trap();
    }
  }
  return 0;
}
