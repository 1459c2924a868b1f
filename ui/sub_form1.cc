#include "ui/sub_form1.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/public_function.h"
#include "ui/text.h"
#include "ui/translation.h"
#include "ui/twips.h"

namespace ui {
namespace {

int ToBarNumber(double value) {
  constexpr double kLimit = std::numeric_limits<int>::max();
  if (!(value == value)) return 0;  // NaN
  return static_cast<int>(std::lround(std::clamp(value, -kLimit, kLimit)));
}

QLabel* MakeLine(QWidget* parent, const char* name, QRect geometry) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  // File names are shown as they are, never read as markup.
  label->setTextFormat(Qt::PlainText);
  label->hide();
  return label;
}

}  // namespace

SubForm1::SubForm1() : QWidget(nullptr) {
  setObjectName(QStringLiteral("SubForm1"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(TwipsSize(4740, 2085));
  setWindowTitle(Tr("コピーしています・・・"));

  cmdCancel = new QPushButton(Tr("ｷｬﾝｾﾙ"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setGeometry(TwipsRect(3480, 1560, 975, 375));
  // Not a dialog to Qt, so Enter would pass the focused button by.
  cmdCancel->setAutoDefault(true);
  cmdCancel->hide();

  Label1 = MakeLine(this, "Label1", TwipsRect(360, 240, 3975, 255));
  Label2 = MakeLine(this, "Label2", TwipsRect(360, 600, 3975, 255));

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(TwipsRect(360, 1080, 4095, 255));
  ProgressBar1->setTextVisible(false);
  UpdateBar();

  // The cancel button comes first in the tab order, so it has the focus when shown.
  setTabOrder(cmdCancel, ProgressBar1);
  connect(cmdCancel, &QPushButton::clicked, this, &SubForm1::cmdCancel_Click);
  text_timer_.setSingleShot(true);
  connect(&text_timer_, &QTimer::timeout, this, &SubForm1::ShowPendingText);
  Form_Load();
}

SubForm1::~SubForm1() { Form_Unload(); }

void SubForm1::Form_Load() {
  setCursor(Qt::WaitCursor);
  repaint();
}

void SubForm1::Form_Unload() { unsetCursor(); }

void SubForm1::cmdCancel_Click() { engine::CancelRequested = true; }

void SubForm1::closeEvent(QCloseEvent* event) {
  // The run owns the dialog and ends it; closing it asks the run to stop, like "ｷｬﾝｾﾙ".
  cmdCancel_Click();
  event->ignore();
}

void SubForm1::SetCaption(const std::string& text) {
  setWindowTitle(ToQString(TranslateLine(text)));
}
void SubForm1::SetLabel1(const std::string& text) { SetLine(Label1, TranslateLine(text)); }
void SubForm1::SetLabel1Visible(bool visible) { Label1->setVisible(visible); }
void SubForm1::RefreshLabel1() {
  ShowPendingText();
  Label1->repaint();
}
void SubForm1::SetLabel2(const std::string& text) { SetLine(Label2, TranslateLine(text)); }
void SubForm1::SetLabel2Visible(bool visible) { Label2->setVisible(visible); }
void SubForm1::RefreshLabel2() {
  ShowPendingText();
  Label2->repaint();
}

void SubForm1::SetProgressMin(double value) {
  min_ = value;
  UpdateBar();
}

void SubForm1::SetProgressMax(double value) {
  max_ = value;
  UpdateBar();
}

void SubForm1::SetProgressValue(double value) {
  value_ = value;
  UpdateBar();
}

void SubForm1::SetProgressVisible(bool visible) { ProgressBar1->setVisible(visible); }
void SubForm1::SetCancelVisible(bool visible) { cmdCancel->setVisible(visible); }
void SubForm1::RefreshCancel() { cmdCancel->repaint(); }
void SubForm1::Refresh() {
  ShowPendingText();
  repaint();
}

void SubForm1::SetLine(QLabel* label, const std::string& text) {
  QString& pending = label == Label1 ? pending_label1_ : pending_label2_;
  pending = ToQString(text);
  // The copy phase writes both lines for every file; a window system draws far fewer
  // frames than that, and drawing each one would cost the run more than the copy of a small
  // file. Texts written within a frame's time are shown together at its end.
  if (!shown_text_at_.isValid() || shown_text_at_.elapsed() >= kFrameMilliseconds) {
    ShowPendingText();
  } else if (!text_timer_.isActive()) {
    text_timer_.start(kFrameMilliseconds - static_cast<int>(shown_text_at_.elapsed()));
  }
}

void SubForm1::ShowPendingText() {
  text_timer_.stop();
  if (Label1->text() != pending_label1_) Label1->setText(pending_label1_);
  if (Label2->text() != pending_label2_) Label2->setText(pending_label2_);
  shown_text_at_.start();
}

void SubForm1::Show() {
  // No owner: centred on the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
}

void SubForm1::UpdateBar() {
  // QProgressBar shows a busy animation when its range is empty; an empty range here means
  // nothing to show yet.
  const int low = ToBarNumber(min_);
  const int high = std::max(ToBarNumber(max_), low + 1);
  ProgressBar1->setRange(low, high);
  ProgressBar1->setValue(std::clamp(ToBarNumber(value_), low, high));
}

}  // namespace ui
