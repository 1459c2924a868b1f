#include <windows.h>

#include "platform/process.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

bool IsFile(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// A name without a folder is looked for in the folders of PATH (never in the current
// folder), as it is and with ".exe" added.
std::string FindProgram(std::string_view name) {
  if (name.empty()) return std::string();
  std::wstring wide = win32::WidePath(name);
  if (name.find_first_of("\\/:") != std::string_view::npos) {
    return IsFile(wide) ? std::string(name) : std::string();
  }
  DWORD needed = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (needed == 0) return std::string();
  std::wstring path(needed, L'\0');
  DWORD length = ::GetEnvironmentVariableW(L"PATH", path.data(), needed);
  path.resize(length < needed ? length : 0);
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(L';', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring folder = path.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    if (folder.back() != L'\\' && folder.back() != L'/') folder.push_back(L'\\');
    for (const wchar_t* extension : {L"", L".exe"}) {
      std::wstring candidate = folder + wide + extension;
      if (IsFile(candidate)) return win32::Narrow(candidate);
    }
  }
  return std::string();
}

Status StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::string path = FindProgram(program);
  if (path.empty()) {
    return Status::Error(kFileNotFound, "start(" + program + "): no such program");
  }
  std::wstring wide_path = win32::WidePath(path);
  std::wstring line;
  win32::AppendArgument(win32::Widen(path), line);
  for (const std::string& argument : arguments) win32::AppendArgument(win32::Widen(argument), line);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(wide_path.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr,
                        &startup, &process)) {
    return win32::LastErrorStatus("start", path);
  }
  // The program runs on its own; nothing waits for it.
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return Status::Ok();
}

}  // namespace platform
