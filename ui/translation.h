#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "engine/run_messages.h"

namespace ui {

// The windows speak Japanese, their texts as written, unless the locale asks for English:
// then the English catalogue (po/en.po, compiled to a Qt translation) serves every caption,
// message and progress text. Installs that translation when the user's first language that
// the program knows of is English (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); the C locale keeps
// the Japanese. Returns whether it was installed.
bool InstallTranslationForLocale();

// Installs (true) or removes (false) the English translation whatever the locale says; for
// tests and the screenshots. Returns whether the translation is in place afterwards.
bool UseEnglish(bool english);

// A caption of the windows in the language in use; the text itself is the message id.
QString Tr(const char* id);

// A text of the run or of a message box, line by line (engine::TranslateLines).
std::string TranslateLines(std::string_view text);
std::string TranslateLine(std::string_view line);

using engine::Id;

}  // namespace ui
