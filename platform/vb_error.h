#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A run-time error that reaches the caller (an index out of range, an overflowing count),
// carrying its error number (status.h).
class VbError : public std::runtime_error {
 public:
  VbError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

}  // namespace platform
