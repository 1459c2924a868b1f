#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "platform/volumes.h"

namespace ui {

// The drive selector of the folder picker: one entry per volume, its text starting with the
// volume's mount point (followed by what is mounted there).
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Shows `volumes`, keeping the shown entry when its volume is still among them.
  void SetVolumes(std::vector<platform::Volume> volumes);
  const std::vector<platform::Volume>& Volumes() const { return volumes_; }
  // The mount point of the shown entry ("" when there is none).
  std::string Drive() const;
  // Shows the volume that holds `path`, without raising Change.
  void ShowVolumeOf(const std::string& path);

 signals:
  // Another entry was chosen, by the user or from code.
  void Change();

 private:
  std::vector<platform::Volume> volumes_;
};

}  // namespace ui
