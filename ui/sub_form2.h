#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

namespace ui {

class DriveList;
class FolderList;
class MainForm;

// Why the folder picker is open; the text is the picker's title, and its "確定" reads the
// title back to know where the chosen folder goes.
inline constexpr char kPurposeAddSource[] = "コピー元フォルダ指定";
inline constexpr char kPurposeComparison[] = "比較元フォルダ指定";
inline constexpr char kPurposeDestination[] = "コピー先フォルダ指定";
inline constexpr char kPurposeChangeSource[] = "コピー元フォルダ変更";

// The folder picker: a folder list and a drive selector. It writes the chosen folder
// straight into the main window. Created once and hidden after each use, so it opens where
// the user last left it; closing it from its title bar destroys it, and the next use starts
// afresh at the current folder.
class SubForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit SubForm2(MainForm& owner);

  // Whether the user closed the dialog from its title bar (rather than "確定", "取消",
  // Enter or Esc).
  bool ClosedFromTitleBar() const { return closed_from_title_bar_; }

  // The controls, under the names the window's code uses.
  FolderList* Dir1 = nullptr;
  DriveList* Drive1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Drive1_Change();
  void Command1_Click();
  void Command2_Click();

  MainForm& owner_;
  bool closed_from_title_bar_ = false;
  bool shown_before_ = false;
};

// Opens the picker modally over `owner` with `purpose` (one of the four texts above) as its
// title and returns when it has been hidden or closed; the chosen folder, if any, has then
// been written into `owner`.
void ShowFolderPicker(MainForm& owner, const QString& purpose);

}  // namespace ui
