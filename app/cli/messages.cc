#include "app/cli/messages.h"

#include "engine/run_messages.h"

namespace cli {
namespace {

constexpr auto kGettext = [](const char* id) -> std::optional<std::string> {
  const char* translated = Tr(id);
  if (translated == id) return std::nullopt;
  return std::string(translated);
};

}  // namespace

void OpenMessages() { platform::OpenCatalogue("grebewick", platform::CatalogueFolder()); }

std::string Substitute(std::string_view format, std::initializer_list<std::string_view> values) {
  std::string text;
  auto value = values.begin();
  for (;;) {
    const std::size_t hole = format.find("%s");
    if (hole == std::string_view::npos || value == values.end()) {
      text.append(format);
      return text;
    }
    text.append(format.substr(0, hole));
    text.append(*value++);
    format.remove_prefix(hole + 2);
  }
}

std::string TrLine(std::string_view line) { return engine::TranslateLine(line, kGettext); }

std::string TrLines(std::string_view text) { return engine::TranslateLines(text, kGettext); }

}  // namespace cli
