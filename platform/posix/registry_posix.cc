// The registry on POSIX: a file-backed store of the user's keys and values, and, below the
// classes root, a read-only view of the desktop's file associations.
//
// The store is one text file, $XDG_DATA_HOME/grebewick/registry (registry_file.h tells its
// form). Readers take whatever whole file is there: a write never changes the file in place
// but writes a new one beside it and renames it over the old, so a reader sees the old or
// the new store, never a mixture. Writers hold an exclusive lock on registry.lock beside it
// for the whole read-modify-write, so two writers (threads or processes) cannot lose each
// other's values.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/posix/file_util.h"
#include "platform/posix/freedesktop.h"
#include "platform/posix/posix_error.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/xdg.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace platform {
namespace {

using posix::ErrnoStatus;
using posix::RegistryTree;
using posix::UniqueFd;

// Far beyond any store the program writes; a larger file is not ours.
constexpr std::size_t kMaxStoreSize = 64 << 20;

struct StorePaths {
  std::string folder;
  std::string store;
  std::string lock;
};

StorePaths StorePathsFor(const posix::XdgFolders& folders) {
  StorePaths paths;
  if (folders.data_home.empty()) return paths;
  paths.folder = folders.data_home + "/grebewick";
  paths.store = paths.folder + "/registry";
  paths.lock = paths.folder + "/registry.lock";
  return paths;
}

// Creates `folder` and its missing parents (0700, as the XDG rules ask for data folders).
Status MakeFolderChain(const std::string& folder) {
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Status::Ok();
    return ErrnoStatus(ENOTDIR, "mkdir", folder);
  }
  std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    Status parent = MakeFolderChain(folder.substr(0, slash));
    if (!parent.ok()) return parent;
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return ErrnoStatus(errno, "mkdir", folder);
  }
  return Status::Ok();
}

// Reads the store; a missing store is an empty one.
Status LoadStore(const std::string& path, RegistryTree* tree) {
  std::string text;
  Status status = posix::ReadWholeFile(path, kMaxStoreSize, &text);
  if (status.code() == kFileNotFound) {
    *tree = RegistryTree();
    return Status::Ok();
  }
  if (!status.ok()) return status;
  status = RegistryTree::Parse(text, tree);
  if (!status.ok()) {
    return Status::Error(status.code(), "registry store " + path + ": " + status.message());
  }
  return Status::Ok();
}

// Writes `text` as the new store: a new file beside it, flushed to disk, renamed over the
// old one. A store that is a symbolic link keeps the link: the file it points to is the one
// replaced.
Status ReplaceStore(const std::string& store, const std::string& text) {
  std::string target = store;
  if (char* resolved = ::realpath(store.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  std::size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  std::string temporary = target + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) return ErrnoStatus(errno, "create", temporary);
  temporary = name.data();

  mode_t mode = 0600;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  Status status = posix::WriteAll(fd.get(), text, temporary);
  if (status.ok() && ::fchmod(fd.get(), mode) != 0) status = ErrnoStatus(errno, "chmod", temporary);
  if (status.ok() && ::fsync(fd.get()) != 0) status = ErrnoStatus(errno, "fsync", temporary);
  if (fd.Close() != 0 && status.ok()) status = ErrnoStatus(errno, "close", temporary);
  if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) {
    status = ErrnoStatus(errno, "rename", target);
  }
  if (!status.ok()) {
    ::unlink(temporary.c_str());
    return status;
  }
  // The rename is durable once the folder is; a failure here loses nothing already written.
  UniqueFd folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder_fd.get() >= 0) ::fsync(folder_fd.get());
  return Status::Ok();
}

// Holds the exclusive writer's lock on the store for the object's life.
class StoreLock {
 public:
  Status Acquire(const std::string& path) {
    fd_ = UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd_.get() < 0) return ErrnoStatus(errno, "open", path);
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return ErrnoStatus(errno, "lock", path);
    }
    return Status::Ok();
  }

 private:
  UniqueFd fd_;  // closing it releases the lock
};

bool EqualsFolded(std::string_view a, std::string_view b) { return UpperCase(a) == UpperCase(b); }

Status CheckNames(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                  std::vector<std::string>* names) {
  if (RootName(root).empty()) {
    return Status::Error(kInvalidArgument, "registry: unknown root key " + std::to_string(root));
  }
  if (value_name.find('\0') != std::string_view::npos) {
    return Status::Error(kInvalidArgument, "registry: value name holds a NUL");
  }
  return posix::SplitKeyPath(key_path, names);
}

// The default values that the desktop's associations give below the classes root:
// ".ext" the MIME type, "type" its description, "type\shell\open\command" the command line
// of its default application.
bool AssociationValue(const std::vector<std::string>& names, std::string* text) {
  if (names.size() != 1 && names.size() != 4) return false;
  const std::string& first = names[0];
  if (names.size() == 4 && !(EqualsFolded(names[1], "shell") && EqualsFolded(names[2], "open") &&
                             EqualsFolded(names[3], "command"))) {
    return false;
  }
  bool is_extension = names.size() == 1 && first.size() > 1 && first[0] == '.';
  if (!is_extension && !posix::IsMimeTypeName(first)) return false;
  posix::FreedesktopAssociations associations(posix::XdgFoldersFromEnvironment());
  if (is_extension) {
    *text = associations.MimeTypeOfExtension(std::string_view(first).substr(1));
  } else if (names.size() == 1) {
    *text = associations.Description(first);
  } else {
    *text = associations.OpenCommand(first);
  }
  return !text->empty();
}

class PosixRegistry final : public Registry {
 public:
  Status QueryValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                    RegistryValue* value) override {
    std::vector<std::string> names;
    Status status = CheckNames(root, key_path, value_name, &names);
    if (!status.ok()) return status;
    StorePaths paths = StorePathsFor(posix::XdgFoldersFromEnvironment());
    RegistryTree tree;
    // A store that cannot be read or understood reads as an empty one.
    if (!paths.store.empty() && LoadStore(paths.store, &tree).ok()) {
      if (const RegistryValue* found = tree.Find(root, names, value_name)) {
        *value = *found;
        return Status::Ok();
      }
    }
    std::string text;
    if (root == kClassesRoot && value_name.empty() && AssociationValue(names, &text)) {
      *value = RegistryValue::String(text);
      return Status::Ok();
    }
    return Status::Error(kFileNotFound, "registry: no value \"" + std::string(value_name) +
                                            "\" in " + std::string(RootName(root)) + "\\" +
                                            std::string(key_path));
  }

  Status SetValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                  const RegistryValue& value) override {
    std::vector<std::string> names;
    Status status = CheckNames(root, key_path, value_name, &names);
    if (!status.ok()) return status;
    StorePaths paths = StorePathsFor(posix::XdgFoldersFromEnvironment());
    if (paths.store.empty()) {
      return Status::Error(kPathNotFound,
                           "registry: no data folder (neither XDG_DATA_HOME nor "
                           "a home folder is known)");
    }
    status = MakeFolderChain(paths.folder);
    if (!status.ok()) return status;
    StoreLock lock;
    status = lock.Acquire(paths.lock);
    if (!status.ok()) return status;
    RegistryTree tree;
    status = LoadStore(paths.store, &tree);
    if (!status.ok()) return status;  // never replace a store we could not read whole
    tree.Set(root, names, value_name, value);
    return ReplaceStore(paths.store, tree.Serialize());
  }
};

}  // namespace

Registry& Registry::Default() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace platform
