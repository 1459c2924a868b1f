#include "platform/posix/posix_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace platform::posix {

int ErrnoToNumber(int err) {
  switch (err) {
    case 0:
      return kNoError;
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kDiskFull;
    case EEXIST:
    case ENOTEMPTY:
      return kFileAlreadyExists;
    case EIO:
      return kDeviceIoError;
    case EMFILE:
    case ENFILE:
      return kTooManyFiles;
    case ENOMEM:
      return kOutOfMemory;
    case ENAMETOOLONG:
    case EILSEQ:
      return kBadFileName;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
      return kDiskNotReady;
    default:
      return kPathFileAccessError;
  }
}

Status ErrnoStatus(int err, std::string_view operation, std::string_view path) {
  std::string message;
  message.reserve(operation.size() + path.size() + 40);
  message.append(operation).append("(").append(path).append("): ").append(std::strerror(err));
  return Status::Error(ErrnoToNumber(err), std::move(message));
}

}  // namespace platform::posix
