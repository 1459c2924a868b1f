#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/public_function.h"
#include "engine/run_host.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/volumes.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

class CheckBox;
class Frame;
class ListBox;
class SubForm2;
class frmAbout;

// The comparison folder of a pair that has none.
using engine::kNoComparison;

// What the main window works with. Every member has a default that is the real thing; tests
// replace the ones they need to control.
struct MainFormOptions {
  // Message boxes (default: Qt's).
  platform::MessageBoxService* messages = nullptr;
  // The file system the picker browses and the run works on (default: the machine's).
  platform::FileSystem* file_system = nullptr;
  // The volumes the picker's drive selector offers (default: the mounted volumes).
  std::function<std::vector<platform::Volume>()> volumes;
  // The archive library's file name as looked up at load (default: the platform's).
  std::string archive_library_name;
  // The run (default: engine::RunBackup).
  std::function<engine::RunOutcome(const engine::Job&, engine::RunHost&, const engine::RunOptions&)>
      run;
};

// The main window. The job is the content of its controls; "実行" reads them into one
// engine::Job and hands it to the run, with the window as its host. While a run is in progress the
// controls that edit the job and "実行" are disabled, and closing the window asks the run to
// stop (through its cancel confirmation) and ends the program once the run has ended.
class MainForm : public QWidget, public engine::RunHost {
  Q_OBJECT

 public:
  explicit MainForm(MainFormOptions options = {});
  ~MainForm() override;

  // The controls, under the names the window's code, the picker and the run use.
  QLabel* Label1 = nullptr;
  QPushButton* cmdErase = nullptr;
  ListBox* listDir = nullptr;
  QLabel* Label4 = nullptr;
  ListBox* listComp = nullptr;
  QPushButton* cmdAddDir = nullptr;
  QPushButton* cmdDelDir = nullptr;
  CheckBox* chkSubDir = nullptr;
  QPushButton* cmdChange = nullptr;
  QPushButton* cmdClear = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* txtTgtDir = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* cmdFind = nullptr;
  Frame* Frame1 = nullptr;
  CheckBox* chkLHA = nullptr;
  CheckBox* chkZIP = nullptr;
  std::array<QRadioButton*, 2> optFolder = {nullptr, nullptr};
  QPushButton* cmdExec = nullptr;
  QPushButton* cmdExit = nullptr;

  // Sets the destination text to a folder the picker chose, keeping its exact bytes.
  void SetDestination(const std::string& folder);

  platform::FileSystem& Files() { return *file_system_; }
  std::vector<platform::Volume> Volumes();

  // The job as the controls hold it now.
  engine::Job CurrentJob() const;
  // The archive library found at load ("" when it was not found).
  const std::string& ArchiveLibrary() const { return archive_library_; }
  bool RunInProgress() const { return running_; }
  // The folder picker and the about box while they exist (null otherwise).
  SubForm2* Picker() const;
  frmAbout* About() const;

  // engine::RunHost
  std::uintptr_t WindowHandle() override;
  std::unique_ptr<engine::ProgressView> LoadProgress() override;
  void DoEvents() override;
  void Note(const std::string& text) override;
  int MsgBox(const std::string& text, int flags,
             const std::string& title = platform::kApplicationTitle) override;

 signals:
  // The window has closed; the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend void ShowFolderPicker(MainForm& owner, const QString& purpose);

  void CreateControls();
  void Form_Load();
  void Form_DblClick();
  void cmdAddDir_Click();
  void cmdDelDir_Click();
  void cmdErase_Click();
  void cmdChange_Click();
  void cmdClear_Click();
  void cmdFind_Click();
  void listComp_DblClick();
  void listDir_DblClick();
  void listDir_Click();
  void listComp_Click();
  void chkLHA_MouseUp();
  void cmdExec_Click();
  void cmdExit_Click();

  void Run();
  void LockJob();
  void UnlockJob();

  MainFormOptions options_;
  std::unique_ptr<platform::MessageBoxService> own_messages_;
  platform::MessageBoxService* messages_ = nullptr;
  platform::FileSystem* file_system_ = nullptr;
  std::string archive_library_;
  // The picker's folder as bytes, while the destination text still shows it.
  std::string destination_bytes_;

  bool running_ = false;
  bool close_pending_ = false;
  std::vector<std::pair<QPointer<QWidget>, bool>> locked_;
  QPointer<QWidget> focus_before_run_;

  QPointer<SubForm2> picker_;
  QPointer<frmAbout> about_;
};

}  // namespace ui
