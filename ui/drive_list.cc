#include "ui/drive_list.h"

#include <QSignalBlocker>

#include "ui/text.h"

namespace ui {
namespace {

QString EntryText(const platform::Volume& volume) {
  QString text = ToQString(volume.mount_point);
  if (!volume.source.empty()) text += QStringLiteral("  [") + ToQString(volume.source) + ']';
  return text;
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Change(); });
}

void DriveList::SetVolumes(std::vector<platform::Volume> volumes) {
  const std::string shown = Drive();
  QSignalBlocker quiet(this);
  volumes_ = std::move(volumes);
  clear();
  int keep = volumes_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < volumes_.size(); ++i) {
    addItem(EntryText(volumes_[i]));
    if (volumes_[i].mount_point == shown) keep = static_cast<int>(i);
  }
  setCurrentIndex(keep);
}

std::string DriveList::Drive() const {
  const int index = currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= volumes_.size()) return std::string();
  return volumes_[static_cast<std::size_t>(index)].mount_point;
}

void DriveList::ShowVolumeOf(const std::string& path) {
  const int index = platform::VolumeOf(volumes_, path);
  if (index < 0) return;
  QSignalBlocker quiet(this);
  setCurrentIndex(index);
}

}  // namespace ui
