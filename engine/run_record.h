#pragma once

// What a run records of itself inside its date folder, for later restores and checks:
//   .grebewick/SHA256SUMS  the copies of the day, as sha256sum writes them: "<hex>  <path>";
//                          a path holding "\", a line feed or a carriage return is written
//                          with those as "\\", "\n", "\r" and the line begins with "\".
//   .grebewick/files       every file of every source as the run listed it, copied or not:
//                          "source<TAB><path>" opens a source's section, and each file of it
//                          is "<size><TAB><mtime><TAB><path>" (size in bytes, mtime in Unix
//                          seconds); "\", TAB, line feed and carriage return in a path are
//                          written as "\\", "\t", "\n", "\r". A line "read-archives"
//                          says that the run read LZH archives in its comparison folders
//                          (packed backups count as backups). Lines beginning with "#" are
//                          comments.
// Paths are relative to the date folder and separated by "/" on every platform, so that
// `sha256sum -c .grebewick/SHA256SUMS` run inside the date folder checks the copies.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/function_ref.h"
#include "platform/status.h"

namespace platform {
class OutputFile;
class OutputFolder;
}  // namespace platform

namespace engine {

inline constexpr char kRecordFolder[] = ".grebewick";
inline constexpr char kSumsFile[] = "SHA256SUMS";
inline constexpr char kFilesFile[] = "files";

struct RecordedFile {
  std::string path;
  std::uint64_t size = 0;
  std::int64_t mtime = 0;
};

struct RecordedSource {
  std::string path;
  std::vector<RecordedFile> files;
};

struct RecordedSum {
  std::string path;
  std::string hex;  // 64 lower-case hexadecimal digits
};

struct RunRecord {
  std::vector<RecordedSource> sources;
  std::vector<RecordedSum> sums;
  bool read_archives = false;
};

// The files list of a run, kept as the text it is written as and, past a megabyte, in a
// temporary file of the system's: a run over millions of files holds one part of it in
// memory, not all of it.
class FilesSpool {
 public:
  FilesSpool();
  ~FilesSpool();
  FilesSpool(const FilesSpool&) = delete;
  FilesSpool& operator=(const FilesSpool&) = delete;

  void BeginSource(std::string_view record_path);
  void Add(std::string_view record_path, std::uint64_t size, std::int64_t mtime);
  // The sources begun, in order.
  const std::vector<std::string>& sources() const { return sources_; }
  // Hands everything added, in parts, to `part`, as often as asked; nothing is added after
  // the first. The first failure of the temporary file (when it filled the system's
  // temporary folder, say) is returned here.
  platform::Status Replay(platform::FunctionRef<platform::Status(std::string_view)> part);

 private:
  void Spill();

  std::string text_;
  std::vector<std::string> sources_;
  std::unique_ptr<platform::OutputFolder> folder_;
  std::unique_ptr<platform::OutputFile> file_;
  std::string path_;  // the name the temporary file is committed to before it is read back
  bool spilled_ = false;
  platform::Status status_;
};

// `path` (relative to the date folder, with the platform's separators) as records write it.
std::string RecordPath(std::string_view path);
// A record path with the platform's separators again.
std::string PlatformPath(std::string_view record_path);

std::string SumsText(const std::vector<RecordedSum>& sums);
// False when a line is not a sha256sum line; `*bad_line` then tells which (1-based).
bool ParseSums(std::string_view text, std::vector<RecordedSum>* sums, std::size_t* bad_line);

std::string FilesText(const std::vector<RecordedSource>& sources, bool read_archives = false);
bool ParseFiles(std::string_view text, std::vector<RecordedSource>* sources, std::size_t* bad_line,
                bool* read_archives = nullptr);

// A second run on the same day: its sources replace the earlier sections of the same paths
// and its copies the earlier sums of the same paths; everything else of `earlier` stays.
void MergeRecord(RunRecord* earlier, const RunRecord& later);

// Reads the record of the date folder `date_folder`. A folder without records is ok with
// `*found` false; an unreadable or malformed record is an error.
platform::Status ReadRunRecord(const std::string& date_folder, RunRecord* record, bool* found);

// Writes the sums of `record` and the files of `files` into `date_name` below `destination`
// (each file under a temporary name, renamed into place), merged with what an earlier run of
// the day recorded there: the sections of the sources `files` lists again are replaced, the
// others stay. Nothing below `destination` is reached through a link.
platform::Status WriteRunRecord(const std::string& destination, const std::string& date_name,
                                const RunRecord& record, FilesSpool& files);

}  // namespace engine
