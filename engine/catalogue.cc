#include "engine/catalogue.h"

#include <stdexcept>

#include "engine/com_file_ex.h"
#include "engine/run_text.h"
#include "platform/path_rules.h"

namespace engine {

bool StoredFolderPasses(std::string_view stored_folder, std::string_view folder_path) {
  const bool from_root = !stored_folder.empty() && platform::IsSeparator(stored_folder[0]);
  return from_root ? stored_folder == folder_path : folder_path.ends_with(stored_folder);
}

ArchiveCatalogue::Text ArchiveCatalogue::Keep(std::string_view text) {
  if (texts_.size() + text.size() > UINT32_MAX) throw std::length_error("archive catalogue");
  Text kept{static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(text.size())};
  texts_.append(text);
  return kept;
}

const ArchiveCatalogue::Chain* ArchiveCatalogue::Find(std::string_view upper_name) const {
  if (table_.empty()) return nullptr;
  const std::size_t mask = table_.size() - 1;
  for (std::size_t i = NameHash{}(upper_name)&mask;; i = (i + 1) & mask) {
    if (table_[i] == 0) return nullptr;
    const Chain& chain = chains_[table_[i] - 1];
    if (View(chain.upper_name) == upper_name) return &chain;
  }
}

// Keeps the table at most half full, so that a search meets a free place soon.
void ArchiveCatalogue::Grow() {
  if ((chains_.size() + 1) * 2 <= table_.size()) return;
  std::vector<std::uint32_t> table(std::max<std::size_t>(64, table_.size() * 2), 0);
  const std::size_t mask = table.size() - 1;
  for (std::uint32_t c = 0; c < chains_.size(); ++c) {
    std::size_t i = NameHash{}(View(chains_[c].upper_name)) & mask;
    while (table[i] != 0) i = (i + 1) & mask;
    table[i] = c + 1;
  }
  table_ = std::move(table);
}

void ArchiveCatalogue::Append(const ArchiveEntry& entry) {
  Slot slot;
  slot.name = Keep(entry.stored_name);
  slot.size = Keep(entry.FileOriginal);
  slot.stamp = Keep(entry.FileDate + " " + entry.FileTime);
  slot.has_instant = entry.instant.has_value();
  slot.instant = entry.instant.value_or(0);
  slot.next_same = kNone;
  // Archives always write "\"; where the platform separates with another character, the
  // stored folder is read with that one so that it compares with real folders.
  std::string folder = entry.FilePath;
  for (char& c : folder) {
    if (c == '\\') c = platform::Separator();
  }
  auto [id, added] = folder_ids_.try_emplace(folder, static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.push_back(std::move(folder));
  slot.folder = id->second;

  const auto index = static_cast<std::uint32_t>(entries_.size());
  if (Chain* chain = const_cast<Chain*>(Find(entry.FileName))) {
    entries_[chain->last].next_same = index;
    chain->last = index;
  } else {
    Grow();
    chains_.push_back(Chain{Keep(entry.FileName), index, index});
    const std::size_t mask = table_.size() - 1;
    std::size_t i = NameHash{}(entry.FileName) & mask;
    while (table_[i] != 0) i = (i + 1) & mask;
    table_[i] = static_cast<std::uint32_t>(chains_.size());
  }
  entries_.push_back(slot);
}

ArchiveCatalogue::Answer ArchiveCatalogue::Lookup(const SourceKey& file, std::string_view folder,
                                                  bool match_folders,
                                                  const DecisionContext& context) const {
  Answer answer;
  const Chain* chain = Find(file.upper_name);
  if (chain == nullptr) return answer;
  answer.NameInCatalogue = true;
  std::string folder_path(folder);
  folder_path.push_back(platform::Separator());
  // The file's texts, made only when an entry needs them.
  std::optional<std::string> size_text;
  std::optional<TimeText> time_text;
  bool exact_seen = false;
  bool exact_says = false, exact_distrusted = false;
  bool any_says = false, any_distrusted = false;
  for (std::uint32_t i = chain->first; i != kNone; i = entries_[i].next_same) {
    const Slot& slot = entries_[i];
    if (match_folders) {
      if (!StoredFolderPasses(folders_[slot.folder], folder_path)) continue;
    }
    const std::string_view stored_name = View(slot.name);
    const bool exact = !file.name.empty() && stored_name == file.name;
    if (exact_seen && !exact) continue;
    // Only where names tell case apart can another file of the folder own this record.
    if (!exact && !file.name.empty() && file.siblings != nullptr &&
        file.siblings->Holds(stored_name)) {
      continue;
    }
    if (!size_text) size_text = FormatSize(file.size);
    bool distrusted = false;
    bool says = *size_text == View(slot.size);
    if (says && slot.has_instant) {
      says = InstantVouches(file.size, file.mtime, file.size, slot.instant, context, &distrusted);
    } else if (says) {
      // A member with a local wall-clock time only: compared as the listing's local texts.
      if (!time_text) time_text.emplace(file.mtime);
      says = TextVouches(time_text->view(), View(slot.stamp), context, &distrusted);
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
