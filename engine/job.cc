#include "engine/job.h"

#include "engine/records.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {

std::string JobFolder(std::string text) {
  if (!platform::NamesAreCaseSensitive()) text = platform::UpperCase(text);
  if (!text.empty() && platform::IsSeparator(text.back())) text.pop_back();
  return text;
}

std::string BelowDateFolder(const std::string& date_folder, const std::string& source) {
  std::string_view rest = std::string_view(source).substr(platform::RootNameLength(source));
  std::string below = date_folder;
  if (!rest.empty() && platform::IsSeparator(rest.front()) && !below.empty() &&
      platform::IsSeparator(below.back())) {
    rest.remove_prefix(1);
  }
  if (!rest.empty() && !platform::IsSeparator(rest.front()) &&
      (below.empty() || !platform::IsSeparator(below.back()))) {
    below += platform::Separator();
  }
  below.append(rest);
  return below;
}

bool IsDateFolderName(std::string_view name) {
  if (name.size() != 8 || name.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  auto number = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (name[i] - '0');
    return value;
  };
  return IsValidDate(number(0, 4), number(4, 2), number(6, 2));
}

}  // namespace engine
