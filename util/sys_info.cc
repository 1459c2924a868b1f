#include "util/sys_info.h"

namespace util {

// Placeholder until the registry exists: nothing is registered.
bool GetKeyValue(std::uint32_t, const std::string&, const std::string&, std::string& KeyVal) {
  KeyVal.clear();
  return false;
}

void StartSysInfo(platform::MessageBoxService& messages) {
  messages.MsgBox("現時点ではｼｽﾃﾑ情報を使用できません", platform::kOkOnly);
}

}  // namespace util
