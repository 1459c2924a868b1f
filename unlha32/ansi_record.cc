#include "unlha32/ansi_record.h"

#include <cstring>
#include <string>

#include "platform/ansi_text.h"

namespace unlha32 {

void StorePathAsAnsi(UnlhaMemberInfo* info) {
  const std::size_t field = sizeof info->szFileName;
  std::string path =
      platform::Utf8ToAnsi(std::string_view(info->szFileName, ::strnlen(info->szFileName, field)));
  std::size_t length = platform::FitAnsi(path, field - 1);
  std::memset(info->szFileName, 0, field);
  std::memcpy(info->szFileName, path.data(), length);
}

}  // namespace unlha32
