#include "ui/text.h"

namespace ui {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) { return text.toStdString(); }

QString PlainToolTip(std::string_view text) {
  return QStringLiteral("<p style=\"white-space:pre\">") + ToQString(text).toHtmlEscaped() +
         QStringLiteral("</p>");
}

QString LinesText(std::string_view text) {
  QString lines = ToQString(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(QChar(u'\r'), QChar(u'\n'));
  return lines;
}

}  // namespace ui
