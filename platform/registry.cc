#include "platform/registry.h"

namespace platform {

RegistryValue RegistryValue::String(std::string_view text, std::uint32_t type) {
  return RegistryValue{type, std::string(text)};
}

RegistryValue RegistryValue::Number(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return RegistryValue{kRegNumber, bytes};
}

std::uint32_t RegistryValue::AsNumber() const {
  if (data.size() != 4) return 0;
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(data[i]);
  return number;
}

std::string_view RootName(std::uint32_t root) {
  switch (root) {
    case kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kCurrentUser:
      return "HKEY_CURRENT_USER";
    case kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kUsers:
      return "HKEY_USERS";
    case kCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    default:
      return "";
  }
}

}  // namespace platform
