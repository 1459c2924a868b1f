#include <string>

#include "platform/destination.h"
#include "platform/text.h"

namespace platform {
namespace {

// The longest name FAT, exFAT and NTFS hold, in UTF-16 code units.
constexpr std::size_t kMaxWindowsNameUnits = 255;

constexpr std::string_view kWindowsReserved = "\\:*?\"<>|";

}  // namespace

std::string NameProblem(std::string_view name, const DestinationTraits& traits) {
  if (!traits.windows_names) return std::string();
  // These file systems store names as UTF-16: bytes that are not UTF-8 have no form there.
  if (!IsValidUtf8(name)) return "it is not valid UTF-8 text";
  if (traits.ascii_names) {
    for (char c : name) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        return "it has characters beyond ASCII, which this destination does not hold";
      }
    }
  }
  std::size_t units = 0;
  for (std::size_t i = 0; i < name.size();) {
    std::uint32_t code = 0;
    i += DecodeUtf8(name, i, &code);
    if (code < 0x20) return "it contains a control character";
    if (code < 0x80 && kWindowsReserved.find(static_cast<char>(code)) != std::string_view::npos) {
      return std::string("it contains '") + static_cast<char>(code) + "'";
    }
    units += code >= 0x10000 ? 2 : 1;
  }
  if (units > kMaxWindowsNameUnits) return "it is longer than 255 characters";
  if (!name.empty() && name.back() == '.') return "it ends with a dot";
  if (!name.empty() && name.back() == ' ') return "it ends with a space";
  return std::string();
}

}  // namespace platform
