#include <windows.h>
// Our own CopyFile, not the macro for the system call of that name.
#undef CopyFile

#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "platform/destination.h"
#include "platform/destination_policy.h"
#include "platform/path_rules.h"
#include "platform/text.h"
#include "platform/win32/destination_rules.h"
#include "platform/win32/file_copy.h"
#include "platform/win32/handle.h"
#include "platform/win32/held_folder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

using win32::Handle;
using win32::LastErrorStatus;
using win32::Widen;

// A volume the tree writes to: what it holds, and how its writes are made durable.
struct Volume {
  DestinationTraits traits;
  // Opened before the first write to the volume, where the process may (an administrator)
  // and the volume takes a flush as a whole: one flush of it covers every copy.
  Handle flush;
  bool written = false;
  // Otherwise every copy is flushed on its own at the end: its path and its text.
  std::vector<std::pair<std::wstring, std::string>> copies;
};

class Win32DestinationTree final : public PolicyTree {
 public:
  explicit Win32DestinationTree(std::string root) : PolicyTree(std::move(root), '\\') {
    std::string& text = mutable_root();
    // "D:" would name the drive's current folder; the run's paths below it ("D:\20250101")
    // start at the drive's root.
    if (text.size() == 2 && text[1] == ':') text.push_back('\\');
    while (text.size() > 1 && platform::IsSeparator(text.back()) &&
           !(text.size() == 3 && text[1] == ':')) {
      text.pop_back();
    }
  }

  Status Finish() override {
    chain_.clear();
    Status first;
    for (auto& [serial, volume] : volumes_) {
      if (!volume.written) continue;
      if (volume.flush.valid()) {
        if (!::FlushFileBuffers(volume.flush.get()) && first.ok()) {
          first = LastErrorStatus("flush", root());
        }
        continue;
      }
      for (const auto& [path, text] : volume.copies) {
        Status status = win32::FlushFile(path, text);
        if (!status.ok() && first.ok()) first = status;
      }
    }
    volumes_.clear();
    return first;
  }

  DestinationRefusals refusals() const override { return refusals_; }

 protected:
  // Folders made here take the access rights they inherit from their parent, as the system's
  // own copies do; a source folder's access list is not carried over.
  Status OpenFolder(const std::string& path, const std::vector<PathComponent>& components,
                    FolderModel* model) override {
    return OpenFolders(path, components, /*create=*/model != nullptr);
  }
  const std::string& CurrentKey() const override { return chain_.back().key; }
  const DestinationTraits& CurrentTraits() override { return chain_.back().volume->traits; }
  void RemoveStaleTemporaryFiles() override {
    win32::RemoveStaleTemporaryFiles(chain_.back().held.path);
  }
  Status CopyOnce(const std::string& source, const std::string& folder, const std::string& name,
                  KeepGoing keep_going, HashSink* hash, const SourceSnapshot* snapshot,
                  bool* changed) override {
    (void)snapshot;  // nothing is read ahead here
    Folder& current = chain_.back();
    win32::CopyTarget target{current.held.path,      folder,     name,
                             current.volume->traits, &refusals_, hash};
    return win32::CopyOnce(source, target, keep_going, changed);
  }
  void Copied(const std::string& folder, const std::string& name) override {
    Folder& current = chain_.back();
    Volume& volume = *current.volume;
    volume.written = true;
    if (!volume.flush.valid()) {
      volume.copies.emplace_back(win32::PathInside(current.held.path, Widen(name)),
                                 win32::PathInside(folder, name));
    }
  }

 private:
  // A folder of the chain from the root to the folder the run writes into, held open.
  struct Folder {
    std::string name;        // as the run spells it ("" for the root)
    std::string key;         // the components below the root, joined by "\"
    win32::HeldFolder held;  // open, so that nothing can take its place
    Volume* volume = nullptr;
  };

  // Opens the root, creating it and its missing parents (following links: the root's text is
  // the user's own) the first time it is needed.
  Status OpenRoot() {
    if (!chain_.empty()) return Status::Ok();
    Folder top;
    Status status = win32::OpenNamedFolder(root(), &top.held);
    if (!status.ok()) return status;
    top.volume = &VolumeOf(top.held);
    chain_.push_back(std::move(top));
    return Status::Ok();
  }

  // Makes `chain_` reach the folder `path`, whose components below the root are
  // `components`, creating the missing ones when `create` is set.
  Status OpenFolders(const std::string& path, const std::vector<PathComponent>& components,
                     bool create) {
    Status status = OpenRoot();
    if (!status.ok()) return status;
    std::size_t common = 0;
    while (common < components.size() && common + 1 < chain_.size() &&
           chain_[common + 1].name == components[common].name) {
      ++common;
    }
    chain_.resize(common + 1);
    for (std::size_t i = common; i < components.size(); ++i) {
      status =
          OpenChild(std::string(components[i].name), path.substr(0, components[i].end), create);
      if (!status.ok()) return status;
    }
    return Status::Ok();
  }

  // Opens the folder `name` in the last folder of the chain, without following a link or
  // junction, creating it first when `create` is set, and appends it to the chain.
  Status OpenChild(const std::string& name, const std::string& text, bool create) {
    Folder& parent = chain_.back();
    const std::wstring wide_name = Widen(name);
    if (create) {
      if (Status refused = RefuseFolderName(name, parent.volume->traits, text); !refused.ok()) {
        return refused;
      }
    }
    Folder folder;
    folder.name = name;
    folder.key = parent.key.empty() ? name : parent.key + "\\" + name;
    bool made = false;
    Status status;
    switch (win32::OpenChildFolder(parent.held, wide_name, text, create, &folder.held, &made,
                                   &status)) {
      case win32::ChildFolder::kOpened:
        break;
      case win32::ChildFolder::kLink:
        return Status::Error(kPathNotFound,
                             "open(" + text +
                                 "): a link or junction is in the way (nothing is written "
                                 "through links below the destination)");
      case win32::ChildFolder::kNotFolder:
        return Status::Error(kPathNotFound, "open(" + text + "): not a folder");
      default:
        return status;
    }
    // A folder made here lies on its parent's volume; one that was there may be the mount
    // point of another.
    folder.volume = made ? parent.volume : &VolumeOf(folder.held);
    if (made) {
      folders().Made(folder.key);
      folder.volume->written = true;
    }
    chain_.push_back(std::move(folder));
    return Status::Ok();
  }

  // The volume of the open folder `handle`; the first time it is met, its traits are learned
  // and its flush handle opened.
  Volume& VolumeOf(const win32::HeldFolder& folder) {
    DWORD serial = 0;
    DWORD max_name_length = 255;
    DWORD flags = 0;
    wchar_t file_system[MAX_PATH + 1] = L"";
    if (!::GetVolumeInformationByHandleW(folder.handle.get(), nullptr, 0, &serial, &max_name_length,
                                         &flags, file_system, MAX_PATH + 1)) {
      file_system[0] = L'\0';
      max_name_length = 255;
    }
    auto [it, added] = volumes_.try_emplace(serial);
    Volume& volume = it->second;
    if (added) {
      volume.traits = win32::TraitsOfVolume(file_system);
      volume.traits.max_name_units = max_name_length;
      volume.flush = OpenVolume(folder.path);
    }
    return volume;
  }

  // The volume that holds `path`, opened for a flush of it as a whole; invalid where the
  // process may not (it needs an administrator's rights) or the volume takes no such flush,
  // which a first flush, before anything of the run is written there, tells.
  static Handle OpenVolume(const std::wstring& path) {
    std::wstring mount_point(path.size() + 2, L'\0');
    if (!::GetVolumePathNameW(path.c_str(), mount_point.data(),
                              static_cast<DWORD>(mount_point.size()))) {
      return Handle();
    }
    mount_point.resize(std::wcslen(mount_point.c_str()));
    // "\\?\D:\" is the drive D:, which the volume calls want as "D:\".
    if (mount_point.starts_with(L"\\\\?\\") && mount_point.size() == 7 && mount_point[5] == L':') {
      mount_point.erase(0, 4);
    }
    std::wstring device;
    wchar_t name[MAX_PATH + 1];
    if (::GetVolumeNameForVolumeMountPointW(mount_point.c_str(), name, MAX_PATH + 1)) {
      device = name;  // "\\?\Volume{...}\"
    } else if (mount_point.size() == 3 && mount_point[1] == L':') {
      device = L"\\\\.\\" + mount_point.substr(0, 2);  // "\\.\D:"
    } else {
      return Handle();
    }
    if (device.back() == L'\\') device.pop_back();
    Handle volume(::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (volume.valid() && !::FlushFileBuffers(volume.get())) volume.Close();
    return volume;
  }

  std::vector<Folder> chain_;        // the root first
  std::map<DWORD, Volume> volumes_;  // by serial number
  DestinationRefusals refusals_;
};

}  // namespace

std::unique_ptr<DestinationTree> DestinationTree::Open(const std::string& root) {
  return std::make_unique<Win32DestinationTree>(root);
}

}  // namespace platform
