#include "engine/folder_tree.h"

#include <stdexcept>
#include <utility>

#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {

FolderTree::FolderTree(std::string root, bool upper_case_deeper)
    : root_(std::move(root)), upper_case_deeper_(upper_case_deeper) {}

std::uint32_t FolderTree::Add(std::uint32_t parent, std::string_view name) {
  // Offsets are 32 bits: four gigabytes of folder names is far beyond any tree a run could
  // hold in its lists anyway, but a silent wrap would name the wrong folders.
  if (entries_.size() >= kRoot - 1 || names_.size() + name.size() > UINT32_MAX) {
    throw std::length_error("too many folders in one walk");
  }
  entries_.push_back(Entry{parent, static_cast<std::uint32_t>(names_.size()),
                           static_cast<std::uint32_t>(name.size())});
  names_.append(name);
  return static_cast<std::uint32_t>(entries_.size() - 1);
}

std::uint32_t FolderTree::AddRoot() { return Add(kRoot, std::string_view()); }

void FolderTree::PathOf(std::size_t index, std::string& path) const {
  std::vector<std::uint32_t> chain;  // the entries from this one up to the root's child
  for (auto i = static_cast<std::uint32_t>(index); i != kRoot; i = entries_[i].parent) {
    if (entries_[i].name_size == 0 && entries_[i].parent == kRoot) break;  // the root itself
    chain.push_back(i);
  }
  path = root_;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (path.empty() || !platform::IsSeparator(path.back())) path += platform::Separator();
    path.append(names_, entries_[*it].name_offset, entries_[*it].name_size);
  }
  if (upper_case_deeper_ && chain.size() >= 2) path = platform::UpperCase(path);
}

std::string FolderTree::PathOf(std::size_t index) const {
  std::string path;
  PathOf(index, path);
  return path;
}

}  // namespace engine
