#pragma once

#include <QFont>

class QApplication;

namespace ui {

// The font of every window: a Japanese UI font that has the half-width katakana of the
// captions, at the size the window tables were drawn for (9 points at 96 dpi).
QFont UiFont();

// Gives the application the style and font the windows were laid out for. The tables fix
// every control's size, so a style with larger margins would clip the captions; Fusion
// draws the same on every desktop.
void ApplyLook(QApplication& app);

}  // namespace ui
