#include "ui/sub_form2.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include "ui/controls.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/main_form.h"
#include "ui/translation.h"
#include "ui/twips.h"

namespace ui {
namespace {

enum class Purpose { kNone, kAddSource, kComparison, kDestination, kChangeSource };

// The purpose the title names. The four texts are tested in this order and a later match
// wins; none contains another, so at most one matches.
Purpose PurposeOf(const QString& title) {
  Purpose purpose = Purpose::kNone;
  if (title.contains(QString::fromUtf8(kPurposeAddSource))) purpose = Purpose::kAddSource;
  if (title.contains(QString::fromUtf8(kPurposeComparison))) purpose = Purpose::kComparison;
  if (title.contains(QString::fromUtf8(kPurposeDestination))) purpose = Purpose::kDestination;
  if (title.contains(QString::fromUtf8(kPurposeChangeSource))) purpose = Purpose::kChangeSource;
  return purpose;
}

}  // namespace

SubForm2::SubForm2(MainForm& owner) : QDialog(&owner), owner_(owner) {
  setObjectName(QStringLiteral("SubForm2"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(TwipsSize(4875, 3330));
  setModal(true);

  Dir1 = new FolderList(owner_.Files(), this);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setGeometry(TwipsRect(120, 240, 4575, 1770));

  Drive1 = new DriveList(this);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Drive1->setGeometry(TwipsRect(120, 2160, 4575, 300));

  Command1 = new QPushButton(Tr("確定"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(TwipsRect(120, 2640, 1455, 495));
  // Enter presses the button that has the focus; "確定" takes it from the other controls.
  Command1->setDefault(true);

  Command2 = new QPushButton(Tr("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(TwipsRect(3240, 2640, 1455, 495));
  Command2->setAutoDefault(true);

  setTabOrder(Command1, Dir1);
  setTabOrder(Dir1, Drive1);
  setTabOrder(Drive1, Command2);

  connect(Drive1, &DriveList::Change, this, &SubForm2::Drive1_Change);
  connect(Dir1, &FolderList::PathChanged, this, [this] { Drive1->ShowVolumeOf(Dir1->Path()); });
  connect(Command1, &QPushButton::clicked, this, &SubForm2::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &SubForm2::Command2_Click);

  // A new picker starts at the process's current folder, on the volume that holds it.
  Drive1->SetVolumes(owner_.Volumes());
  if (!Dir1->SetPath(owner_.Files().CurrentFolder())) Dir1->SetPath(Drive1->Drive());
  Drive1->ShowVolumeOf(Dir1->Path());
}

void SubForm2::showEvent(QShowEvent* event) {
  // Volumes come and go, and folders may have been made or removed while the picker was
  // hidden; it reopens at the same place with what is there now.
  if (shown_before_) {
    Drive1->SetVolumes(owner_.Volumes());
    Dir1->Refresh();
  }
  shown_before_ = true;
  QDialog::showEvent(event);
}

void SubForm2::closeEvent(QCloseEvent* event) {
  // "確定", "取消", Enter and Esc hide the dialog without a close event reaching here; only
  // the title bar (or the window manager) closes it.
  closed_from_title_bar_ = true;
  QDialog::closeEvent(event);
}

void SubForm2::Drive1_Change() {
  // A volume that cannot be read leaves the list where it was; the user may pick again.
  (void)Dir1->SetPath(Drive1->Drive());
}

void SubForm2::Command1_Click() {
  const std::string folder = Dir1->HighlightedPath();
  switch (PurposeOf(windowTitle())) {
    case Purpose::kAddSource:
      owner_.listDir->AddItem(folder);
      owner_.listComp->AddItem(kNoComparison);
      owner_.listDir->SetListIndex(owner_.listDir->ListCount() - 1);
      break;
    case Purpose::kComparison:
      // Opened by a double-click, the list may have no selected row; then nothing changes.
      if (owner_.listComp->ListIndex() >= 0) {
        owner_.listComp->SetList(owner_.listComp->ListIndex(), folder);
      }
      break;
    case Purpose::kDestination:
      owner_.SetDestination(folder);
      break;
    case Purpose::kChangeSource:
      if (owner_.listDir->ListIndex() >= 0) {
        owner_.listDir->SetList(owner_.listDir->ListIndex(), folder);
      }
      break;
    case Purpose::kNone:
      break;
  }
  Command2_Click();
}

void SubForm2::Command2_Click() { reject(); }

void ShowFolderPicker(MainForm& owner, const QString& purpose) {
  if (owner.picker_ == nullptr) owner.picker_ = new SubForm2(owner);
  owner.picker_->setWindowTitle(purpose);
  owner.picker_->exec();
  if (owner.picker_ != nullptr && owner.picker_->ClosedFromTitleBar()) delete owner.picker_;
}

}  // namespace ui
