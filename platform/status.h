#pragma once

#include <string>
#include <string_view>

namespace platform {

// Error numbers are the run-time error numbers the program reports to its callers (the
// copy helpers return them, the run only tells zero from non-zero). Each platform maps
// its own error codes onto these in one place.
enum ErrorNumber : int {
  kNoError = 0,
  kInvalidArgument = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kUserInterrupt = 18,  // the user (or a signal) stopped the operation
  kBadFileName = 52,
  kFileNotFound = 53,
  kDeviceIoError = 57,
  kFileAlreadyExists = 58,
  kDiskFull = 61,
  kTooManyFiles = 67,
  kPermissionDenied = 70,
  kDiskNotReady = 71,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
};

// The outcome of one platform operation: success, or an error number with a message that
// names the operation, the path and the system's reason ("mkdir(/a/b): Permission denied").
class Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(int code, std::string message) { return Status(code, std::move(message)); }

  bool ok() const { return code_ == kNoError; }
  // "Missing" is an answer of its own: callers often treat it differently from a failure.
  bool IsNotFound() const { return code_ == kFileNotFound || code_ == kPathNotFound; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(int code, std::string message) : code_(code), message_(std::move(message)) {}

  int code_ = kNoError;
  std::string message_;
};

}  // namespace platform
