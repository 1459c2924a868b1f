#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

// Windows facilities that tests use beside the platform layer, under names of their own, so
// that a test need not include <windows.h> (whose macros clash with the program's names).
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kFolder = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;

// Sets the attribute bits of `path`; fails the test when it cannot.
void SetAttributesOf(const std::string& path, std::uint32_t attributes);
std::uint32_t AttributesOf(const std::string& path);

// Removes a registry key with everything below it (root: a predefined key's number).
void RemoveRegistryKey(std::uint32_t root, const std::string& key);

// Copies a file whole, replacing the target; fails the test when it cannot.
void CopyWholeFile(const std::string& from, const std::string& to);

unsigned ProcessId();

// Makes `link` a link to the folder `target`: a junction where the system makes them; under
// Wine, which makes none, a symbolic link of the host (which Wine shows as a plain folder).
// False when neither can be made.
bool MakeFolderLink(const std::string& link, const std::string& target);

// Removes the folder `path` with everything below it through the host, under Wine (where a
// link of the host can keep the system's own removal from it); false elsewhere.
bool RemoveThroughHost(const std::string& path);

// Holds `path` open as another program would, denying others the right to remove it, until
// the object goes away.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  void* handle_;
};

}  // namespace testing_support
