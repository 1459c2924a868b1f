#pragma once

#include <string>

namespace util {

// File and path helpers. Only the presence check exists so far; the rest of the class
// comes with its own issue.
class cFile {
 public:
  // Whether `strTargetFileName` is found where the platform looks for libraries and
  // programs (program folder, current folder, system folders, PATH).
  bool CheckExistFile(const std::string& strTargetFileName);
};

}  // namespace util
