#include "engine/catalogue.h"

#include "platform/path_rules.h"

namespace engine {

void ArchiveCatalogue::Append(ArchiveEntry entry) {
  Slot slot;
  slot.stamp = entry.FileDate + " " + entry.FileTime;
  // Archives always write "\"; where the platform separates with another character, the
  // stored folder is read with that one so that it compares with real folders.
  slot.folder = entry.FilePath;
  for (char& c : slot.folder) {
    if (c == '\\') c = platform::Separator();
  }
  slot.next_same = kNone;
  slot.entry = std::move(entry);

  auto index = static_cast<std::uint32_t>(entries_.size());
  auto [it, inserted] = by_name_.try_emplace(slot.entry.FileName, Chain{index, index});
  if (!inserted) {
    entries_[it->second.last].next_same = index;
    it->second.last = index;
  }
  entries_.push_back(std::move(slot));
}

ArchiveCatalogue::Answer ArchiveCatalogue::Lookup(
    std::string_view name, std::string_view size_text, std::string_view time_text,
    std::string_view folder, platform::FunctionRef<bool()> match_folders) const {
  Answer answer;
  auto it = by_name_.find(name);
  if (it == by_name_.end()) return answer;
  answer.NameInCatalogue = true;
  std::string folder_path(folder);
  folder_path.push_back(platform::Separator());
  for (std::uint32_t i = it->second.first; i != kNone; i = entries_[i].next_same) {
    const Slot& slot = entries_[i];
    if (match_folders()) {
      bool from_root = !slot.folder.empty() && platform::IsSeparator(slot.folder[0]);
      bool passes = from_root ? slot.folder == folder_path : folder_path.ends_with(slot.folder);
      if (!passes) continue;
    }
    if (size_text == slot.entry.FileOriginal && time_text <= slot.stamp) {
      answer.SaysUnchanged = true;
    }
  }
  return answer;
}

void FolderIndex::Add(std::string_view name, std::uint64_t size, std::int64_t mtime) {
  auto index = static_cast<std::uint32_t>(files_.size());
  files_.push_back(File{size, mtime, kNone});
  auto [it, inserted] = by_name_.try_emplace(std::string(name), Chain{index, index});
  if (!inserted) {
    files_[it->second.last].next_same = index;
    it->second.last = index;
  }
}

const FolderIndex::File* FolderIndex::First(std::string_view upper_name) const {
  auto it = by_name_.find(upper_name);
  return it == by_name_.end() ? nullptr : &files_[it->second.first];
}

}  // namespace engine
