#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// The time text of a file-list record ("yyyy/mm/dd hh:nn:ss", local time) built without an
// allocation, for comparisons made once per file.
class TimeText {
 public:
  explicit TimeText(std::int64_t unix_seconds);
  std::string_view view() const { return std::string_view(text_, length_); }

 private:
  char text_[48];
  std::size_t length_;
};

// The message that ends a run on a failure nobody foresaw; the reason follows on its own line.
inline constexpr char kUnexpectedFailureText[] = "予期しないエラーのため処理を中止します。";

// How the progress dialog shows a folder: whole, followed by `short_suffix`, when it has at
// most 23 characters; otherwise its first 10 characters, "･･･", its last 10 characters and
// the separator.
std::string FolderCaption(std::string_view folder, std::string_view short_suffix);

}  // namespace engine
