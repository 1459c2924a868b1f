#pragma once

#include <QIcon>

namespace ui {

// Grebewick's own icon (data/icons), at every size it is drawn for: the icon of every window
// and the about box's picture.
QIcon ApplicationIcon();

}  // namespace ui
