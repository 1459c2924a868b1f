#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace unlha32 {

// Where an extracted member goes, below the base folder: each part a single name.
struct OutputPath {
  std::vector<std::string> folders;
  std::string name;  // empty for a folder entry
};

// Turns a member's stored path ("\" between folders, as StoredPath gives it) into a place
// below the base folder that cannot lie outside it. A drive ("C:") and leading separators
// are dropped, so an absolute path lands below the base folder like a relative one; empty
// and "." parts are dropped; control characters become "?", as in every listing. Returns
// false, refusing the member, when a part is ".." or a file has no name left. Without
// `keep_folders` only the name is kept (and a folder entry has nowhere to go: false).
bool SafeOutputPath(std::string_view stored, bool is_folder, bool keep_folders, OutputPath* path);

}  // namespace unlha32
