#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

// Columns that `text` takes on a terminal: wide and full-width characters (CJK, kana,
// full-width forms, most emoji) take two, combining marks and zero-width characters none,
// everything else one, half-width katakana included. A byte that starts no well-formed
// UTF-8 character takes one (terminals show a replacement character for it).
std::size_t DisplayWidth(std::string_view text);

// `text` cut to at most `columns` columns, at a character boundary, with "..." at the end
// when something was cut (left out when `columns` is too small even for that).
std::string FitToWidth(std::string_view text, std::size_t columns);

}  // namespace cli
