#include "engine/catalogue.h"

#include "engine/com_file_ex.h"
#include "engine/run_text.h"
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

ArchiveCatalogue::Answer ArchiveCatalogue::Lookup(const SourceKey& file, std::string_view folder,
                                                  bool match_folders,
                                                  const DecisionContext& context) const {
  Answer answer;
  auto it = by_name_.find(file.upper_name);
  if (it == by_name_.end()) return answer;
  answer.NameInCatalogue = true;
  std::string folder_path(folder);
  folder_path.push_back(platform::Separator());
  // The file's texts, made only when an entry needs them.
  std::optional<std::string> size_text;
  std::optional<TimeText> time_text;
  bool exact_seen = false;
  bool exact_says = false, exact_distrusted = false;
  bool any_says = false, any_distrusted = false;
  for (std::uint32_t i = it->second.first; i != kNone; i = entries_[i].next_same) {
    const Slot& slot = entries_[i];
    if (match_folders) {
      bool from_root = !slot.folder.empty() && platform::IsSeparator(slot.folder[0]);
      bool passes = from_root ? slot.folder == folder_path : folder_path.ends_with(slot.folder);
      if (!passes) continue;
    }
    const bool exact = !file.name.empty() && slot.entry.stored_name == file.name;
    if (exact_seen && !exact) continue;
    if (!exact && file.siblings != nullptr && file.siblings->Holds(slot.entry.stored_name)) {
      continue;
    }
    if (!size_text) size_text = FormatSize(file.size);
    bool distrusted = false;
    bool says = *size_text == slot.entry.FileOriginal;
    if (says && slot.entry.instant) {
      says = InstantVouches(file.size, file.mtime, file.size, *slot.entry.instant, context,
                            &distrusted);
    } else if (says) {
      // A member with a local wall-clock time only: compared as the listing's local texts.
      if (!time_text) time_text.emplace(file.mtime);
      says = TextVouches(time_text->view(), slot.stamp, context, &distrusted);
    }
    if (exact) {
      exact_seen = true;
      exact_says = exact_says || says;
      exact_distrusted = exact_distrusted || distrusted;
    }
    any_says = any_says || says;
    any_distrusted = any_distrusted || distrusted;
  }
  answer.SaysUnchanged = exact_seen ? exact_says : any_says;
  answer.distrusted = !answer.SaysUnchanged && (exact_seen ? exact_distrusted : any_distrusted);
  return answer;
}

void FolderIndex::Add(std::string_view name, std::string upper_name, std::uint64_t size,
                      std::int64_t mtime) {
  auto index = static_cast<std::uint32_t>(files_.size());
  files_.push_back(File{size, mtime, static_cast<std::uint32_t>(names_.size()),
                        static_cast<std::uint32_t>(name.size()), kNone});
  names_.append(name);
  auto [it, inserted] = by_name_.try_emplace(std::move(upper_name), Chain{index, index});
  if (!inserted) {
    files_[it->second.last].next_same = index;
    it->second.last = index;
  }
}

const FolderIndex::File* FolderIndex::First(const SourceKey& key) const {
  auto it = by_name_.find(key.upper_name);
  if (it == by_name_.end()) return nullptr;
  const File* first = &files_[it->second.first];
  if (key.name.empty()) return first;
  const File* fallback = nullptr;
  for (const File* file = first; file != nullptr;
       file = file->next_same == kNone ? nullptr : &files_[file->next_same]) {
    const std::string_view name = NameOf(*file);
    if (name == key.name) return file;
    if (fallback == nullptr && (key.siblings == nullptr || !key.siblings->Holds(name))) {
      fallback = file;
    }
  }
  return fallback;
}

const FolderIndex::File* FolderIndex::Next(const File& file, const SourceKey& key) const {
  // Either every file given out is named exactly as the source file, or none of them is.
  const bool exact = !key.name.empty() && NameOf(file) == key.name;
  for (std::uint32_t i = file.next_same; i != kNone; i = files_[i].next_same) {
    const std::string_view name = NameOf(files_[i]);
    if (exact ? name == key.name
              : key.name.empty() || key.siblings == nullptr || !key.siblings->Holds(name)) {
      return &files_[i];
    }
  }
  return nullptr;
}

}  // namespace engine
