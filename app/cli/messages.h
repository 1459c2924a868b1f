#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/run_messages.h"
#include "platform/catalogue.h"

namespace cli {

// Opens the program's message catalogue for the language the environment asks for. Until it
// is opened, and wherever no catalogue serves the language (Japanese, the C locale), every
// text prints as written.
void OpenMessages();

// One of the program's own texts, translated. The text itself is the message id.
inline const char* Tr(const char* id) { return platform::Translate(id); }

using engine::Id;

// A text of the run in the catalogue's language, line by line (engine::TranslateLines).
std::string TrLines(std::string_view text);

// The same for one line.
std::string TrLine(std::string_view line);

// `format` (with "%s" placeholders, as a message id has them) with each "%s" replaced by the
// next of `values`.
std::string Substitute(std::string_view format, std::initializer_list<std::string_view> values);

}  // namespace cli
