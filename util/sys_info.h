#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"

namespace util {

// Predefined registry roots.
inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

// Reads value `SubKeyRef` of key `KeyName` below `KeyRoot` into `KeyVal`; true when read.
bool GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);

// Starts the system-information tool, or tells the user through `messages` that it is
// not available.
void StartSysInfo(platform::MessageBoxService& messages);

}  // namespace util
