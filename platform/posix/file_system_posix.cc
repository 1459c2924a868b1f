#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/directory_reader.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

using posix::DirectoryReader;
using posix::ErrnoStatus;

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

class PosixFileSystem final : public FileSystem {
 public:
  Status List(const std::string& folder, ListWhat what, bool want_stat,
              FunctionRef<bool(const ListedEntry&)> visit) override {
    return ListEntries(folder, what, want_stat, false, visit);
  }

  Status ListIncludingHidden(const std::string& folder, ListWhat what, bool want_stat,
                             FunctionRef<bool(const ListedEntry&)> visit) override {
    return ListEntries(folder, what, want_stat, true, visit);
  }

  Status Identify(const std::string& path, FileIdentity* identity) override {
    *identity = FileIdentity();
    const char* name = path.empty() ? "." : path.c_str();
    struct stat st;
    if (::lstat(name, &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return Status::Ok();
      return ErrnoStatus(errno, "stat", path);
    }
    identity->is_link = S_ISLNK(st.st_mode);
    if (identity->is_link && ::stat(name, &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) return Status::Ok();
      return ErrnoStatus(errno, "stat", path);
    }
    char* real = ::realpath(name, nullptr);
    if (real == nullptr) return ErrnoStatus(errno, "realpath", path);
    identity->real_path = real;
    std::free(real);
    identity->exists = true;
    identity->device = static_cast<std::uint64_t>(st.st_dev);
    identity->inode = static_cast<std::uint64_t>(st.st_ino);
    return Status::Ok();
  }

 private:
  Status ListEntries(const std::string& folder, ListWhat what, bool want_stat, bool with_hidden,
                     FunctionRef<bool(const ListedEntry&)> visit) {
    const std::string& path = folder.empty() ? kCurrent : folder;
    DirectoryReader dir;
    if (int err = dir.Open(path.c_str()); err != 0) {
      if (err == ENOENT || err == ENOTDIR) {
        return Status::Error(kPathNotFound, "opendir(" + path + "): no such folder");
      }
      return ErrnoStatus(err, "opendir", path);
    }
    const int fd = dir.fd();
    // The first per-entry failure is reported once the rest of the folder has been listed.
    Status failure;
    auto note_failure = [&](int err, const char* name) {
      if (failure.ok()) failure = ErrnoStatus(err, "stat", path + "/" + name);
    };
    const char* name;
    unsigned char type;
    while (dir.Next(&name, &type)) {
      bool hidden = false;
      if (name[0] == '.') {
        if (!with_hidden || name[1] == '\0' || (name[1] == '.' && name[2] == '\0')) continue;
        hidden = true;
      }

      bool is_folder = false;
      bool have_stat = false;
      struct stat st;
      switch (type) {
        case DT_DIR:
          is_folder = true;
          break;
        case DT_REG:
          break;
        case DT_LNK:
        case DT_UNKNOWN: {
          bool is_link = type == DT_LNK;
          if (!is_link) {
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
              if (errno != ENOENT) note_failure(errno, name);
              continue;
            }
            is_link = S_ISLNK(st.st_mode);
          }
          if (is_link && ::fstatat(fd, name, &st, 0) != 0) {
            // Dangling links point at nothing: they are not files.
            if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP) note_failure(errno, name);
            continue;
          }
          have_stat = true;
          if (S_ISDIR(st.st_mode)) {
            if (is_link) continue;  // never walk a link to a folder: no loops
            is_folder = true;
          } else if (!S_ISREG(st.st_mode)) {
            continue;
          }
          break;
        }
        default:
          continue;  // sockets, FIFOs and devices count as system entries
      }
      if (is_folder ? what == ListWhat::kFiles : what == ListWhat::kFolders) continue;

      ListedEntry listed;
      listed.name = name;
      listed.is_folder = is_folder;
      listed.hidden = hidden;
      if (!is_folder && want_stat) {
        if (!have_stat && ::fstatat(fd, name, &st, 0) != 0) {
          if (errno != ENOENT) note_failure(errno, name);
          continue;
        }
        if (!S_ISREG(st.st_mode)) continue;  // replaced by something else meanwhile
        listed.size = static_cast<std::uint64_t>(st.st_size);
        listed.mtime = st.st_mtim.tv_sec;
      }
      if (!visit(listed)) return failure;
    }
    if (dir.error() != 0) return ErrnoStatus(dir.error(), "readdir", path);
    return failure;
  }

 public:
  Status Probe(const std::string& path, EntryInfo* info) override {
    *info = EntryInfo();
    struct stat st;
    if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) {
      int err = errno;
      if (err == ENOENT || err == ENOTDIR) return Status::Ok();
      if (err == ELOOP) {
        info->kind = EntryKind::kSystem;
        return Status::Ok();
      }
      return ErrnoStatus(err, "stat", path);
    }
    if (S_ISREG(st.st_mode)) {
      info->kind = EntryKind::kFile;
      info->size = static_cast<std::uint64_t>(st.st_size);
    } else if (S_ISDIR(st.st_mode)) {
      info->kind = EntryKind::kFolder;
    } else {
      info->kind = EntryKind::kSystem;
    }
    info->hidden = IsHiddenName(LastComponent(path));
    info->read_only = (st.st_mode & S_IWUSR) == 0;
    info->system = info->kind == EntryKind::kSystem;
    info->archive = info->kind == EntryKind::kFile;
    info->mtime = st.st_mtim.tv_sec;
    return Status::Ok();
  }

  Status MakeFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) != 0) return ErrnoStatus(errno, "mkdir", path);
    return Status::Ok();
  }

  std::string CurrentFolder() override {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return std::string();
      buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
  }

 private:
  const std::string kCurrent = ".";
};

}  // namespace

FileSystem& FileSystem::Default() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace platform
