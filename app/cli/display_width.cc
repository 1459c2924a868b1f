#include "app/cli/display_width.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/text.h"

namespace cli {
namespace {

struct Range {
  std::uint32_t first;
  std::uint32_t last;
};

// Characters that take no column: combining marks, zero-width characters, variation
// selectors. Sorted.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D},
    {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Characters that take two columns (East Asian Wide and Fullwidth). Half-width katakana
// (U+FF61-U+FF9F) is not among them. Sorted.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x3029},
    {0x302E, 0x303E},   {0x3041, 0x3098},   {0x309B, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18AFF}, {0x1B000, 0x1B2FF},
    {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A},
    {0x1F200, 0x1F251}, {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF},
    {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t n>
bool In(const Range (&table)[n], std::uint32_t code) {
  const Range* after =
      std::upper_bound(std::begin(table), std::end(table), code,
                       [](std::uint32_t c, const Range& r) { return c < r.first; });
  return after != std::begin(table) && code <= std::prev(after)->last;
}

// Columns of the character at text[i]; `length` receives its bytes.
std::size_t CharacterWidth(std::string_view text, std::size_t i, std::size_t* length) {
  std::uint32_t code = 0;
  *length = platform::DecodeUtf8(text, i, &code);
  if (*length == 0) {
    *length = 1;
    return 1;
  }
  if (In(kZeroWidth, code)) return 0;
  return In(kWide, code) ? 2 : 1;
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
    width += CharacterWidth(text, i, &length);
  }
  return width;
}

std::string FitToWidth(std::string_view text, std::size_t columns) {
  if (DisplayWidth(text) <= columns) return std::string(text);
  constexpr std::string_view kMore = "...";
  const std::size_t room = columns >= kMore.size() ? columns - kMore.size() : columns;
  std::size_t width = 0;
  std::size_t i = 0;
  for (std::size_t length = 0; i < text.size(); i += length) {
    // Marks that combine with the last character kept take no column and stay with it.
    std::size_t next = CharacterWidth(text, i, &length);
    if (width + next > room) break;
    width += next;
  }
  std::string fitted(text.substr(0, i));
  if (columns >= kMore.size()) fitted.append(kMore);
  return fitted;
}

}  // namespace cli
