#include "ui/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <cstdio>
#include <exception>

#include "engine/common.h"
#include "engine/run_text.h"
#include "platform/path_rules.h"
#include "platform/text.h"
#include "ui/controls.h"
#include "ui/frm_about.h"
#include "ui/message_box_qt.h"
#include "ui/sub_form1.h"
#include "ui/sub_form2.h"
#include "ui/text.h"
#include "ui/translation.h"
#include "ui/twips.h"
#include "util/c_file.h"

namespace ui {
namespace {

constexpr const char* kNoSourceMessage = Id("コピー元のフォルダが指定されていません。");
constexpr const char* kNoDestinationMessage = Id("コピー先のフォルダが指定されていません。");
constexpr const char* kNoFolderTitle = Id("フォルダ未指定");

// The two etched separators: a line in the text colour with one in the window-background
// colour a pixel below, across the window.
constexpr int kSeparatorLeft = 120;
constexpr int kSeparatorRight = 9600;
constexpr int kSeparatorTops[] = {3480, 4800};

template <typename Widget>
Widget* Place(Widget* widget, const char* name, QRect geometry) {
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(geometry);
  return widget;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = Place(new QPushButton(Tr(caption), parent), name, geometry);
  // Enter presses the button that has the focus, as it does on the platform the window was
  // drawn for.
  button->setAutoDefault(true);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* label = Place(new QLabel(Tr(caption), parent), name, geometry);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

MainForm::MainForm(MainFormOptions options) : QWidget(nullptr), options_(std::move(options)) {
  if (options_.messages != nullptr) {
    messages_ = options_.messages;
  } else {
    own_messages_ = std::make_unique<QtMessageBoxService>();
    messages_ = own_messages_.get();
  }
  file_system_ =
      options_.file_system != nullptr ? options_.file_system : &platform::FileSystem::Default();
  if (options_.archive_library_name.empty()) {
    options_.archive_library_name = std::string(platform::ArchiveLibraryFileName());
  }
  if (!options_.run) {
    options_.run = [](const engine::Job& job, engine::RunHost& host,
                      const engine::RunOptions& run) { return engine::RunBackup(job, host, run); };
  }

  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromUtf8(platform::kApplicationTitle));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(TwipsSize(9855, 6060));
  CreateControls();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  Form_Load();
}

MainForm::~MainForm() {
  // The about box has no owner; it goes with the program.
  delete about_;
}

void MainForm::CreateControls() {
  Label1 = MakeLabel(this, "Label1", "コピー元", TwipsRect(240, 360, 1935, 255));
  cmdErase = MakeButton(this, "cmdErase", "クリア", TwipsRect(3720, 120, 1095, 375));
  listDir = Place(new ListBox(this), "listDir", TwipsRect(240, 600, 4575, 2160));
  Label4 = MakeLabel(this, "Label4", "比較先", TwipsRect(5040, 360, 1215, 255));
  listComp = Place(new ListBox(this), "listComp", TwipsRect(5040, 600, 4575, 2175));
  cmdAddDir = MakeButton(this, "cmdAddDir", "追加", TwipsRect(240, 3000, 1095, 375));
  cmdDelDir = MakeButton(this, "cmdDelDir", "削除", TwipsRect(1680, 3000, 1095, 375));
  chkSubDir = Place(new CheckBox(Tr("ｻﾌﾞﾌｫﾙﾀﾞも対象"), this), "chkSubDir",
                    TwipsRect(3240, 3000, 1575, 255));
  cmdChange = MakeButton(this, "cmdChange", "変更", TwipsRect(5040, 3000, 1095, 375));
  cmdClear = MakeButton(this, "cmdClear", "なし", TwipsRect(6480, 3000, 1095, 375));
  Label2 = MakeLabel(this, "Label2", "コピー先", TwipsRect(240, 3960, 1935, 255));
  txtTgtDir = Place(new QLineEdit(this), "txtTgtDir", TwipsRect(240, 4200, 2535, 375));
  Label3 = MakeLabel(this, "Label3", "", TwipsRect(2760, 4320, 975, 255));
  cmdFind = MakeButton(this, "cmdFind", "参照", TwipsRect(3720, 4200, 1095, 375));
  Frame1 = Place(new Frame(Tr("ｱｰｶｲﾊﾞ"), this), "Frame1", TwipsRect(5040, 3720, 4575, 855));
  chkLHA =
      Place(new CheckBox(QStringLiteral("LHA"), Frame1), "chkLHA", TwipsRect(240, 240, 1335, 255));
  chkZIP =
      Place(new CheckBox(QStringLiteral("Zip"), Frame1), "chkZIP", TwipsRect(240, 480, 1095, 255));
  optFolder[0] = Place(new QRadioButton(Tr("ﾌｫﾙﾀﾞ有効"), Frame1), "optFolder(0)",
                       TwipsRect(3120, 240, 1215, 255));
  optFolder[1] = Place(new QRadioButton(Tr("ﾌｫﾙﾀﾞ無効"), Frame1), "optFolder(1)",
                       TwipsRect(3120, 480, 1215, 255));
  cmdExec = MakeButton(this, "cmdExec", "実行", TwipsRect(240, 5160, 1695, 495));
  cmdExit = MakeButton(this, "cmdExit", "終了", TwipsRect(7920, 5160, 1695, 495));

  chkSubDir->SetValue(1);
  chkLHA->SetValue(1);
  chkZIP->SetValue(0);
  chkZIP->setEnabled(false);  // there is no Zip reader; nothing ever enables it
  optFolder[0]->setChecked(true);

  QWidget* const tab_order[] = {
      cmdAddDir, cmdChange, cmdFind, cmdExec, cmdDelDir,    cmdClear,     chkSubDir, listDir,
      listComp,  txtTgtDir, chkLHA,  chkZIP,  optFolder[0], optFolder[1], cmdErase,  cmdExit};
  for (std::size_t i = 1; i < std::size(tab_order); ++i) {
    setTabOrder(tab_order[i - 1], tab_order[i]);
  }
  cmdAddDir->setFocus();

  connect(cmdAddDir, &QPushButton::clicked, this, &MainForm::cmdAddDir_Click);
  connect(cmdDelDir, &QPushButton::clicked, this, &MainForm::cmdDelDir_Click);
  connect(cmdErase, &QPushButton::clicked, this, &MainForm::cmdErase_Click);
  connect(cmdChange, &QPushButton::clicked, this, &MainForm::cmdChange_Click);
  connect(cmdClear, &QPushButton::clicked, this, &MainForm::cmdClear_Click);
  connect(cmdFind, &QPushButton::clicked, this, &MainForm::cmdFind_Click);
  connect(cmdExec, &QPushButton::clicked, this, &MainForm::cmdExec_Click);
  connect(cmdExit, &QPushButton::clicked, this, &MainForm::cmdExit_Click);
  connect(listDir, &ListBox::DblClick, this, &MainForm::listDir_DblClick);
  connect(listComp, &ListBox::DblClick, this, &MainForm::listComp_DblClick);
  connect(listDir, &ListBox::Click, this, &MainForm::listDir_Click);
  connect(listComp, &ListBox::Click, this, &MainForm::listComp_Click);
  connect(chkLHA, &CheckBox::MouseUp, this, &MainForm::chkLHA_MouseUp);
  connect(txtTgtDir, &QLineEdit::textEdited, this, [this] { destination_bytes_.clear(); });
}

void MainForm::Form_Load() {
  listDir->Clear();
  listComp->Clear();
  engine::DateFolderName = engine::TodayFolderName();
  Label3->setText(QChar(platform::Separator()) + ToQString(engine::DateFolderName));
  const std::string& name = options_.archive_library_name;
  if (!util::cFile().CheckExistFile(name, &archive_library_)) {
    chkLHA->SetValue(0);
    chkLHA->setEnabled(false);
  }
}

void MainForm::Form_DblClick() {
  if (about_ == nullptr) about_ = new frmAbout(*messages_);
  about_->lblTitle->setText(LinesText(TranslateLines(kCreditsTitle)));
  about_->lblDisclaimer->setText(LinesText(TranslateLines(kCreditsText)));
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void MainForm::cmdAddDir_Click() { ShowFolderPicker(*this, QString::fromUtf8(kPurposeAddSource)); }

void MainForm::cmdDelDir_Click() {
  const int index = listDir->ListIndex();
  if (index < 0) return;
  listComp->RemoveItem(index);
  listDir->RemoveItem(index);
  listComp->SetListIndex(-1);
  listDir->SetListIndex(-1);
}

void MainForm::cmdErase_Click() {
  listComp->Clear();
  listDir->Clear();
  txtTgtDir->setText(QString());
  destination_bytes_.clear();
}

void MainForm::cmdChange_Click() {
  if (listComp->ListIndex() < 0) return;
  ShowFolderPicker(*this, QString::fromUtf8(kPurposeComparison));
}

void MainForm::cmdClear_Click() {
  const int index = listComp->ListIndex();
  if (index < 0) return;
  listComp->SetList(index, kNoComparison);
}

void MainForm::cmdFind_Click() { ShowFolderPicker(*this, QString::fromUtf8(kPurposeDestination)); }

void MainForm::listComp_DblClick() {
  ShowFolderPicker(*this, QString::fromUtf8(kPurposeComparison));
}

void MainForm::listDir_DblClick() {
  ShowFolderPicker(*this, QString::fromUtf8(kPurposeChangeSource));
}

void MainForm::listDir_Click() { listComp->SetListIndex(listDir->ListIndex()); }

void MainForm::listComp_Click() { listDir->SetListIndex(listComp->ListIndex()); }

void MainForm::chkLHA_MouseUp() {
  const bool any_archive = chkLHA->Value() + chkZIP->Value() != 0;
  optFolder[0]->setEnabled(any_archive);
  optFolder[1]->setEnabled(any_archive);
}

void MainForm::cmdExec_Click() {
  if (running_) return;
  if (listDir->ListCount() == 0) {
    MsgBox(kNoSourceMessage, platform::kOkOnly | platform::kCritical, kNoFolderTitle);
    return;
  }
  if (txtTgtDir->text().isEmpty()) {
    MsgBox(kNoDestinationMessage, platform::kOkOnly | platform::kCritical, kNoFolderTitle);
    return;
  }
  Run();
  // A close asked for during the run and not taken back ends the program now.
  if (close_pending_) close();
}

void MainForm::cmdExit_Click() { close(); }

void MainForm::Run() {
  running_ = true;
  close_pending_ = false;
  LockJob();
  setCursor(Qt::WaitCursor);
  engine::RunOptions run_options;
  run_options.file_system = file_system_;
  run_options.archive_library = archive_library_;
  engine::RunOutcome outcome = engine::RunOutcome::kAborted;
  // The run reports its own failures; this is the last guard, so that the window is never
  // left locked.
  try {
    outcome = options_.run(CurrentJob(), *this, run_options);
  } catch (const std::exception& error) {
    MsgBox(std::string(engine::kUnexpectedFailureText) + "\r" + error.what(),
           platform::kOkOnly | platform::kCritical);
  } catch (...) {
    MsgBox(engine::kUnexpectedFailureText, platform::kOkOnly | platform::kCritical);
  }
  unsetCursor();
  UnlockJob();
  running_ = false;
  // The run clears the cancel request when the user declines to cancel, and a close asked
  // for before that is taken back with it; a confirmed cancel keeps it.
  if (outcome != engine::RunOutcome::kCancelled && !engine::CancelRequested) {
    close_pending_ = false;
  }
}

void MainForm::LockJob() {
  focus_before_run_ = QApplication::focusWidget();
  locked_.clear();
  QWidget* const job[] = {listDir,   listComp, txtTgtDir, chkSubDir, Frame1,  cmdAddDir,
                          cmdDelDir, cmdErase, cmdChange, cmdClear,  cmdFind, cmdExec};
  for (QWidget* widget : job) {
    locked_.emplace_back(widget, widget->isEnabled());
    widget->setEnabled(false);
  }
}

void MainForm::UnlockJob() {
  for (auto& [widget, enabled] : locked_) {
    if (widget != nullptr) widget->setEnabled(enabled);
  }
  locked_.clear();
  if (focus_before_run_ != nullptr && focus_before_run_->isEnabled() && isActiveWindow()) {
    focus_before_run_->setFocus();
  }
}

void MainForm::SetDestination(const std::string& folder) {
  txtTgtDir->setText(ToQString(folder));
  destination_bytes_ = folder;
}

SubForm2* MainForm::Picker() const { return picker_; }

frmAbout* MainForm::About() const { return about_; }

std::vector<platform::Volume> MainForm::Volumes() {
  return options_.volumes ? options_.volumes() : platform::MountedVolumes();
}

engine::Job MainForm::CurrentJob() const {
  engine::Job job;
  for (int p = 0; p < listDir->ListCount(); ++p) {
    engine::FolderPair& pair = job.pairs.emplace_back();
    pair.source = listDir->List(p);
    const std::string comparison = listComp->List(p);
    // The comparison literal counts as such in any letter case the platform folds.
    if (engine::JobFolder(comparison) != kNoComparison) pair.comparisons.push_back(comparison);
  }
  if (!destination_bytes_.empty() && txtTgtDir->text() == ToQString(destination_bytes_)) {
    job.destination = destination_bytes_;
  } else {
    job.destination = ToStdString(txtTgtDir->text());
  }
  job.include_subfolders = chkSubDir->Value() == 1;
  job.read_archives = chkLHA->Value() == 1;
  job.match_folders = optFolder[0]->isChecked();
  return job;
}

std::uintptr_t MainForm::WindowHandle() { return static_cast<std::uintptr_t>(winId()); }

std::unique_ptr<engine::ProgressView> MainForm::LoadProgress() {
  return std::make_unique<SubForm1>();
}

void MainForm::DoEvents() {
  QApplication::processEvents();
  if (close_pending_ && !engine::CancelRequested) close_pending_ = false;
}

void MainForm::Note(const std::string& text) {
  // The window's messages are fixed texts; the details go where a user who started the
  // program from a terminal can read them.
  // Names in them are shown as the CLI shows them, so that no terminal escape gets through.
  std::fprintf(stderr, "grebewick: %s\n", platform::PrintableText(text).c_str());
}

int MainForm::MsgBox(const std::string& text, int flags, const std::string& title) {
  return messages_->MsgBox(text, flags, title);
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run stops only at its cancel checks, after the user confirms; the window closes
    // when it has ended (cmdExec_Click), or stays if the user declines.
    close_pending_ = true;
    engine::CancelRequested = true;
    event->ignore();
    return;
  }
  if (about_ != nullptr) about_->close();
  event->accept();
  emit Closed();
}

void MainForm::mouseDoubleClickEvent(QMouseEvent* event) {
  // Only the window's own surface opens the about box, not a control on it.
  if (event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr) {
    Form_DblClick();
  }
  QWidget::mouseDoubleClickEvent(event);
}

void MainForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  for (int top : kSeparatorTops) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(Px(kSeparatorLeft), Px(top), Px(kSeparatorRight), Px(top));
    painter.setPen(palette().color(QPalette::Base));
    painter.drawLine(Px(kSeparatorLeft), Px(top + kTwipsPerPixel), Px(kSeparatorRight),
                     Px(top + kTwipsPerPixel));
  }
}

}  // namespace ui
