#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/function_ref.h"

namespace engine {

// Marks `id` as a message id of the program's catalogues where it stands, without
// translating it (the run knows no catalogue; its front ends have one each).
constexpr const char* Id(const char* id) { return id; }

// A front end's catalogue: the translation of the message id `id`, or nothing when it has
// none for the language in use.
using Catalogue = platform::FunctionRef<std::optional<std::string>(const char* id)>;

// A text of the run (a message box's text or title, a note, a label of the progress
// dialog) in the catalogue's language. The run writes its messages as fixed lines and
// variable lines (paths) joined by carriage returns, so each line is translated on its own:
// a fixed line through its id, a line made of a fixed text around a variable part (a path,
// a number) through the text it was made from, with the part kept, and any other line as
// it stands.
std::string TranslateLines(std::string_view text, Catalogue catalogue);

// The same for one line.
std::string TranslateLine(std::string_view line, Catalogue catalogue);

}  // namespace engine
