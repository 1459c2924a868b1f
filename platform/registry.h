#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

// Predefined root keys, with the platform's handle values.
inline constexpr std::uint32_t kClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kUsers = 0x80000003u;
inline constexpr std::uint32_t kCurrentConfig = 0x80000005u;

// Value types, with the platform's numbers.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegNumber = 4;  // 32-bit, little-endian

// One value as the registry holds it. `data` is the value's bytes: for the string types the
// text without a terminating NUL (it may hold NULs of its own), for kRegNumber four bytes,
// least significant first.
struct RegistryValue {
  std::uint32_t type = kRegNone;
  std::string data;

  static RegistryValue String(std::string_view text, std::uint32_t type = kRegString);
  static RegistryValue Number(std::uint32_t number);

  bool IsString() const { return type == kRegString || type == kRegExpandString; }
  // The number of bytes a query hands back: strings count their terminating NUL.
  std::size_t QuerySize() const { return IsString() ? data.size() + 1 : data.size(); }
  // The number of a kRegNumber value (0 when the data is not four bytes).
  std::uint32_t AsNumber() const;
};

// A hierarchy of keys with named values below a few predefined roots. A key path is the
// key names joined with "\", "" naming the root itself; a value name of "" is the key's
// default value. Key and value names compare without regard to letter case and keep the
// spelling they were created with. Names are UTF-8 (any bytes except NUL).
//
// The implementation is the platform's: on POSIX a file-backed store of the user's, whose
// classes root also sees the desktop's file associations read-only (registry_posix.cc and
// util/README.md tell how). Methods may be called from any thread; writes from several
// threads or processes at once are serialised and lose nothing.
class Registry {
 public:
  virtual ~Registry() = default;

  // The platform's registry. On POSIX the store's location and the association folders are
  // read from the environment (XDG_DATA_HOME, HOME, ...) at every call.
  static Registry& Default();

  // Reads value `value_name` of key `key_path` below `root`. Ok with the value; kFileNotFound
  // when the key or the value does not exist (a store that cannot be read or understood
  // reads as empty); kInvalidArgument for an unknown root or a malformed key path (an empty
  // key name, a NUL).
  virtual Status QueryValue(std::uint32_t root, std::string_view key_path,
                            std::string_view value_name, RegistryValue* value) = 0;

  // Creates the key `key_path` below `root` with every missing key above it and stores
  // `value` as its value `value_name`, replacing any value of that name. Nothing changes on
  // failure: a store that cannot be read or understood is left as it is and the write fails.
  virtual Status SetValue(std::uint32_t root, std::string_view key_path,
                          std::string_view value_name, const RegistryValue& value) = 0;
};

// Forwards every call, so a test double overrides only what it changes.
class RegistryWrapper : public Registry {
 public:
  explicit RegistryWrapper(Registry& target) : target_(target) {}
  Status QueryValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                    RegistryValue* value) override {
    return target_.QueryValue(root, key_path, value_name, value);
  }
  Status SetValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                  const RegistryValue& value) override {
    return target_.SetValue(root, key_path, value_name, value);
  }

 private:
  Registry& target_;
};

// The name of a predefined root ("HKEY_CLASSES_ROOT", ...), or "" for an unknown handle.
std::string_view RootName(std::uint32_t root);

}  // namespace platform
