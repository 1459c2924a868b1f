#include "util/sys_info.h"

#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/process.h"

namespace util {
namespace {

constexpr char kToolKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kToolValue[] = "PATH";
constexpr char kToolFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr char kToolFolderValue[] = "MSINFO";
constexpr char kToolFileName[] = "MSINFO32.EXE";
constexpr char kUnavailable[] = "現時点ではｼｽﾃﾑ情報を使用できません";

// The buffer the value is read into: a value longer than this does not fit.
constexpr std::size_t kValueBuffer = 1024;

// The desktops' own tools, in order of preference.
constexpr const char* kDesktopTools[] = {"gnome-system-monitor", "kinfocenter", "hardinfo",
                                         "hardinfo2"};

std::string_view CString(const std::string& text) { return std::string_view(text.c_str()); }

bool IsFile(const std::string& path) {
  platform::EntryInfo info;
  return platform::FileSystem::Default().Probe(path, &info).ok() &&
         info.kind == platform::EntryKind::kFile;
}

}  // namespace

bool GetKeyValue(platform::Registry& registry, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
  try {
    platform::RegistryValue value;
    if (!registry.QueryValue(KeyRoot, CString(KeyName), CString(SubKeyRef), &value).ok() ||
        value.QuerySize() > kValueBuffer) {
      KeyVal.clear();
      return false;
    }
    if (value.type == platform::kRegString) {
      KeyVal = std::string(CString(value.data));
    } else if (value.type == platform::kRegNumber) {
      KeyVal = std::to_string(value.AsNumber());
    }
    return true;
  } catch (...) {
    KeyVal.clear();
    return false;
  }
}

bool GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal) {
  return GetKeyValue(platform::Registry::Default(), KeyRoot, KeyName, SubKeyRef, KeyVal);
}

void StartSysInfo(platform::MessageBoxService& messages, platform::Registry& registry) {
  std::string program;
  std::string path;
  if (GetKeyValue(registry, HKEY_LOCAL_MACHINE, kToolKey, kToolValue, path)) {
    program = path;
  } else if (GetKeyValue(registry, HKEY_LOCAL_MACHINE, kToolFolderKey, kToolFolderValue, path)) {
    std::string candidate = path + platform::Separator() + kToolFileName;
    if (IsFile(candidate)) program = candidate;
  }
  if (!program.empty() && platform::StartProgram(program).ok()) return;
  messages.MsgBox(kUnavailable, platform::kOkOnly);
}

void StartSysInfo(platform::MessageBoxService& messages) {
  StartSysInfo(messages, platform::Registry::Default());
}

bool RegisterSystemInformationTool(platform::Registry& registry) {
  std::string registered;
  if (GetKeyValue(registry, HKEY_LOCAL_MACHINE, kToolKey, kToolValue, registered)) return true;
  for (const char* tool : kDesktopTools) {
    std::string path = platform::FindProgram(tool);
    if (path.empty()) continue;
    return registry
        .SetValue(platform::kLocalMachine, kToolKey, kToolValue,
                  platform::RegistryValue::String(path))
        .ok();
  }
  return false;
}

}  // namespace util
