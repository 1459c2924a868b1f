#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// How this platform spells paths. The program's rules are written with a drive letter and
// "\"; these answer the questions those rules ask, so engine code stays the same on every
// platform.

// The folder separator ("\" on Windows, "/" on POSIX).
char Separator();

// Whether `c` separates folders in a path. Windows also accepts "/"; on POSIX a backslash
// is an ordinary character of a name.
bool IsSeparator(char c);

// Length of the root name that a destination path drops from a source folder ("C:" on
// Windows is 2; POSIX has no root name, so 0 and a source folder keeps its whole path).
std::size_t RootNameLength(std::string_view path);

// Whether names on disk differ when only their letter case differs. Where they do, the
// program compares names case-insensitively but always touches files by their stored name.
bool NamesAreCaseSensitive();

// Destination shapes the program refuses ("\\server\share" and rootless "\x" on Windows;
// POSIX refuses no shape).
bool IsNetworkPath(std::string_view path);
bool IsRootlessPath(std::string_view path);

// The file name under which the archive library is looked up and loaded ("UnLHA32.DLL" on
// Windows, "libunlha32.so" on POSIX).
std::string_view ArchiveLibraryFileName();

}  // namespace platform
