#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/output_folder.h"
#include "unlha32/archive_source.h"
#include "unlha32/member.h"
#include "unlha32/output_path.h"

namespace unlha32 {

// What became of one member: kSuccess, or a ResultCode and a short reason for a person.
struct Outcome {
  int code = 0;
  std::string reason;
};

// Tests or extracts members of one archive, one at a time.
//
// Extracting writes each file under a temporary name in its folder and gives it its own
// name only when the whole of it was decoded with the right CRC, so a damaged member never
// leaves a file under its name. Folders are created and opened one name at a time below
// the base folder, never through a symbolic link; names that would leave the base folder
// and members that are links or devices are refused. An existing file is replaced only
// with `overwrite`.
class MemberExtractor {
 public:
  // Testing only: decodes and checks the CRC, writes nothing.
  explicit MemberExtractor(ArchiveSource& source);
  // Extracting below `base`, with the members' folders (`keep_folders`) or without.
  MemberExtractor(ArchiveSource& source, platform::OutputFolder& base, bool keep_folders,
                  bool overwrite);
  ~MemberExtractor();

  Outcome Handle(const Member& member);

  // Gives the folders that folder entries created or named their permission bits and
  // times, now that nothing more is written into them. Failures are not reported: every
  // file is in place by then.
  void Finish();

 private:
  struct FolderEntry {
    std::vector<std::string> path;
    std::optional<unsigned> permissions;
    std::int64_t mtime;
  };

  Outcome Test(const Member& member);
  Outcome Extract(const Member& member);
  Outcome ExtractFile(const Member& member, const OutputPath& path);
  // Opens (creating as needed) the folder `path` below the base; the last one opened is
  // kept, since members of one folder usually follow each other.
  Outcome OpenFolder(const std::vector<std::string>& path, platform::OutputFolder** folder);

  ArchiveSource& source_;
  platform::OutputFolder* base_ = nullptr;
  bool keep_folders_ = true;
  bool overwrite_ = false;
  std::vector<std::string> open_path_;
  std::unique_ptr<platform::OutputFolder> open_folder_;
  std::vector<FolderEntry> folder_entries_;
};

}  // namespace unlha32
