#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace util {

// File and path helpers. The class keeps no state of its own: every operation works on its
// arguments, the file system and the registry handed to it (the machine's own by default).
//
// Paths are spelled as the platform spells them (platform/path_rules.h): where the rules
// below say "\" they mean the platform's separator ("/" on POSIX, where a backslash is an
// ordinary character of a name), and "also take "/"" means every separator the platform
// accepts; a drive is the platform's root name (none on POSIX, whose drive root is "/").
// The string helpers never touch the disk, except that GetPathName falls back on the
// current folder; util/README.md tells how the rules map onto POSIX.
//
// Failures: FileExists, DirExists and GetPathName read every error as "no"; FileLock and
// MakeDirs turn errors into 0 / false; CheckExistFile only answers found or not. The other
// operations throw platform::VbError when a file operation fails.
class cFile {
 public:
  explicit cFile(platform::FileSystem& fs = platform::FileSystem::Default(),
                 platform::Registry& registry = platform::Registry::Default())
      : fs_(&fs), registry_(&registry) {}

  // The command line that opens `strFileName` with the program associated with its
  // extension ("%1" replaced by the name as given, else the name appended); "" when no
  // program is associated.
  std::string Executable(const std::string& strFileName) const;
  // The description of the file's type, or the upper-case extension + " ﾌｧｲﾙ".
  std::string GetFileType(const std::string& strFileName) const;
  // The upper-case text after the last "." of the last path component; "" when none.
  std::string Extension(const std::string& strFileName) const;
  // Opens an existing ordinary file for writing, locked against other lockers, under a new
  // file number (1 to 255); 0 when it is missing or anything fails.
  std::int16_t FileLock(const std::string& strFileName) const;
  // Closes file number `intFileNum` (0, or a number not in use, does nothing). Throws
  // platform::VbError (kBadFileName) for a number outside 0 to 511.
  void FileUnlock(std::int16_t intFileNum) const;
  // Shortens a path for a caption: drive + "...\" + last folder + "\" + name, with every
  // "&" doubled; the path as it is when shortening does not make it shorter.
  std::string OmitPathName(const std::string& strLongPathName) const;
  // Whether the library `strTargetFileName` is found where the program loads libraries
  // from (platform::LibraryFolders: its own folder, then its installed library folder;
  // never the current folder or PATH). `found_path`, when given, receives the full path
  // found ("" when none), the one to load, so that the check and the load agree.
  bool CheckExistFile(const std::string& strTargetFileName, std::string* found_path = nullptr);
  // The file version from the file's version resource ("1.02.5"); "" when it has none.
  std::string FileVersion(const std::string& strTargetFileName) const;
  // The temporary folder with a trailing separator; "" when unknown or 512 bytes or longer.
  std::string TempPath() const;
  // The last component of a path ("\", "/" and a drive name separate).
  std::string GetFileName(const std::string& strPath) const;
  // Trailing blanks removed, then "\" appended unless already last.
  std::string AddDirSep(const std::string& strPathName) const;
  // Whether `strDirName` (trailing blanks ignored) is a folder that can be listed.
  bool DirExists(const std::string& strDirName) const;
  // The text in double quotes when it holds a blank or a comma, else unchanged.
  std::string AddQuotesToFN(const std::string& strFileName) const;
  // One leading and then one trailing double quote removed.
  std::string StripQuotes(const std::string& strFileName) const;
  // The folder part of a path, or the current folder for a bare name.
  std::string GetPathName(const std::string& strFileName) const;
  // The short (8.3) form of an existing path (on POSIX the path itself); for a path that
  // does not exist, AddQuotesToFN of it.
  std::string GetDosShortPathName(const std::string& strLongPath) const;
  // Creates a new empty file in TempPath named "TMP" + hex digits + ".Lzh" and returns its
  // path (`strExtension` is not used: the extension is always "Lzh").
  std::string TempFile(const std::string& strExtension) const;
  // Creates a new empty file in TempPath named "~VB" + hex digits + ".tmp" and returns its
  // path.
  std::string ResponceFile() const;
  // Whether an ordinary file (not hidden, not system, not a folder) matches `strPathName`
  // (one trailing separator ignored; "*" and "?" in the last component match).
  bool FileExists(const std::string& strPathName) const;
  // Ends `strDirs` with a separator (in the caller's variable) and creates every missing
  // folder of it; false as soon as one cannot be created (those made before stay).
  bool MakeDirs(std::string& strDirs) const;
  // Blanks trimmed, one trailing "\" removed, and "\" put back when fewer than three
  // characters remain.
  std::string RemoveDirSep(const std::string& strDstDir) const;
  // "rsha" with "-" for each attribute the file lacks: read-only, system, hidden, archive.
  std::string AttribString(const std::string& strFileName) const;

 private:
  platform::FileSystem* fs_;
  platform::Registry* registry_;
};

// The version text of a version block: the high 16 bits of the most significant word,
// its low 16 bits with at least two digits, and the least significant word as a signed
// number ("1.02.5").
std::string FormatFileVersion(std::uint32_t most_significant, std::uint32_t least_significant);

}  // namespace util
