#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/destination.h"
#include "platform/file_system.h"
#include "platform/status.h"

// The folder, listing and copy procedures of the run. They show no messages: each returns 0
// or the error number of the first failing operation (see platform/status.h).
namespace engine {

// Result codes besides 0 and the platform's error numbers.
inline constexpr int kSourceExists = 1;       // CheckSourceFile: the file is there
inline constexpr int kDestinationExists = 4;  // CopyFileTo: not overwritten

// Attribute bit that makes a listing include folders.
inline constexpr int kDirectoryAttribute = 16;

// A file-list record is "name<TAB>size<TAB>time": the stored name, the size with thousands
// separators and the local modification time "yyyy/mm/dd hh:nn:ss". Comparing two time
// texts as strings orders them by time; the decisions of the run rely on that.
std::string FormatSize(std::uint64_t size, bool group_thousands = true);
std::string FormatTime(std::int64_t unix_seconds, std::string_view year_pattern = "yyyy");

// Lists the ordinary files of `folder` (with folders too when `attributes` has the directory
// bit) as file-list records into `records`, which only grows (in steps of 64 slots) and is
// never cleared: entries 0 to count-1 are this listing. A missing folder lists nothing and is
// not an error; a failure ends the listing with its error number, keeping what was stored.
int ListFiles(std::string folder, std::string_view pattern, long& count,
              std::vector<std::string>& records, int attributes, bool formatSizes,
              std::string_view yearPattern,
              platform::FileSystem& fs = platform::FileSystem::Default());

// Lists `folder` as full paths: mode 2 keeps the subfolders only; other modes with bit 2
// set keep subfolders and files, modes without it keep files. `names` gets count + 1 slots,
// the last one empty.
int ListFolder(std::string folder, long mode, std::vector<std::string>& names, long& count,
               platform::FileSystem& fs = platform::FileSystem::Default());

// A folder model that gives every folder the system's default permissions.
inline constexpr auto kDefaultFolders = [](std::string_view) { return std::string(); };

// Creates every missing folder along `path` (the root itself is never created), below the
// root of `tree`, which never follows a link there; `model` names, for each folder to
// create, the source folder whose permissions it takes. Folders made before a failure stay;
// `detail`, when given, receives the failing operation's status.
int MakeFolderPath(std::string path, platform::DestinationTree& tree,
                   platform::Status* detail = nullptr,
                   platform::FolderModel model = kDefaultFolders);

// The last component of `path`; `folder` gets the part before it, separator included (""
// when that part is only the root).
std::string SplitPath(std::string path, std::string& folder);

// kSourceExists when `path` is an ordinary file, else kFileNotFound.
int CheckSourceFile(std::string path, platform::FileSystem& fs = platform::FileSystem::Default());

// Copies `source` to the full file path `destination` below the root of `tree`, creating
// missing folders first. With `overwrite` 0 an existing ordinary file of the same name is
// left alone (kDestinationExists). `keep_going` is asked between parts of the copy (see
// platform::DestinationTree::CopyFile); `detail`, when given, receives the failing
// operation's own status. A hidden source file counts as missing unless `hidden_too`.
// `hash`, when given, receives the copy's bytes (see DestinationTree::CopyFile). A
// `snapshot` of the source, read ahead, is what gets copied: the source was a file then.
int CopyFileTo(
    std::string source, std::string destination, const long& overwrite,
    platform::DestinationTree& tree, platform::Status* detail = nullptr,
    platform::KeepGoing keep_going = [] { return true; },
    platform::FileSystem& fs = platform::FileSystem::Default(), bool hidden_too = false,
    platform::HashSink* hash = nullptr, const platform::SourceSnapshot* snapshot = nullptr);

}  // namespace engine
