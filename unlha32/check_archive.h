#pragma once

#include <cstdint>

#include "unlha32/archive_source.h"
#include "unlha32/member.h"

namespace unlha32 {

// Check mode values: a level in the low two bits, flags above (see README.md).
enum CheckMode : std::int32_t {
  kCheckRapid = 0,    // the first three headers
  kCheckBasic = 1,    // every header
  kCheckFullCrc = 2,  // every header, and the data CRC of every member, decoded
  kCheckLevelMask = 3,
  kCheckRecovery = 4,  // step over damaged headers to the next valid one
  kCheckSfx = 8,       // answer 2 instead of 1 for a self-extracting archive
  kCheckAll = 16,      // no three-header limit; recovery may search to the end of the file
  kCheckEndData = 32,  // accept any data after the archive
};

struct CheckResult {
  bool usable = false;
  bool self_extracting = false;
  int members_checked = 0;
  // Why an archive is not usable (kOk when it is).
  HeaderStatus problem = HeaderStatus::kOk;
  bool data_crc_mismatch = false;  // or a member that cannot be decoded
};

CheckResult CheckArchive(ArchiveSource& source, std::int32_t mode);

}  // namespace unlha32
