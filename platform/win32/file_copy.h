#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/destination.h"
#include "platform/status.h"
#include "platform/win32/handle.h"

namespace platform::win32 {

// Where one copy goes and what the volume can hold there.
struct CopyTarget {
  // The folder, as the tree holds it open, and its full path as the system names it
  // ("\\?\D:\backup\20250101\DOCS"): every name below is reached through it.
  const std::wstring& folder_path;
  const std::string& folder_text;  // the folder as the run spells it, for messages
  const std::string& name;
  const DestinationTraits& traits;
  DestinationRefusals* refusals;
  HashSink* hash = nullptr;  // fed with every byte copied, when given
};

// A new name "~grebewick-<pid>-<n>.tmp" for a temporary file of this process.
std::wstring NewTemporaryName();

// Whether `name` has the shape of a temporary file of some run of ours.
bool IsTemporaryName(std::wstring_view name);

// Renames the open file `handle` (opened with DELETE access) to the full path `to`, replacing
// a file there (a read-only one too) only with `replace`; `to_text` names it in messages.
// Through the handle the file needs no sharing for it, and it is the file written that is
// renamed, whatever took its name meanwhile.
Status RenameThrough(HANDLE handle, const std::wstring& to, bool replace,
                     const std::string& to_text);

// Marks the open file `handle` (opened with DELETE and FILE_WRITE_ATTRIBUTES access) for
// removal when its last handle closes; a read-only file is made writable first, as the system
// removes no read-only file.
bool RemoveThrough(HANDLE handle);

// Removes the temporary files that interrupted runs left in the folder `folder_path`. A live
// run holds its file open, denying others the right to remove it, so its file stays; so does
// one that cannot be removed now, which is only clutter.
void RemoveStaleTemporaryFiles(const std::wstring& folder_path);

// One attempt of DestinationTree::CopyFile (see there) for a name that passed the name
// checks, into a hidden temporary file "~grebewick-<pid>-<n>.tmp" in the folder, renamed over
// the destination through its own handle. Sets `*changed` when the source changed while it
// was copied, and then fails with a message that says so; the caller may try again.
Status CopyOnce(const std::string& source, const CopyTarget& target, KeepGoing keep_going,
                bool* changed);

// Writes a copied file's cached data to its disk: the fallback of the end-of-run flush where
// the process may not open the volume.
// `text` names it in messages.
Status FlushFile(const std::wstring& path, const std::string& text);

// Whether `error`, from setting times or attributes, means that the file system cannot keep
// them: what was written is good.
bool IsRefusal(DWORD error);

// `path` with its "\\?\" prefix in the form the native calls take ("\??\").
std::wstring NativePath(const std::wstring& path);

// The full path under which the system knows the open `handle`, in the "\\?\" form; empty
// when it cannot tell.
std::wstring FinalPathOf(HANDLE handle);

// The full path of `name` right inside the folder `folder_path` (a held folder's path, which
// ends in "\" at a drive's root only): the prefixed form takes no empty component, so the
// separator is not doubled there.
std::wstring PathInside(std::wstring_view folder_path, std::wstring_view name);
// The same for the texts of messages ("D:\" and "f.txt" give "D:\f.txt").
std::string PathInside(std::string_view folder_text, std::string_view name);

// Whether `path` names the entry `name` right inside `folder_path` (letter case aside).
bool IsDirectlyInside(std::wstring_view path, std::wstring_view folder_path,
                      std::wstring_view name);

}  // namespace platform::win32
