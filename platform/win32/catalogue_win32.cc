#include "platform/catalogue.h"

// The Windows build has no gettext (mingw-w64 ships none, and Windows sets no LANGUAGE or
// LC_MESSAGES): every text is its own translation there, so the program speaks as the Parts'
// texts are written.
namespace platform {

void OpenCatalogue(const std::string&, const std::string&) {}

const char* Translate(const char* id) { return id; }

std::string CatalogueFolder() { return std::string(); }

}  // namespace platform
