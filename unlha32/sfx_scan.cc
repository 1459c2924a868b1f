#include "unlha32/sfx_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "unlha32/header_parser.h"
#include "unlha32/member.h"

namespace unlha32 {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// PMarc SFX stubs carry this id where a header would have its method; it never starts an
// archive.
constexpr std::string_view kPmarcStubMethod = "-pms-";

// Amiga LhASFX stubs embed a small valid archive (their usage text) before the real one.
constexpr std::string_view kDecoyMarker = "LhASFX";

bool IsPmarcStub(const std::uint8_t* at) {
  return std::memcmp(at + 2, kPmarcStubMethod.data(), kPmarcStubMethod.size()) == 0;
}

bool IsCandidate(const std::uint8_t* at, std::size_t available) {
  if (available < kCommonSize || at[2] != '-') return false;
  if (at[3] != 'l' && at[3] != 'p') return false;
  return LooksLikeHeader(std::span(at, kCommonSize)) && !IsPmarcStub(at);
}

// Where the archive starting at `offset` ends: just past its end mark, or where its
// headers stop validating.
std::uint64_t SkipArchive(ArchiveSource& source, std::uint64_t offset) {
  Member member;
  while (offset < source.size()) {
    HeaderStatus status = ReadHeader(source, offset, &member, kScanHeaderLimit);
    if (status == HeaderStatus::kEndMark) return offset + 1;
    if (status != HeaderStatus::kOk) return offset;
    offset = member.data_end();
  }
  return source.size();
}

bool ContainsDecoyMarker(ArchiveSource& source, std::uint64_t end) {
  std::vector<std::uint8_t> stub(static_cast<std::size_t>(end));
  if (!source.Read(0, stub)) return false;
  return std::search(stub.begin(), stub.end(), kDecoyMarker.begin(), kDecoyMarker.end()) !=
         stub.end();
}

}  // namespace

std::optional<std::uint64_t> FindNextHeader(ArchiveSource& source, std::uint64_t from,
                                            std::uint64_t limit) {
  limit = std::min(limit, source.size());
  std::vector<std::uint8_t> window;
  Member member;
  for (std::uint64_t base = from; base < limit; base += kChunk) {
    std::size_t length = static_cast<std::size_t>(
        std::min<std::uint64_t>(kChunk + kCommonSize, source.size() - base));
    window.resize(length);
    if (!source.Read(base, window)) return std::nullopt;
    std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, limit - base));
    for (std::size_t i = 0; i < end; ++i) {
      // Jump to the next '-' where a method id would start; most of a stub has none.
      const void* dash =
          length > i + 2 ? std::memchr(window.data() + i + 2, '-', length - i - 2) : nullptr;
      if (dash == nullptr) break;
      i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(dash) - window.data()) - 2;
      if (i >= end) break;
      if (!IsCandidate(window.data() + i, length - i)) continue;
      if (ReadHeader(source, base + i, &member, kScanHeaderLimit) == HeaderStatus::kOk &&
          member.data_end() <= source.size()) {
        return base + i;
      }
    }
  }
  return std::nullopt;
}

ArchiveStart FindArchiveStart(ArchiveSource& source) {
  using Kind = ArchiveStart::Kind;
  if (source.size() == 0) return {Kind::kNotArchive, 0};
  std::array<std::uint8_t, kCommonSize> head{};
  std::size_t head_length =
      static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), source.size()));
  if (!source.Read(0, std::span(head).first(head_length))) return {Kind::kReadError, 0};
  if (source.size() == 1 && head[0] == 0) return {Kind::kEmpty, 0};
  if (head_length == head.size() && LooksLikeHeader(head) && !IsPmarcStub(head.data())) {
    return {Kind::kPlain, 0};
  }

  std::optional<std::uint64_t> found = FindNextHeader(source, 1, kSfxScanLimit);
  if (found && ContainsDecoyMarker(source, *found)) {
    std::uint64_t after = SkipArchive(source, *found);
    if (std::optional<std::uint64_t> real = FindNextHeader(source, after, kSfxScanLimit)) {
      found = real;
    }
  }
  if (!found) return {Kind::kNotArchive, 0};
  return {Kind::kSelfExtracting, *found};
}

}  // namespace unlha32
