#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/output_folder.h"
#include "platform/part_size.h"
#include "platform/posix/destination_probe.h"
#include "platform/posix/file_copy.h"
#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

using posix::ErrnoStatus;
using posix::IsRefusal;
using posix::UniqueFd;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Writes are gathered into parts sized by the medium's throughput (see PartSizer): a medium
// with a fixed cost per call then takes few calls, a fast one loses nothing.
constexpr std::size_t kFirstWrite = 64 << 10;
constexpr std::size_t kSmallestWrite = 64 << 10;
constexpr std::size_t kLargestWrite = 8 << 20;
constexpr auto kNoticeableWrite = std::chrono::milliseconds(20);

bool IsSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

Status BadName(std::string_view operation, std::string_view name) {
  return Status::Error(kBadFileName,
                       std::string(operation) + "(" + std::string(name) + "): not a single name");
}

std::string Grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

// The umask, read without changing it (umask(2) can only be read by setting it, which
// would race with other threads creating files).
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("Umask:", 0) == 0)
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

// What every folder opened from one OutputFolder::Open shares.
struct Tree {
  std::map<dev_t, DestinationTraits> traits;
  // Folders (device, inode) this tree made or already swept of stale temporary files.
  std::set<std::pair<dev_t, ino_t>> swept;
  DestinationRefusals refusals;
  // Learned on the first file that needed them: renameat2 without RENAME_NOREPLACE (exFAT
  // and FAT through FUSE), no hard links (the same).
  bool no_noreplace = false;
  bool no_links = false;
  // Parts are sized by what the medium gave the files before, and gathered in a buffer
  // that the next file takes over (allocating and touching megabytes per file costs more
  // than writing them).
  PartSizer parts{kFirstWrite, kSmallestWrite, kLargestWrite, std::chrono::milliseconds(400),
                  kNoticeableWrite};
  std::vector<std::uint8_t> spare_buffer;
};

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(std::shared_ptr<Tree> tree, int folder, const DestinationTraits& traits,
                  std::unique_ptr<posix::TemporaryFile> temporary)
      : tree_(std::move(tree)),
        folder_(folder),
        traits_(traits),
        temporary_(std::move(temporary)),
        buffer_(std::move(tree_->spare_buffer)) {
    buffer_.clear();
  }
  ~PosixOutputFile() override { tree_->spare_buffer = std::move(buffer_); }

  Status Write(std::span<const std::uint8_t> bytes) override {
    const std::size_t part = tree_->parts.part();
    // The decoder's pieces are as large as a part while writing is quick: no copy then.
    if (buffer_.empty() && bytes.size() >= part) return WriteTimed(bytes);
    // Grown once to the part's size, never by doubling: every new page costs a fault.
    if (buffer_.capacity() < part) buffer_.reserve(std::max(part, buffer_.size() + bytes.size()));
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return buffer_.size() >= part ? Flush() : Status::Ok();
  }

  Status Commit(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                bool replace) override {
    if (!IsSingleName(name)) return BadName("rename", name);
    Status status = Flush();
    if (!status.ok()) return status;
    const int fd = temporary_->fd();
    const std::string& temporary = temporary_->name();
    const mode_t bits = static_cast<mode_t>(mode ? *mode & 0777 : 0666) & ~CurrentUmask();
    if (::fchmod(fd, bits) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "chmod", temporary);
      tree_->refusals.permissions = true;
    }
    // Both times: FUSE file systems (fusefat, exfat-fuse) drop a change that omits one.
    const timespec stamp = posix::CopyTimeOf({static_cast<time_t>(mtime), 0}, traits_);
    const timespec times[2] = {stamp, stamp};
    if (::futimens(fd, times) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "utimens", temporary);
      tree_->refusals.times = true;
    }
    // Closing reports late write errors on some file systems (NFS, FUSE), so it comes before
    // the rename; a second descriptor keeps the lock until the file has its final name, and
    // sets the time again where a rename stamps the file (FAT through FUSE).
    UniqueFd lock_keeper(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (lock_keeper.get() < 0) return ErrnoStatus(errno, "dup", temporary);
    if (temporary_->Close() != 0) return ErrnoStatus(errno, "close", temporary);
    const std::string target(name);
    status = replace ? Replace(target) : RenameNoReplace(target);
    if (!status.ok()) return status;
    temporary_->Keep();
    if (traits_.rename_resets_time && ::futimens(lock_keeper.get(), times) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "utimens", target);
      tree_->refusals.times = true;
    }
    return Status::Ok();
  }

 private:
  Status Flush() {
    if (buffer_.empty()) return Status::Ok();
    Status status = WriteTimed(buffer_);
    buffer_.clear();
    return status;
  }

  Status WriteTimed(std::span<const std::uint8_t> bytes) {
    const auto started = std::chrono::steady_clock::now();
    Status status =
        posix::WriteAll(temporary_->fd(),
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        temporary_->name());
    tree_->parts.Took(bytes.size(), std::chrono::steady_clock::now() - started);
    return status;
  }

  Status Replace(const std::string& target) {
    if (::renameat(folder_, temporary_->name().c_str(), folder_, target.c_str()) != 0) {
      return ErrnoStatus(errno, "rename", target);
    }
    return Status::Ok();
  }

  static Status Taken(const std::string& target) {
    return Status::Error(kFileAlreadyExists, "rename(" + target + "): the name is taken");
  }

  Status RenameNoReplace(const std::string& target) {
    const char* from = temporary_->name().c_str();
    if (!tree_->no_noreplace) {
      if (::renameat2(folder_, from, folder_, target.c_str(), RENAME_NOREPLACE) == 0) {
        return Status::Ok();
      }
      if (errno == EEXIST) return Taken(target);
      if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return ErrnoStatus(errno, "rename", target);
      }
      tree_->no_noreplace = true;
    }
    // A hard link refuses an existing name too.
    if (!tree_->no_links) {
      if (::linkat(folder_, from, folder_, target.c_str(), 0) == 0) {
        ::unlinkat(folder_, from, 0);
        return Status::Ok();
      }
      if (errno == EEXIST) return Taken(target);
      if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return ErrnoStatus(errno, "link", target);
      }
      tree_->no_links = true;
    }
    // Neither (exFAT, FAT): the name is claimed by an empty file that only a free name
    // allows, which the rename then replaces. Only this run's own empty file is ever replaced.
    UniqueFd claim(::openat(folder_, target.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (claim.get() < 0) {
      if (errno == EEXIST) return Taken(target);
      return ErrnoStatus(errno, "create", target);
    }
    claim = UniqueFd();
    if (::renameat(folder_, from, folder_, target.c_str()) != 0) {
      const int err = errno;
      ::unlinkat(folder_, target.c_str(), 0);
      return ErrnoStatus(err, "rename", target);
    }
    return Status::Ok();
  }

  std::shared_ptr<Tree> tree_;
  int folder_;  // owned by the folder, which outlives its files
  DestinationTraits traits_;
  std::unique_ptr<posix::TemporaryFile> temporary_;
  std::vector<std::uint8_t> buffer_;
};

class PosixOutputFolder final : public OutputFolder {
 public:
  PosixOutputFolder(UniqueFd fd, std::shared_ptr<Tree> tree, bool made)
      : fd_(std::move(fd)), tree_(std::move(tree)) {
    struct stat st;
    if (::fstat(fd_.get(), &st) == 0) {
      device_ = st.st_dev;
      if (made) tree_->swept.emplace(st.st_dev, st.st_ino);
    }
  }

  Status OpenFolder(std::string_view name, bool create, std::unique_ptr<OutputFolder>* folder,
                    bool* created) override {
    *created = false;
    if (!IsSingleName(name)) return BadName("open", name);
    const std::string child(name);
    if (create) {
      // A folder that is there already is used, whatever its name.
      struct stat st;
      if (std::string problem = NameProblem(child, Traits());
          !problem.empty() && ::fstatat(fd_.get(), child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return Status::Error(
            kBadFileName,
            "mkdir(" + child + "): the destination cannot hold this name: " + problem);
      }
      if (::mkdirat(fd_.get(), child.c_str(), 0777) == 0) {
        *created = true;
      } else if (errno != EEXIST) {
        return ErrnoStatus(errno, "mkdir", child);
      }
    }
    UniqueFd fd(::openat(fd_.get(), child.c_str(), kFolderFlags));
    if (fd.get() < 0) {
      int err = errno;
      if (err == ENOENT) return Status::Error(kPathNotFound, "open(" + child + "): no such folder");
      if (err == ELOOP || err == ENOTDIR) {
        return Status::Error(kPathFileAccessError,
                             "open(" + child + "): not a folder (a link or a file has its name)");
      }
      return ErrnoStatus(err, "open", child);
    }
    *folder = std::make_unique<PosixOutputFolder>(std::move(fd), tree_, *created);
    return Status::Ok();
  }

  Status Exists(std::string_view name, bool* exists) override {
    if (!IsSingleName(name)) return BadName("stat", name);
    struct stat st;
    if (::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      *exists = true;
      return Status::Ok();
    }
    *exists = false;
    if (errno == ENOENT) return Status::Ok();
    return ErrnoStatus(errno, "stat", name);
  }

  Status CheckFile(std::string_view name, std::uint64_t size) override {
    if (!IsSingleName(name)) return BadName("create", name);
    const DestinationTraits& traits = Traits();
    if (std::string problem = NameProblem(name, traits); !problem.empty()) {
      return Status::Error(kBadFileName, "the destination cannot hold the name \"" +
                                             std::string(name) + "\": " + problem);
    }
    if (size > traits.max_file_size) {
      return Status::Error(kDiskFull, Grouped(size) +
                                          " bytes is more than the destination holds in one "
                                          "file (" +
                                          Grouped(traits.max_file_size) + " bytes)");
    }
    return Status::Ok();
  }

  Status CreateTemporary(std::unique_ptr<OutputFile>* file) override {
    const DestinationTraits& traits = Traits();
    SweepOnce();
    auto temporary = std::make_unique<posix::TemporaryFile>(fd_.get());
    Status status = temporary->Create(".");
    if (!status.ok()) return status;
    *file = std::make_unique<PosixOutputFile>(tree_, fd_.get(), traits, std::move(temporary));
    return Status::Ok();
  }

  Status SetAttributes(std::optional<unsigned> mode, std::optional<std::int64_t> mtime) override {
    if (mode && ::fchmod(fd_.get(), static_cast<mode_t>(*mode & 0777) & ~CurrentUmask()) != 0) {
      if (!IsRefusal(errno)) return ErrnoStatus(errno, "chmod", "folder");
      tree_->refusals.permissions = true;
    }
    if (mtime) {
      const timespec stamp = posix::CopyTimeOf({static_cast<time_t>(*mtime), 0}, Traits());
      const timespec times[2] = {stamp, stamp};
      if (::futimens(fd_.get(), times) != 0) {
        if (!IsRefusal(errno)) return ErrnoStatus(errno, "utimens", "folder");
        tree_->refusals.times = true;
      }
    }
    return Status::Ok();
  }

  DestinationRefusals refusals() const override { return tree_->refusals; }

 private:
  // What the file system of this folder holds, learned once per file system.
  const DestinationTraits& Traits() {
    auto [it, added] = tree_->traits.try_emplace(device_);
    if (added) it->second = posix::ProbeTraits(fd_.get());
    return it->second;
  }

  // Removes what interrupted runs left here, once per folder, before the first file.
  void SweepOnce() {
    if (swept_) return;
    swept_ = true;
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return;
    if (tree_->swept.emplace(st.st_dev, st.st_ino).second) {
      posix::RemoveStaleTemporaryFiles(fd_.get());
    }
  }

  UniqueFd fd_;
  std::shared_ptr<Tree> tree_;
  dev_t device_ = 0;
  bool swept_ = false;  // this object has made sure of it
};

}  // namespace

Status OutputFolder::Open(const std::string& path, std::unique_ptr<OutputFolder>* folder) {
  // Each missing folder of the path is made in turn, as mkdir -p does.
  std::string walked;
  std::size_t start = 0;
  bool made = false;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    walked = path.substr(0, end);
    struct stat st;
    made = false;
    if (!walked.empty() && ::stat(walked.c_str(), &st) != 0) {
      if (errno != ENOENT) return ErrnoStatus(errno, "stat", walked);
      made = ::mkdir(walked.c_str(), 0777) == 0;
      if (!made && errno != EEXIST) return ErrnoStatus(errno, "mkdir", walked);
    }
    start = end + 1;
  }
  UniqueFd fd(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
  *folder = std::make_unique<PosixOutputFolder>(std::move(fd), std::make_shared<Tree>(), made);
  return Status::Ok();
}

}  // namespace platform
