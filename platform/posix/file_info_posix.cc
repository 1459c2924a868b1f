#include "platform/file_info.h"

namespace platform {

bool ReadFileVersion(const std::string&, FileVersionNumbers*) { return false; }

bool ShortPathName(const std::string& long_path, std::string* short_path) {
  *short_path = long_path;
  return true;
}

}  // namespace platform
