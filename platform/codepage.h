#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Windows code page numbers that archive headers name.
inline constexpr std::uint32_t kCodePageShiftJis = 932;  // CP932, Japanese Windows
inline constexpr std::uint32_t kCodePageWestern = 1252;  // CP1252, Western Windows
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// Converts `bytes`, text in the Windows code page `code_page`, to UTF-8 in `out`. Returns
// false, leaving `out` unspecified, when this platform does not know the code page or the
// bytes are not valid text in it (an unassigned byte, a lead byte without its trail byte).
// Strict on purpose: callers try several code pages in turn and need a clear "no".
// Conversions are cached per thread, so calling once per archive member is cheap.
bool CodePageToUtf8(std::uint32_t code_page, std::string_view bytes, std::string* out);

}  // namespace platform
