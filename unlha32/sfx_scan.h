#pragma once

#include <cstdint>
#include <optional>

#include "unlha32/archive_source.h"

namespace unlha32 {

// How far into a file the first header of a self-extracting archive is looked for. Real
// stubs put it between 60 bytes and 65 KiB in; the margin is for larger stubs.
inline constexpr std::uint64_t kSfxScanLimit = 1024 * 1024;

// Candidates found by scanning are validated with this header limit: a stray pattern in a
// stub cannot then make each of many candidates read a large claimed header.
inline constexpr std::size_t kScanHeaderLimit = 4096;

struct ArchiveStart {
  enum class Kind {
    kPlain,           // the first header is at offset 0
    kSelfExtracting,  // a stub comes first; the first header is at `offset`
    kEmpty,           // the file is only the end mark
    kNotArchive,      // no header where one should be, nor within the scan limit
    kReadError,
  };
  Kind kind = Kind::kNotArchive;
  std::uint64_t offset = 0;
};

// Locates the first header. A file that starts like a header is a plain archive (even when
// that header turns out damaged: the reader reports it). Otherwise the first header that
// validates fully, within kSfxScanLimit, starts the archive, except that the usage-text
// archive Amiga LhASFX embeds in its stub is stepped over.
ArchiveStart FindArchiveStart(ArchiveSource& source);

// The first offset in [from, limit) where a header validates fully and its data lies
// inside the archive; nullopt when there is none (or reading fails).
std::optional<std::uint64_t> FindNextHeader(ArchiveSource& source, std::uint64_t from,
                                            std::uint64_t limit);

}  // namespace unlha32
