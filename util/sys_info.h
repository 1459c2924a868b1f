#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"
#include "platform/registry.h"

namespace util {

// Predefined registry roots.
inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

// Reads value `SubKeyRef` of key `KeyName` below `KeyRoot` into `KeyVal`; true when read.
// A string value gives its text, a 32-bit number its unsigned decimal text; any other type
// leaves `KeyVal` as it was (and still answers true). A missing key or value, or one that
// does not fit the 1024-byte buffer, empties `KeyVal` and answers false.
bool GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);
bool GetKeyValue(platform::Registry& registry, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// Starts the system-information tool, or tells the user through `messages` that it is
// not available.
void StartSysInfo(platform::MessageBoxService& messages);
void StartSysInfo(platform::MessageBoxService& messages, platform::Registry& registry);

// Registers the desktop's system-information tool (the first of gnome-system-monitor,
// kinfocenter, hardinfo, hardinfo2 found on PATH) under the key StartSysInfo reads, unless
// a tool is registered already. Meant to be called once at program start. True when a
// tool is registered afterwards.
bool RegisterSystemInformationTool(platform::Registry& registry = platform::Registry::Default());

}  // namespace util
