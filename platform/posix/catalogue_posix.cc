#include <libintl.h>
#include <locale.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <string_view>

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

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool HasCatalogue(const std::string& folder, const std::string& domain, std::string language) {
  struct stat st;
  for (;;) {
    if (::stat((folder + "/" + language + "/LC_MESSAGES/" + domain + ".mo").c_str(), &st) == 0) {
      return true;
    }
    // "en_US.UTF-8", then "en_US", then "en", as gettext looks.
    const std::size_t cut = language.find_last_of("._@");
    if (cut == std::string::npos || cut == 0) return false;
    language.resize(cut);
  }
}

// The texts are written in Japanese: a user who puts Japanese before every language the
// program has a catalogue for reads them as written, although gettext would go on down the
// list (LANGUAGE=ja:en, as Japanese desktops set it, would otherwise give English).
bool WantsTranslation(const std::string& folder, const std::string& domain) {
  std::string locale = Environment("LC_ALL");
  if (locale.empty()) locale = Environment("LC_MESSAGES");
  if (locale.empty()) locale = Environment("LANG");
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.")) {
    return false;  // gettext, too, ignores LANGUAGE under the C locale
  }
  std::string languages = Environment("LANGUAGE");
  languages += (languages.empty() ? "" : ":") + locale;
  std::string_view rest = languages;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string language(rest.substr(0, colon));
    rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    if (language.starts_with("ja")) return false;
    if (!language.empty() && HasCatalogue(folder, domain, language)) return true;
  }
  return false;
}

}  // namespace

void OpenCatalogue(const std::string& domain, const std::string& folder) {
  if (messages_locale != nullptr) freelocale(messages_locale);
  messages_locale =
      WantsTranslation(folder, domain) ? newlocale(LC_MESSAGES_MASK, "", nullptr) : nullptr;
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
