#include "engine/records.h"

namespace engine {
namespace {

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

bool FolderNames::Holds(std::string_view name) const {
  if (!built_) {
    names_.reserve(files_.size());
    for (const SourceFile& file : files_) names_.insert(file.name);
    built_ = true;
  }
  return names_.contains(name);
}

bool InstantVouches(std::uint64_t size, std::int64_t mtime, std::uint64_t record_size,
                    std::int64_t record_mtime, const DecisionContext& context, bool* distrusted) {
  if (size != record_size || mtime > record_mtime) return false;
  if (record_mtime > context.run_start && record_mtime != mtime) {
    *distrusted = true;
    return false;
  }
  return true;
}

bool TextVouches(std::string_view time_text, std::string_view record_text,
                 const DecisionContext& context, bool* distrusted) {
  if (time_text > record_text) return false;
  const bool trusted = IsValidTimeText(record_text) && record_text <= context.run_start_text;
  if (!trusted && record_text != time_text) {
    *distrusted = true;
    return false;
  }
  return true;
}

bool IsValidDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month != 2 || day != 29 || leap;
}

bool IsValidTimeText(std::string_view text) {
  if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  const int hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  return IsValidDate(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2)) && hour >= 0 &&
         hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

}  // namespace engine
