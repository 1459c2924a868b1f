#include "tests/support/platform_paths.h"

#include <algorithm>

#include "platform/path_rules.h"
#include "platform/text.h"

namespace testing_support {

std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', platform::Separator());
  return path;
}

std::string JobCase(const std::string& path) {
  return platform::NamesAreCaseSensitive() ? path : platform::UpperCase(path);
}

std::string Canonical(std::string path) {
  std::replace(path.begin(), path.end(), platform::Separator(), '/');
  if (!platform::NamesAreCaseSensitive()) {
    for (char& c : path) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  return path;
}

}  // namespace testing_support
