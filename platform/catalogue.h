#pragma once

#include <string>

namespace platform {

// The program's message catalogue: translations of its texts, keyed by the texts as written
// in the sources (the message ids), into the language the environment asks for (on POSIX,
// gettext's rules: LANGUAGE, then LC_ALL, LC_MESSAGES, LANG).
//
// The catalogue `domain` is looked for in `folder` (folder/LANG/LC_MESSAGES/domain.mo).
// Nothing else of the program's locale changes: numbers, character classes and the system's
// own error texts stay as they are under the "C" locale, so the output of scripts that parse
// it does not move with the user's language. Opening twice replaces the first catalogue.
// Where no catalogue can be used (no translation for the language, a locale the system does
// not have, a platform without gettext such as the Windows build), and where Japanese comes
// before every language that has a catalogue (the texts are written in Japanese), every text
// is its own translation.
void OpenCatalogue(const std::string& domain, const std::string& folder);

// The translation of `id`, or `id` itself when the catalogue has none. The pointer stays
// valid for the life of the program. Safe to call before OpenCatalogue.
const char* Translate(const char* id);

// Where an installation keeps its catalogues, found relative to the running program as the
// archive library is ("../share/locale" beside bin/); "" when the program cannot tell.
std::string CatalogueFolder();

}  // namespace platform
