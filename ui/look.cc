#include "ui/look.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>
#include <QStyleFactory>

namespace ui {
namespace {

// In order of preference: fonts that cover kana, half-width katakana and the JIS kanji and
// draw them in Japanese glyph forms (a Chinese fallback would draw some kanji differently).
// Windows' own Japanese interface fonts come first, newest first, so that the windows look
// like the rest of the system there (Yu Gothic UI on current Windows, Meiryo UI and MS UI
// Gothic on older Japanese ones); the free fonts serve other systems and a Windows with none
// of them, and Qt's per-character fallback a system with no Japanese font of this list.
const char* const kJapaneseFamilies[] = {
    "Yu Gothic UI", "Meiryo UI",          "MS UI Gothic", "Noto Sans CJK JP",
    "Noto Sans JP", "Source Han Sans JP", "IPAPGothic",   "IPAGothic",
    "IPAexGothic",  "TakaoPGothic",       "VL PGothic",
};

constexpr int kPixelSize = 12;  // 9 points at 96 dpi

}  // namespace

QFont UiFont() {
  const QStringList installed = QFontDatabase::families();
  QFont font;
  for (const char* family : kJapaneseFamilies) {
    if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive)) {
      font = QFont(QString::fromLatin1(family));
      break;
    }
  }
  // Without any of them, the default sans-serif font and Qt's per-glyph fallback still draw
  // the captions, only less evenly.
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kPixelSize);
  return font;
}

void ApplyLook(QApplication& app) {
  if (QStyleFactory::keys().contains(QStringLiteral("Fusion"))) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  }
  app.setFont(UiFont());
}

}  // namespace ui
