#pragma once

#include <QListWidget>
#include <string>

#include "platform/file_system.h"

namespace ui {

// The folder list of the folder picker: the root and every ancestor of the open folder, the
// open folder itself and its subfolders (hidden and system folders never appear), each
// standing for a full path. One entry is highlighted: the open folder after it was opened,
// or whichever entry a single click or the arrow keys moved the highlight to. A
// double-click opens an entry.
class FolderList : public QListWidget {
  Q_OBJECT

 public:
  explicit FolderList(platform::FileSystem& fs, QWidget* parent = nullptr);

  // Opens `folder` (an absolute path; trailing separators are ignored) and highlights it.
  // Returns false and keeps showing what it showed when `folder` is not an existing folder.
  // A folder whose subfolders cannot be read opens with those it could read.
  bool SetPath(const std::string& folder);
  // The open folder: the root with its separator, any other folder without one.
  const std::string& Path() const { return path_; }
  // The full path of the highlighted entry (the open folder when nothing else is).
  std::string HighlightedPath() const;
  // The full path of entry `row` ("" when there is none).
  std::string EntryPath(int row) const;
  // The row of the open folder.
  int OpenRow() const { return open_row_; }

  // Reads the open folder again, keeping the highlight where it still exists. When the open
  // folder has gone, its nearest existing ancestor is opened.
  void Refresh();

 signals:
  // A folder was opened (by a double-click, SetPath or Refresh).
  void PathChanged();

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;

 private:
  void Fill(const std::string& folder, const std::string& highlight);
  bool IsFolder(const std::string& path);

  platform::FileSystem& fs_;
  std::string path_;
  int open_row_ = -1;
};

// Folder path helpers in the platform's spelling, shared by the picker's pieces.
// `path` without trailing separators, except that a root keeps its own.
std::string TrimFolderPath(const std::string& path);
// The folder that holds `path`, or "" for a root.
std::string ParentFolder(const std::string& path);
// `folder` joined with the entry `name`.
std::string JoinPath(const std::string& folder, std::string_view name);

}  // namespace ui
