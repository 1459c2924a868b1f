#include "platform/win32/win32_error.h"

#include <string>

#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

std::string SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string message;
  if (length > 0 && buffer != nullptr) {
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
      --length;
    }
    message = Narrow(std::wstring_view(buffer, length));
  }
  if (buffer != nullptr) ::LocalFree(buffer);
  if (message.empty()) message = "error " + std::to_string(error);
  return message;
}

}  // namespace

int ErrorToNumber(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return kNoError;
    case ERROR_FILE_NOT_FOUND:
      return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_PRIVILEGE_NOT_HELD:
      return kPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return kDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
      return kFileAlreadyExists;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return kDeviceIoError;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kTooManyFiles;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return kOutOfMemory;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_NO_UNICODE_TRANSLATION:
      return kBadFileName;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNRECOGNIZED_MEDIA:
      return kDiskNotReady;
    case ERROR_INVALID_PARAMETER:
      return kInvalidArgument;
    default:
      return kPathFileAccessError;
  }
}

Status ErrorStatus(DWORD error, std::string_view operation, std::string_view path) {
  std::string message;
  message.append(operation).append("(").append(path).append("): ").append(SystemMessage(error));
  return Status::Error(ErrorToNumber(error), std::move(message));
}

Status LastErrorStatus(std::string_view operation, std::string_view path) {
  return ErrorStatus(::GetLastError(), operation, path);
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
         error == ERROR_INVALID_DRIVE || error == ERROR_DIRECTORY || error == ERROR_BAD_NETPATH ||
         error == ERROR_BAD_NET_NAME;
}

}  // namespace platform::win32
