#pragma once

#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

// A shared library loaded at run time and unloaded when the object is destroyed.
class DynamicLibrary {
 public:
  virtual ~DynamicLibrary() = default;

  // Loads the library at `path` (a full path: the program never lets the loader search).
  // Returns null and sets `status` (with the loader's reason) when it cannot be loaded.
  static std::unique_ptr<DynamicLibrary> Open(const std::string& path, Status* status);

  // The address of the exported symbol `name`, or null when the library has none.
  virtual void* Symbol(const char* name) = 0;
};

}  // namespace platform
