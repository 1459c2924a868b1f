#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

// Text inside the program is UTF-8 std::string; Qt wants QString. Folder paths may hold
// names that are not UTF-8, so a widget that shows a path also keeps its exact bytes (see
// controls.h) and shows this lossy decoding only for the eye.
QString ToQString(std::string_view text);
std::string ToStdString(const QString& text);

// A tooltip that shows `text` exactly. Qt reads any tooltip that looks like markup as rich
// text, so a folder named "x<u>y" would show "xy" underlined; this one is always rich text
// that spells the characters out, blanks kept.
QString PlainToolTip(std::string_view text);

// Message and label texts separate their lines with a carriage return (code 13), as the
// program's messages are written; Qt breaks lines only at a line feed.
QString LinesText(std::string_view text);

}  // namespace ui
