#include <string>

#include "platform/destination.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::string_view kWindowsReserved = "\\/:*?\"<>|";

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// The device that `name` stands for (CON, COM1, LPT³, ... before any extension or trailing
// spaces), or "" when it names none.
std::string_view DeviceOf(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringAsciiCase(base, device)) return base;
  }
  // COM and LPT with a digit, or with a superscript one, two or three.
  if (base.size() < 4 || !(EqualsIgnoringAsciiCase(base.substr(0, 3), "COM") ||
                           EqualsIgnoringAsciiCase(base.substr(0, 3), "LPT"))) {
    return std::string_view();
  }
  std::string_view digit = base.substr(3);
  if ((digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\u00B9" ||
      digit == "\u00B2" || digit == "\u00B3") {
    return base;
  }
  return std::string_view();
}

}  // namespace

std::string NameProblem(std::string_view name, const DestinationTraits& traits) {
  if (!traits.windows_names) return std::string();
  if (name.empty()) return "it is empty";
  // These file systems store names as UTF-16: bytes that are not UTF-8 have no form there.
  if (!traits.wide_names && !IsValidUtf8(name)) return "it is not valid UTF-8 text";
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
    const std::size_t length = DecodeUtf8(name, i, &code);
    // A byte that starts no character (a lone surrogate of a Windows name) is one unit.
    if (length == 0) code = 0xFFFD;
    i += length == 0 ? 1 : length;
    if (code < 0x20) return "it contains a control character";
    if (code < 0x80 && kWindowsReserved.find(static_cast<char>(code)) != std::string_view::npos) {
      return std::string("it contains '") + static_cast<char>(code) + "'";
    }
    units += code >= 0x10000 ? 2 : 1;
  }
  if (units > traits.max_name_units) {
    return "it is longer than " + std::to_string(traits.max_name_units) + " characters";
  }
  if (name.back() == '.') return "it ends with a dot";
  if (name.back() == ' ') return "it ends with a space";
  if (std::string_view device = DeviceOf(name); traits.device_names && !device.empty()) {
    return "Windows reserves it for the device " + std::string(device);
  }
  return std::string();
}

}  // namespace platform
