#pragma once

#include <stdexcept>
#include <string>

#include "platform/status.h"

namespace platform {

// A run-time error that reaches the caller of an operation defined to let it through (a
// failing file operation, an overflow, a bad file number). Carries the program's error
// number (status.h) and a description that names the operation and the path.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  explicit RuntimeError(const Status& status)
      : std::runtime_error(status.message()), number_(status.code()) {}

  int number() const { return number_; }

 private:
  int number_;
};

// Throws `status` as a RuntimeError unless it is ok.
inline void ThrowIfFailed(const Status& status) {
  if (!status.ok()) throw RuntimeError(status);
}

}  // namespace platform
