#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/status.h"

namespace platform::posix {

// Splits a key path at "\" into key names. "" is the root itself (no names). Fails with
// kInvalidArgument for an empty name (a leading, trailing or doubled "\") or a NUL.
Status SplitKeyPath(std::string_view key_path, std::vector<std::string>* names);

// The registry store in memory: every root's tree of keys and values, names compared after
// Unicode upper-casing, each keeping the spelling it was created with.
//
// Its text form, one item a line, UTF-8, written and read whole:
//
//   grebewick-registry 1
//   key HKEY_CURRENT_USER "Software" "Grebewick"
//   value "" sz "the default value"
//   value "Count" dword 42
//   value "Path" expand_sz "%HOME%/bin"
//   value "Blob" type 3 "\x01\x02"
//   end
//
// A key line names one key by its root and its key names; the value lines after it belong
// to it. Quoted texts escape "\", the double quote, control characters and bytes that are
// not UTF-8 as \\, \" and \xHH. The closing "end" line tells a whole file from a cut one.
class RegistryTree {
 public:
  RegistryTree();
  ~RegistryTree();
  RegistryTree(RegistryTree&&) noexcept;
  RegistryTree& operator=(RegistryTree&&) noexcept;

  // The value, or null when the key or the value does not exist.
  const RegistryValue* Find(std::uint32_t root, const std::vector<std::string>& names,
                            std::string_view value_name) const;

  // Creates the key chain as needed and stores the value (replacing one of the same name).
  void Set(std::uint32_t root, const std::vector<std::string>& names, std::string_view value_name,
           const RegistryValue& value);

  std::string Serialize() const;

  // Replaces `tree` with the store that `text` holds. Fails with kInvalidArgument and a
  // message that names the line when the text is not a whole, well-formed store; `tree` is
  // then left empty.
  static Status Parse(std::string_view text, RegistryTree* tree);

 private:
  struct Key;
  Key* Root(std::uint32_t root);
  std::map<std::uint32_t, std::unique_ptr<Key>> roots_;
};

}  // namespace platform::posix
