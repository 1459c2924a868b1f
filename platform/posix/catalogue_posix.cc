#include <libintl.h>
#include <locale.h>

#include <string>

#include "platform/catalogue.h"
#include "platform/search.h"

// GREBEWICK_LOCALE_FOLDER: where an installation keeps its message catalogues, relative to
// the folder of its programs.
#ifndef GREBEWICK_LOCALE_FOLDER
#error "GREBEWICK_LOCALE_FOLDER must be defined by the build"
#endif

namespace platform {
namespace {

std::string catalogue_domain;
// Only LC_MESSAGES taken from the environment. gettext reads the calling thread's locale, so
// switching to this one around each lookup translates our texts while the program's own
// locale stays "C" (strerror's texts, number formats).
locale_t messages_locale = nullptr;

}  // namespace

void OpenCatalogue(const std::string& domain, const std::string& folder) {
  if (messages_locale != nullptr) freelocale(messages_locale);
  messages_locale = newlocale(LC_MESSAGES_MASK, "", nullptr);
  catalogue_domain = domain;
  bindtextdomain(domain.c_str(), folder.c_str());
  bind_textdomain_codeset(domain.c_str(), "UTF-8");
}

const char* Translate(const char* id) {
  if (messages_locale == nullptr || id == nullptr || *id == '\0') return id;
  locale_t previous = uselocale(messages_locale);
  const char* translated = dgettext(catalogue_domain.c_str(), id);
  uselocale(previous);
  return translated;
}

std::string CatalogueFolder() {
  std::string program = ProgramFolder();
  if (program.empty()) return std::string();
  std::string_view relative = GREBEWICK_LOCALE_FOLDER;
  while (relative.starts_with("../")) {
    std::size_t slash = program.rfind('/');
    program.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
    relative.remove_prefix(3);
  }
  if (program.back() != '/') program.push_back('/');
  return program + std::string(relative);
}

}  // namespace platform
