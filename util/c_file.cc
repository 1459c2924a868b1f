#include "util/c_file.h"

#include "platform/search.h"

namespace util {

bool cFile::CheckExistFile(const std::string& strTargetFileName) {
  return !platform::SearchPath(strTargetFileName).empty();
}

}  // namespace util
