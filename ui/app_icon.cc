#include "ui/app_icon.h"

namespace ui {

QIcon ApplicationIcon() {
  QIcon icon;
  // Drawn sizes rather than the SVG: they are tuned for small sizes, and need no SVG
  // support in Qt.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/grebewick/hicolor/%1x%1/apps/grebewick.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace ui
