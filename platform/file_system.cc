#include "platform/file_system.h"

#include "platform/full_path.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace platform {

bool FileIdentity::SameAs(const FileIdentity& other) const {
  if (!exists || !other.exists) return false;
  if (inode != 0 && other.inode != 0) return device == other.device && inode == other.inode;
  return NamesAreCaseSensitive() ? real_path == other.real_path
                                 : UpperCase(real_path) == UpperCase(other.real_path);
}

Status FileSystem::Identify(const std::string& path, FileIdentity* identity) {
  *identity = FileIdentity();
  EntryInfo info;
  Status status = Probe(path, &info);
  if (!status.ok() || info.kind == EntryKind::kMissing) return status;
  identity->exists = true;
  identity->real_path = FullPath(path);
  return Status::Ok();
}

}  // namespace platform
