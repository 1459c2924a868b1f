// The cFile operations that read file associations from the registry's classes root.
#include "util/c_file.h"
#include "util/c_reg.h"

namespace util {
namespace {

constexpr char kOpenCommand[] = "\\shell\\open\\command";

std::string TrimBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string cFile::Executable(const std::string& strFileName) const {
  std::string key = "." + Extension(strFileName);
  cReg reg(*registry_);
  std::string class_name = reg.RegGetString(platform::kClassesRoot, key, "");
  std::string command = reg.RegGetString(
      platform::kClassesRoot, (class_name.empty() ? key : class_name) + kOpenCommand, "");
  if (command.empty()) return std::string();
  std::size_t placeholder = command.find("%1");
  if (placeholder == std::string::npos) return command + " " + strFileName;
  command.replace(placeholder, 2, strFileName);
  return TrimBlanks(command);
}

std::string cFile::GetFileType(const std::string& strFileName) const {
  std::string extension = Extension(strFileName);
  cReg reg(*registry_);
  std::string class_name = reg.RegGetString(platform::kClassesRoot, "." + extension, "");
  std::string description = reg.RegGetString(platform::kClassesRoot, class_name, "");
  if (!description.empty()) return description;
  return extension + " ﾌｧｲﾙ";
}

}  // namespace util
