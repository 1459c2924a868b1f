#include "ui/frm_about.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/app_icon.h"
#include "ui/text.h"
#include "ui/translation.h"
#include "util/sys_info.h"

namespace ui {

const char kCreditsTitle[] =
    "「Grebewick」\r"
    "Copyright (C) 2000 Grebewick Developers";
// The MIT license (LICENSE), in three lines.
const char kCreditsText[] =
    "本ソフトウェアは MIT ライセンスで配布されるフリーソフトウェアです。\r"
    "著作権表示と許諾表示を残せば、誰でも無償で使用・改変・再配布できます。\r"
    "本ソフトウェアは無保証です。使用による損害に作者は責任を負いません。";

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QFrame* MakeLine(QWidget* parent, const char* name, QRect geometry) {
  auto* line = new QFrame(parent);
  line->setObjectName(QString::fromLatin1(name));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(geometry);
  return line;
}

QString VersionText() {
  return Tr("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
      .arg(GREBEWICK_VERSION_MAJOR)
      .arg(GREBEWICK_VERSION_MINOR)
      .arg(GREBEWICK_VERSION_PATCH);
}

}  // namespace

frmAbout::frmAbout(platform::MessageBoxService& messages) : QDialog(nullptr), messages_(messages) {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(460, 270);
  setWindowTitle(Tr("ﾊﾞｰｼﾞｮﾝ情報"));

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  picIcon->setGeometry(16, 16, 40, 40);
  picIcon->setPixmap(ApplicationIcon().pixmap(32, 32));
  picIcon->setAlignment(Qt::AlignCenter);

  lblTitle = MakeLabel(this, "lblTitle", QStringLiteral("Grebewick"), QRect(72, 16, 372, 40));
  QFont title_font = lblTitle->font();
  title_font.setPixelSize(14);
  title_font.setBold(true);
  lblTitle->setFont(title_font);
  lblVersion = MakeLabel(this, "lblVersion", QStringLiteral("Ver 1.00"), QRect(72, 62, 372, 18));
  lblDescription = MakeLabel(this, "lblDescription", Tr("変更されたファイルを抜出します。"),
                             QRect(72, 88, 372, 18));
  // A sunken line is the pair of lines, dark above light.
  MakeLine(this, "Line1", QRect(16, 118, 428, 2));
  lblDisclaimer =
      MakeLabel(this, "lblDisclaimer", QStringLiteral("けーこく"), QRect(16, 132, 428, 72));

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(208, 228, 112, 25);
  cmdOK->setDefault(true);
  cmdSysInfo = new QPushButton(Tr("ｼｽﾃﾑ情報(&S)..."), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  cmdSysInfo->setGeometry(332, 228, 112, 25);
  cmdSysInfo->setAutoDefault(true);  // Enter on it starts the tool, not "OK"

  setTabOrder(cmdOK, cmdSysInfo);
  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  Form_Load();
}

void frmAbout::Form_Load() {
  setWindowTitle(Tr("%1のﾊﾞｰｼﾞｮﾝ情報").arg(QString::fromUtf8(platform::kApplicationTitle)));
  lblVersion->setText(VersionText());
  lblTitle->setText(QString::fromUtf8(platform::kApplicationTitle));
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::cmdSysInfo_Click() { util::StartSysInfo(messages_); }

}  // namespace ui
