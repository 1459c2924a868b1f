#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/function_ref.h"

namespace engine {

// Lets the name indexes be searched with a string_view, without building a string per file.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

// One archive member as the run remembers it: the upper-cased texts of the archive object.
struct ArchiveEntry {
  std::string FileName;
  std::string FilePath;  // stored folder + "\", or "\" alone
  std::string FileOriginal;
  std::string FileDate;
  std::string FileTime;
};

// Every archive member read during a run, in reading order, never cleared. Lookups go
// through an index by name that visits only the entries of that name, in catalogue order,
// so the answers are those of a scan over the whole catalogue.
class ArchiveCatalogue {
 public:
  struct Answer {
    bool NameInCatalogue = false;
    bool SaysUnchanged = false;
  };

  void Append(ArchiveEntry entry);
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const ArchiveEntry& operator[](std::size_t i) const { return entries_[i].entry; }

  // Looks up a source file: `name` upper-cased, its size and time texts, and the folder that
  // holds it with its root name already dropped and upper-cased (a "\" or "/" separated
  // path). `match_folders` is asked for every entry of that name, as the option may change.
  Answer Lookup(std::string_view name, std::string_view size_text, std::string_view time_text,
                std::string_view folder, platform::FunctionRef<bool()> match_folders) const;

 private:
  struct Slot {
    ArchiveEntry entry;
    std::string stamp;        // FileDate + " " + FileTime, the form of a listed file's time
    std::string folder;       // FilePath with the platform's separator
    std::uint32_t next_same;  // next entry of the same name, or kNone
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;

  std::vector<Slot> entries_;
  struct Chain {
    std::uint32_t first;
    std::uint32_t last;
  };
  std::unordered_map<std::string, Chain, NameHash, std::equal_to<>> by_name_;
};

// The plain files of one counterpart folder, listed once and indexed by upper-cased name so
// that every source file of the folder is judged without listing it again.
class FolderIndex {
 public:
  struct File {
    std::uint64_t size;
    std::int64_t mtime;
    std::uint32_t next_same;
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;

  void Add(std::string_view name, std::uint64_t size, std::int64_t mtime);
  // The first file of that (upper-cased) name in listing order, or null.
  const File* First(std::string_view upper_name) const;
  const File* Next(const File& file) const {
    return file.next_same == kNone ? nullptr : &files_[file.next_same];
  }

 private:
  std::vector<File> files_;
  struct Chain {
    std::uint32_t first;
    std::uint32_t last;
  };
  std::unordered_map<std::string, Chain, NameHash, std::equal_to<>> by_name_;
};

}  // namespace engine
