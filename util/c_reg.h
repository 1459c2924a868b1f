#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"
#include "platform/registry.h"

namespace util {

// Reads and writes string values of the registry (the machine's own by default). Names are
// handed to the registry as C strings: a NUL ends them.
class cReg {
 public:
  // A cReg for reading. RegSetString's unexpected failures then reach the caller as
  // exceptions, as there is nobody to tell.
  explicit cReg(platform::Registry& registry = platform::Registry::Default())
      : registry_(&registry) {}
  // A cReg that reports RegSetString's unexpected failures through `messages`.
  explicit cReg(platform::MessageBoxService& messages,
                platform::Registry& registry = platform::Registry::Default())
      : registry_(&registry), messages_(&messages) {}

  // The text of the plain-string value `strValName` of key `strSubKey` below the root
  // `lnghInKey`; "" when the key or value is missing, is not a plain string (type 1), or
  // does not fit the 256-byte buffer with its terminating NUL. Never fails.
  std::string RegGetString(std::uint32_t lnghInKey, const std::string& strSubKey,
                           const std::string& strValName) const;

  // Stores `strValue` as the plain-string value `strSetValue` of key `strSubKey` below
  // `lnghKey`, creating the key as needed; true when stored. A registry refusal is false;
  // an unexpected failure is also shown as "ERROR #<number> : <description>".
  bool RegSetString(std::uint32_t lnghKey, const std::string& strSubKey,
                    const std::string& strSetValue, const std::string& strValue) const;

 private:
  platform::Registry* registry_;
  platform::MessageBoxService* messages_ = nullptr;
};

}  // namespace util
