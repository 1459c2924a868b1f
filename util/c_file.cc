// The cFile operations that touch the file system.
#include "util/c_file.h"

#include <array>
#include <memory>
#include <mutex>

#include "platform/file_info.h"
#include "platform/file_lock.h"
#include "platform/path_rules.h"
#include "platform/search.h"
#include "platform/temp_file.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace util {
namespace {

// File numbers are shared by the whole process, like the run-time library's: 1 to 255 are
// handed out, 256 to 511 are valid numbers that FileLock never uses.
constexpr int kFirstFileNumber = 1;
constexpr int kLastFileNumber = 255;
constexpr int kLastValidFileNumber = 511;

struct FileNumbers {
  std::mutex mutex;
  std::array<std::unique_ptr<platform::LockedFile>, kLastValidFileNumber + 1> files;
};

FileNumbers& OpenFiles() {
  static FileNumbers* numbers = new FileNumbers;  // never destroyed: used until exit
  return *numbers;
}

constexpr std::size_t kTempPathBuffer = 512;

// Lets a failed platform operation reach the caller as a run-time error.
void ThrowIfFailed(const platform::Status& status) {
  if (!status.ok()) throw platform::VbError(status.code(), status.message());
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string::npos; }

// Splits a path into its folder ("" for the current folder) and last component.
void SplitLast(const std::string& path, std::string* folder, std::string* name) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (platform::IsSeparator(path[i])) last = i;
  }
  if (last == std::string::npos) {
    folder->clear();
    *name = path;
  } else {
    *folder = path.substr(0, last + 1);
    *name = path.substr(last + 1);
  }
}

}  // namespace

bool cFile::CheckExistFile(const std::string& strTargetFileName, std::string* found_path) {
  std::string path = platform::SearchPath(strTargetFileName);
  if (found_path != nullptr) *found_path = path;
  return !path.empty();
}

std::int16_t cFile::FileLock(const std::string& strFileName) const {
  try {
    // Opening a wildcard pattern names no file: there is nothing to lock.
    if (HasWildcard(strFileName) || !FileExists(strFileName)) return 0;
    platform::Status status;
    std::unique_ptr<platform::LockedFile> file = platform::LockedFile::Open(strFileName, &status);
    if (!file) return 0;
    FileNumbers& numbers = OpenFiles();
    std::lock_guard<std::mutex> guard(numbers.mutex);
    for (int number = kFirstFileNumber; number <= kLastFileNumber; ++number) {
      if (!numbers.files[number]) {
        numbers.files[number] = std::move(file);
        return static_cast<std::int16_t>(number);
      }
    }
    return 0;  // every file number is in use
  } catch (...) {
    return 0;
  }
}

void cFile::FileUnlock(std::int16_t intFileNum) const {
  if (intFileNum == 0) return;
  if (intFileNum < 0 || intFileNum > kLastValidFileNumber) {
    throw platform::VbError(platform::kBadFileName,
                            "close(#" + std::to_string(intFileNum) + "): bad file number");
  }
  std::unique_ptr<platform::LockedFile> closing;
  FileNumbers& numbers = OpenFiles();
  std::lock_guard<std::mutex> guard(numbers.mutex);
  closing = std::move(numbers.files[intFileNum]);
}

std::string cFile::FileVersion(const std::string& strTargetFileName) const {
  platform::FileVersionNumbers version;
  if (!platform::ReadFileVersion(strTargetFileName, &version)) return std::string();
  return FormatFileVersion(version.most_significant, version.least_significant);
}

std::string cFile::TempPath() const {
  std::string folder = platform::TemporaryFolder();
  return folder.size() < kTempPathBuffer ? folder : std::string();
}

bool cFile::DirExists(const std::string& strDirName) const {
  try {
    const std::string folder = AddDirSep(strDirName);
    // A folder's listing always holds an entry on the platform the rule was written for
    // (its "." entry), so any folder that can be listed exists, empty or not.
    bool any = false;
    platform::Status status = fs_->List(folder, platform::ListWhat::kFilesAndFolders, false,
                                        [&](const platform::ListedEntry&) {
                                          any = true;
                                          return false;
                                        });
    return status.ok() || any;
  } catch (...) {
    return false;
  }
}

std::string cFile::GetDosShortPathName(const std::string& strLongPath) const {
  // Where every path is its own short name the platform answers for paths that do not exist
  // too; the short name of nothing is the failure, as it is where short names exist.
  platform::EntryInfo info;
  if (!fs_->Probe(strLongPath, &info).ok() || info.kind == platform::EntryKind::kMissing) {
    return AddQuotesToFN(strLongPath);
  }
  std::string short_path;
  if (!platform::ShortPathName(strLongPath, &short_path)) return AddQuotesToFN(strLongPath);
  return short_path;
}

std::string cFile::TempFile(const std::string& /*strExtension*/) const {
  std::string folder = TempPath();
  if (folder.empty()) {
    throw platform::VbError(platform::kPathNotFound, "TempFile: no temporary folder");
  }
  if (!platform::IsSeparator(folder.back())) folder.push_back(platform::Separator());
  // A ".Lzh" name already taken makes us try the next number instead of replacing it.
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    std::string created;
    ThrowIfFailed(platform::CreateUniqueFile(folder, "TMP", &created));
    std::string renamed = created.substr(0, created.rfind('.') + 1) + "Lzh";
    platform::Status status = platform::RenameNoReplace(created, renamed);
    if (status.ok()) return renamed;
    platform::RemoveFile(created);
    if (status.code() != platform::kFileAlreadyExists)
      throw platform::VbError(status.code(), status.message());
  }
  throw platform::VbError(platform::kFileAlreadyExists,
                          "TempFile(" + folder + "): every name is taken");
}

std::string cFile::ResponceFile() const {
  std::string folder = TempPath();
  if (folder.empty()) {
    throw platform::VbError(platform::kPathNotFound, "ResponceFile: no temporary folder");
  }
  if (!platform::IsSeparator(folder.back())) folder.push_back(platform::Separator());
  std::string created;
  ThrowIfFailed(platform::CreateUniqueFile(folder, "~VB", &created));
  return created;
}

bool cFile::FileExists(const std::string& strPathName) const {
  try {
    std::string path = strPathName;
    if (!path.empty() && platform::IsSeparator(path.back())) path.pop_back();
    std::string folder;
    std::string name;
    SplitLast(path, &folder, &name);
    if (name.empty()) return false;
    if (!HasWildcard(name)) {
      platform::EntryInfo info;
      return fs_->Probe(path, &info).ok() && info.kind == platform::EntryKind::kFile &&
             !info.hidden;
    }
    bool found = false;
    fs_->List(folder, platform::ListWhat::kFiles, false, [&](const platform::ListedEntry& entry) {
      found = platform::MatchesWildcard(entry.name, name);
      return !found;
    });
    return found;
  } catch (...) {
    return false;
  }
}

bool cFile::MakeDirs(std::string& strDirs) const {
  try {
    if (strDirs.empty() || !platform::IsSeparator(strDirs.back())) {
      strDirs.push_back(platform::Separator());
    }
    for (std::size_t i = platform::RootNameLength(strDirs); i < strDirs.size(); ++i) {
      if (!platform::IsSeparator(strDirs[i])) continue;
      std::string prefix = strDirs.substr(0, i + 1);
      platform::EntryInfo info;
      if (!fs_->Probe(prefix, &info).ok()) return false;
      if (info.kind == platform::EntryKind::kFolder) continue;
      if (!fs_->MakeFolder(prefix).ok()) return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}

std::string cFile::AttribString(const std::string& strFileName) const {
  platform::EntryInfo info;
  if (!strFileName.empty()) ThrowIfFailed(fs_->Probe(strFileName, &info));
  if (info.kind == platform::EntryKind::kMissing) {
    throw platform::VbError(platform::kFileNotFound,
                            "attributes(" + strFileName + "): file not found");
  }
  std::string text = "----";
  if (info.read_only) text[0] = 'r';
  if (info.system) text[1] = 's';
  if (info.hidden) text[2] = 'h';
  if (info.archive) text[3] = 'a';
  return text;
}

}  // namespace util
