#pragma once

#include <string>
#include <string_view>

#include "platform/catalogue.h"

namespace cli {

// Opens the program's message catalogue for the language the environment asks for. Until it
// is opened, and wherever no catalogue serves the language (Japanese, the C locale), every
// text prints as written.
void OpenMessages();

// One of the program's own texts, translated. The text itself is the message id.
inline const char* Tr(const char* id) { return platform::Translate(id); }

// Marks `id` for the catalogue where it stands without translating it (a table of texts
// translated later, by Tr or TrLines).
constexpr const char* Id(const char* id) { return id; }

// A text of the run (a message box's text or title, a note, a label of the progress dialog)
// in the catalogue's language. Lines (separated by carriage returns) are translated one by
// one: a fixed line through its id, a line made from a fixed text and a variable part (a
// path, a number) through the text it was made from, and any other line (a path of its own)
// as it stands.
std::string TrLines(std::string_view text);

// The same for one line.
std::string TrLine(std::string_view line);

// `format` (with "%s" placeholders, as a message id has them) with each "%s" replaced by the
// next of `values`.
std::string Substitute(std::string_view format, std::initializer_list<std::string_view> values);

}  // namespace cli
