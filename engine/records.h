#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace engine {

// Lets the name indexes be searched with a string_view, without building a string per file.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

// A file of a source folder as its listing gave it.
struct SourceFile {
  std::string name;
  std::uint64_t size;
  std::int64_t mtime;  // Unix seconds
};

// The names of one source folder's files. A record whose name differs from a file's only in
// letter case may stand for that file (archives of DOS-era tools store upper-case names),
// but never when another file of the folder bears the record's exact name: that record is
// the other file's.
class FolderNames {
 public:
  explicit FolderNames(const std::vector<SourceFile>& files) : files_(files) {}
  bool Holds(std::string_view name) const;

 private:
  const std::vector<SourceFile>& files_;
  // Built on the first question: most folders never need it.
  mutable std::unordered_set<std::string_view, NameHash, std::equal_to<>> names_;
  mutable bool built_ = false;
};

// What every decision of a run shares.
struct DecisionContext {
  // Names that differ only in letter case are different files.
  bool case_sensitive = true;
  // The run's start, and its local time text. A record dated later, or whose time is no
  // time at all (a damaged archive stamp), cannot vouch that a file is unchanged unless its
  // time is the file's own: a clock that was wrong once, or a planted archive dated 2100,
  // would otherwise hide every later change of that file.
  std::int64_t run_start = INT64_MAX;
  std::string run_start_text = "9999/99/99 99:99:99";
};

// Whether a record of size `record_size` and time `record_mtime` vouches that a file of
// `size` and `mtime` is unchanged (instants, whole seconds). Sets `*distrusted` when only
// the record's untrusted time kept it from vouching.
bool InstantVouches(std::uint64_t size, std::int64_t mtime, std::uint64_t record_size,
                    std::int64_t record_mtime, const DecisionContext& context, bool* distrusted);

// The same for local time texts ("yyyy/mm/dd hh:nn:ss"), the sizes already found equal.
bool TextVouches(std::string_view time_text, std::string_view record_text,
                 const DecisionContext& context, bool* distrusted);

// Whether year, month and day name a day of the (proleptic Gregorian) calendar.
bool IsValidDate(int year, int month, int day);

// Whether `text` is a time text naming a real moment ("2107/15/31 31:63:62", which an archive
// stamp of all ones reads as, is none).
bool IsValidTimeText(std::string_view text);

}  // namespace engine
