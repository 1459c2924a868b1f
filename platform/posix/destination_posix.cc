#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/destination.h"
#include "platform/destination_policy.h"
#include "platform/posix/destination_probe.h"
#include "platform/posix/file_copy.h"
#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"
#include "platform/text.h"
#include "platform/volumes.h"

#if defined(__linux__)
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

namespace platform {
namespace {

using posix::ErrnoStatus;
using posix::IsRefusal;
using posix::RunningAsRoot;
using posix::UniqueFd;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens the folder `relative` below `root_fd` in one call that fails on any symbolic link
// on the way (Linux 5.6 and later). Returns -1 with errno ENOSYS where the call is missing,
// so the caller walks the path itself.
int OpenBeneath(int root_fd, const std::string& relative) {
#if defined(__linux__) && defined(SYS_openat2)
  static bool missing = false;
  if (!missing) {
    open_how how = {};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH;
    int fd;
    do {
      fd = static_cast<int>(::syscall(SYS_openat2, root_fd, relative.c_str(), &how, sizeof how));
    } while (fd < 0 && errno == EINTR);
    // Kernels without the call say ENOSYS; some container filters say EPERM.
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return fd;
    missing = true;
  }
#else
  (void)root_fd;
  (void)relative;
#endif
  errno = ENOSYS;
  return -1;
}

// Why opening a folder below the root failed, in words a user can act on. `parent_fd` and
// `name` tell, when given, what is in the way.
Status FolderFailure(int err, const std::string& path, int parent_fd = -1,
                     const std::string& name = "") {
  bool link = err == ELOOP;
  if (err == ENOTDIR && parent_fd >= 0) {
    // O_NOFOLLOW with O_DIRECTORY says ENOTDIR for a link too.
    struct stat st;
    link = ::fstatat(parent_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
  }
  if (link) {
    return Status::Error(kPathNotFound, "open(" + path +
                                            "): a symbolic link is in the way (nothing is "
                                            "written through links below the destination)");
  }
  if (err == ENOTDIR) {
    return Status::Error(kPathNotFound, "open(" + path + "): not a folder");
  }
  return ErrnoStatus(err, "open", path);
}

class PosixDestinationTree final : public PolicyTree {
 public:
  explicit PosixDestinationTree(std::string root) : PolicyTree(std::move(root), '/') {
    std::string& text = mutable_root();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
  }

  Status Finish() override {
    Status first;
    // Deepest first: a parent that loses its owner's rights must not keep a child from
    // getting its own.
    for (auto it = deferred_modes_.rbegin(); it != deferred_modes_.rend(); ++it) {
      UniqueFd fd(OpenExisting(it->first));
      if (fd.get() < 0 || ::fchmod(fd.get(), it->second) == 0) continue;
      if (IsRefusal(errno)) {
        refusals_.permissions = true;
      } else if (first.ok()) {
        first = ErrnoStatus(errno, "chmod", root() + "/" + it->first);
      }
    }
    deferred_modes_.clear();
    current_fd_ = UniqueFd();
    current_device_ = nullptr;
    for (auto& [device, info] : devices_) {
      if (info.flush.get() >= 0 && ::syncfs(info.flush.get()) != 0 && first.ok()) {
        first = ErrnoStatus(errno, "syncfs", root());
      }
    }
    devices_.clear();
    return first;
  }

  DestinationRefusals refusals() const override { return refusals_; }

 protected:
  const std::string& CurrentKey() const override { return current_; }
  const DestinationTraits& CurrentTraits() override {
    if (current_device_ == nullptr) current_device_ = &DeviceOf(current_fd_.get());
    return current_device_->traits;
  }
  void RemoveStaleTemporaryFiles() override { posix::RemoveStaleTemporaryFiles(current_fd_.get()); }
  Status CopyOnce(const std::string& source, const std::string& folder, const std::string& name,
                  KeepGoing keep_going, HashSink* hash, const SourceSnapshot* snapshot,
                  bool* changed) override {
    posix::CopyTarget target{current_fd_.get(), folder, name,    CurrentTraits(),
                             &refusals_,        hash,   snapshot};
    return posix::CopyOnce(source, target, keep_going, changed);
  }

 private:
  struct Device {
    DestinationTraits traits;
    UniqueFd flush;  // opened before the first write to the file system
  };

  static std::string Key(const std::vector<PathComponent>& components,
                         std::size_t count = SIZE_MAX) {
    return JoinComponents(components, '/', count);
  }

  // Opens the root, creating it and its missing parents (following links: the root's text is
  // the user's own) the first time it is needed.
  Status OpenRoot() {
    if (root_fd_.get() >= 0) return Status::Ok();
    const std::string path = root().empty() ? "." : root();
    // Where no medium is mounted, its mount point is a folder of the system's disk.
    if (Status status = CheckMediumMounted(path); !status.ok()) return status;
    root_fd_ = UniqueFd(::open(path.c_str(), kFolderFlags));
    if (root_fd_.get() < 0 && errno == ENOENT) {
      for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
          return ErrnoStatus(errno, "mkdir", prefix);
        }
        if (slash == std::string::npos) break;
      }
      root_fd_ = UniqueFd(::open(path.c_str(), kFolderFlags));
    }
    if (root_fd_.get() < 0) return ErrnoStatus(errno, "open", path);
    return Status::Ok();
  }

  // Opens a folder this tree has made or opened before, without following links; -1 on
  // failure.
  int OpenExisting(const std::string& key) {
    if (key.empty()) return ::openat(root_fd_.get(), ".", kFolderFlags);
    int fd = OpenBeneath(root_fd_.get(), key);
    if (fd >= 0 || errno != ENOSYS) return fd;
    UniqueFd parent(::openat(root_fd_.get(), ".", kFolderFlags));
    for (std::size_t start = 0; parent.get() >= 0;) {
      std::size_t end = std::min(key.find('/', start), key.size());
      parent = UniqueFd(::openat(parent.get(), key.substr(start, end - start).c_str(),
                                 kFolderFlags | O_NOFOLLOW));
      if (end == key.size()) break;
      start = end + 1;
    }
    return parent.release();
  }

  // Opens the folder `path` as the current folder, creating what is missing when `model` is
  // given.
  Status OpenFolder(const std::string& path, const std::vector<PathComponent>& components,
                    FolderModel* model) override {
    Status status = OpenRoot();
    if (!status.ok()) return status;
    const std::string key = Key(components);
    if (current_fd_.get() >= 0 && current_ == key) return Status::Ok();
    current_fd_ = UniqueFd();
    // The usual case: a folder this run has seen, opened in one call.
    if (known_.contains(key)) {
      int fd = OpenExisting(key);
      if (fd >= 0) return SetCurrent(fd, key, nullptr);
      if (errno != ENOENT) return FolderFailure(errno, path);
      known_.clear();  // something was removed meanwhile: look again from the root
    }
    // Otherwise from the deepest folder known to exist, one component at a time.
    std::size_t done = components.size();
    while (done > 0 && !known_.contains(Key(components, done))) --done;
    UniqueFd parent(OpenExisting(Key(components, done)));
    if (parent.get() < 0) return FolderFailure(errno, path);
    Device* device = nullptr;  // the parent's, once known
    for (std::size_t i = done; i < components.size(); ++i) {
      const std::string name(components[i].name);
      const std::string here = path.substr(0, components[i].end);
      const std::string here_key = Key(components, i + 1);
      UniqueFd fd;
      bool made = false;
      if (model != nullptr) {
        if (device == nullptr) device = &DeviceOf(parent.get());
        status = MakeFolder(parent.get(), name, here, here_key, (*model)(here), device->traits, &fd,
                            &made);
        if (!status.ok()) return status;
      } else {
        fd = UniqueFd(::openat(parent.get(), name.c_str(), kFolderFlags | O_NOFOLLOW));
      }
      if (fd.get() < 0) return FolderFailure(errno, here, parent.get(), name);
      // A folder made here lies on its parent's file system; one that was there may be the
      // mount point of another.
      if (made) {
        folders().Made(here_key);
      } else {
        device = nullptr;
      }
      known_.insert(here_key);
      parent = std::move(fd);
    }
    return SetCurrent(parent.release(), key, device);
  }

  Status SetCurrent(int fd, const std::string& key, Device* device) {
    current_fd_ = UniqueFd(fd);
    current_device_ = device;
    current_ = key;
    known_.insert(key);
    return Status::Ok();
  }

  // Makes the folder `name` (`key` below the root) in `parent_fd` unless it is there, with
  // the permission bits (and, as root, owner) of `source`, and opens it into `*fd` (-1 with
  // errno set when it cannot be opened); `*made` tells whether it was made.
  Status MakeFolder(int parent_fd, const std::string& name, const std::string& path,
                    const std::string& key, const std::string& source,
                    const DestinationTraits& traits, UniqueFd* fd, bool* made) {
    if (Status refused = RefuseFolderName(name, traits, path); !refused.ok()) return refused;
    // Made first and looked at afterwards: below a folder known to exist, the rest of the way
    // is usually new. Private until its bits are set, so that a private source folder is never
    // readable by others meanwhile.
    *made = ::mkdirat(parent_fd, name.c_str(), source.empty() ? 0777 : 0700) == 0;
    if (!*made && errno != EEXIST) return ErrnoStatus(errno, "mkdir", path);
    *fd = UniqueFd(::openat(parent_fd, name.c_str(), kFolderFlags | O_NOFOLLOW));
    struct stat model;
    // A source folder that went away leaves its copy private.
    if (fd->get() < 0 || !*made || source.empty() || ::stat(source.c_str(), &model) != 0) {
      return Status::Ok();
    }
    if (RunningAsRoot() && ::fchown(fd->get(), model.st_uid, model.st_gid) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "chown", path);
      refusals_.owners = true;
    }
    const mode_t exact = model.st_mode & 07777;
    // The run must be able to write into the folder; its exact bits come at the end.
    const mode_t usable = exact | S_IRWXU;
    if (::fchmod(fd->get(), usable) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "chmod", path);
      refusals_.permissions = true;
    } else if (usable != exact) {
      deferred_modes_.emplace_back(key, exact);
    }
    return Status::Ok();
  }

  // The file system of the open folder `fd`; the first time it is met, its traits are
  // learned and its flush handle opened there.
  Device& DeviceOf(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) st.st_dev = 0;
    auto [it, added] = devices_.try_emplace(st.st_dev);
    if (added) {
      it->second.flush = UniqueFd(::openat(fd, ".", kFolderFlags));
      it->second.traits = posix::ProbeTraits(fd);
    }
    return it->second;
  }

  UniqueFd root_fd_;
  // Folders below the root, as "a/b/c", that exist.
  std::unordered_set<std::string> known_;
  std::string current_;
  UniqueFd current_fd_;
  Device* current_device_ = nullptr;
  std::map<dev_t, Device> devices_;
  std::vector<std::pair<std::string, mode_t>> deferred_modes_;
  DestinationRefusals refusals_;
};

}  // namespace

std::unique_ptr<DestinationTree> DestinationTree::Open(const std::string& root) {
  return std::make_unique<PosixDestinationTree>(root);
}

}  // namespace platform
