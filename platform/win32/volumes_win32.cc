#include <windows.h>

#include "platform/text.h"
#include "platform/volumes.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// An empty floppy or card reader must not make the system ask for a disc.
class QuietDriveErrors {
 public:
  QuietDriveErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~QuietDriveErrors() { ::SetThreadErrorMode(previous_, nullptr); }

 private:
  DWORD previous_ = 0;
};

}  // namespace

// Every drive letter in use, "C:\" first-to-last. The source is the drive's label (for a
// network drive the share it maps), the type its file system; a drive without a medium
// has neither.
std::vector<Volume> MountedVolumes() {
  QuietDriveErrors quiet;
  std::vector<Volume> volumes;
  DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
    Volume volume;
    volume.mount_point = win32::Narrow(root);
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t file_system[MAX_PATH + 1] = {};
    if (::GetDriveTypeW(root) != DRIVE_REMOTE &&
        ::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, file_system,
                                MAX_PATH + 1)) {
      volume.source = win32::Narrow(label);
      volume.type = win32::Narrow(file_system);
    }
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

// Drive letters and names compare without regard to case; "/" also separates.
int VolumeOf(const std::vector<Volume>& volumes, std::string_view path) {
  const std::string upper_path = UpperCase(path);
  int best = -1;
  std::size_t best_length = 0;
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    std::string mount_point = UpperCase(volumes[i].mount_point);
    while (mount_point.size() > 1 && IsSlash(mount_point.back())) mount_point.pop_back();
    if (upper_path.size() < mount_point.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < mount_point.size() && same; ++k) {
      same = upper_path[k] == mount_point[k] || (IsSlash(upper_path[k]) && IsSlash(mount_point[k]));
    }
    bool whole = upper_path.size() == mount_point.size() || IsSlash(upper_path[mount_point.size()]);
    if (same && whole && (best < 0 || mount_point.size() > best_length)) {
      best = static_cast<int>(i);
      best_length = mount_point.size();
    }
  }
  return best;
}

// A drive letter with nothing behind it fails by itself.
Status CheckMediumMounted(const std::string&) { return Status::Ok(); }

}  // namespace platform
