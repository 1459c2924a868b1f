#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The folders of one walk, in walk order, kept as names below their parents rather than as
// full paths: a million-file tree's ninety thousand folders then take two megabytes instead
// of fifteen, and the run's memory stays that of the folders it works on.
class FolderTree {
 public:
  static constexpr std::uint32_t kRoot = UINT32_MAX;

  // `upper_case_deeper`: every path below the first level reads upper-cased (where names are
  // not case-sensitive, the walk names deeper folders so).
  explicit FolderTree(std::string root = std::string(), bool upper_case_deeper = false);

  // Appends the folder `name` below entry `parent` (kRoot: below the root); returns its index.
  std::uint32_t Add(std::uint32_t parent, std::string_view name);
  // Appends the root itself as an entry.
  std::uint32_t AddRoot();

  std::size_t size() const { return entries_.size(); }
  const std::string& root() const { return root_; }

  // The full path of entry `index`, written into `path` (whose capacity is reused).
  void PathOf(std::size_t index, std::string& path) const;
  std::string PathOf(std::size_t index) const;

 private:
  struct Entry {
    std::uint32_t parent;
    std::uint32_t name_offset;
    std::uint32_t name_size;
  };

  std::string root_;
  bool upper_case_deeper_;
  std::string names_;
  std::vector<Entry> entries_;
};

}  // namespace engine
