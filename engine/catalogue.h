#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/records.h"

namespace engine {

// A source file as the lookups see it. `name` is the stored name; it is empty where names
// are not case-sensitive, and then no name is preferred for matching exactly. `siblings`,
// when given, holds the names of the file's folder: a record named exactly as another of
// them never stands for this file.
struct SourceKey {
  std::string_view upper_name;
  std::string_view name;
  std::uint64_t size;
  std::int64_t mtime;  // Unix seconds
  const FolderNames* siblings = nullptr;
};

// Whether `name` ends in ".LZH" in any letter case: the only files read as archives.
bool IsLzhName(std::string_view name);

// Whether a member stored in `stored_folder` (its FilePath upper-cased, with the platform's
// separator) stands for a file of `folder_path` (the file's folder as Lookup takes it, with a
// separator appended): a folder stored from the root must be that whole folder ("\" alone is
// the root), a relative one a plain text suffix of it.
bool StoredFolderPasses(std::string_view stored_folder, std::string_view folder_path);

// One archive member as the run remembers it: the upper-cased texts of the archive object,
// and what the names and times are matched with.
struct ArchiveEntry {
  std::string FileName;
  std::string FilePath;  // stored folder + "\", or "\" alone
  std::string FileOriginal;
  std::string FileDate;
  std::string FileTime;
  std::string stored_name;              // FileName as the archive holds it
  std::optional<std::int64_t> instant;  // level 2 and 3 members: the stored Unix seconds
};

// Every archive member read during a run, in reading order, never cleared. Lookups go
// through an index by upper-cased name that visits only the entries of that name, in
// catalogue order, so the answers are those of a scan over the whole catalogue.
class ArchiveCatalogue {
 public:
  struct Answer {
    bool NameInCatalogue = false;
    bool SaysUnchanged = false;
    bool distrusted = false;  // an entry would have said unchanged but its time is untrusted
  };

  void Append(const ArchiveEntry& entry);
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Looks up a source file in `folder`, the folder with its root name already dropped and
  // upper-cased (a "\" or "/" separated path). Any entry of the name puts it in the
  // catalogue. Of the entries that pass the folder test, those named exactly as the file
  // decide when there are any, else all of them: one says unchanged when its size is the
  // file's and its time not earlier (instants where the entry has one, else the local time
  // texts), and that time can be trusted (see DecisionContext).
  Answer Lookup(const SourceKey& file, std::string_view folder, bool match_folders,
                const DecisionContext& context) const;

 private:
  // A text in `texts_`. Catalogues of hundreds of thousands of members are held as these
  // offsets into one block rather than as strings of their own, a few times smaller.
  struct Text {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  struct Slot {
    Text name;                // FileName as the archive holds it
    Text size;                // FileOriginal
    Text stamp;               // FileDate + " " + FileTime, the form of a listed file's time
    std::uint32_t folder;     // index in folders_: FilePath with the platform's separator
    std::uint32_t next_same;  // next entry of the same name, or kNone
    std::int64_t instant;     // level 2 and 3 members: the stored Unix seconds
    bool has_instant;
  };
  // The entries of one upper-cased name, in catalogue order.
  struct Chain {
    Text upper_name;
    std::uint32_t first;
    std::uint32_t last;
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;

  Text Keep(std::string_view text);
  std::string_view View(Text text) const {
    return std::string_view(texts_).substr(text.offset, text.size);
  }
  const Chain* Find(std::string_view upper_name) const;
  void Grow();

  std::vector<Slot> entries_;
  std::string texts_;
  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::uint32_t, NameHash, std::equal_to<>> folder_ids_;
  std::vector<Chain> chains_;
  // Open addressing over chains_ by upper-cased name: chain index + 1, 0 for a free place.
  std::vector<std::uint32_t> table_;
};

// The plain files of one counterpart folder, listed once and indexed by upper-cased name so
// that every source file of the folder is judged without listing it again.
class FolderIndex {
 public:
  struct File {
    std::uint64_t size;
    std::int64_t mtime;
    std::uint32_t name_offset;
    std::uint32_t name_size;
    std::uint32_t next_same;
  };

  // `upper_name` is `name` upper-cased.
  void Add(std::string_view name, std::string upper_name, std::uint64_t size, std::int64_t mtime);

  // The files that stand for the source file `key`: of the files whose names upper-case
  // alike, those named exactly as the source file when there are any, else all of them but
  // those named exactly as another file of its folder, in listing order. First gives the
  // first (null when none), Next the one after `file` (null after the last).
  const File* First(const SourceKey& key) const;
  const File* Next(const File& file, const SourceKey& key) const;

  std::string_view NameOf(const File& file) const {
    return std::string_view(names_).substr(file.name_offset, file.name_size);
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  std::vector<File> files_;
  std::string names_;  // every stored name, one after another
  struct Chain {
    std::uint32_t first;
    std::uint32_t last;
  };
  std::unordered_map<std::string, Chain, NameHash, std::equal_to<>> by_name_;
};

}  // namespace engine
