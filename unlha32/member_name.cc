#include "unlha32/member_name.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "platform/text.h"

namespace unlha32 {
namespace {

constexpr char kFolderSeparator = '\xFF';  // between (and after) the folders of 0x02

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// Decodes every part with one code page, so that the folder and the name of a member can
// never be read in two different encodings.
std::optional<std::vector<std::string>> DecodeAll(const std::vector<std::string_view>& parts,
                                                  std::uint32_t code_page) {
  std::vector<std::string> decoded(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!platform::CodePageToUtf8(code_page, parts[i], &decoded[i])) return std::nullopt;
  }
  return decoded;
}

std::vector<std::string> Decode(const std::vector<std::string_view>& parts,
                                const std::optional<std::uint32_t>& code_page) {
  if (code_page) {
    if (auto decoded = DecodeAll(parts, *code_page)) return *decoded;
  }
  bool ascii = std::all_of(parts.begin(), parts.end(), IsAscii);
  bool utf8 = ascii || std::all_of(parts.begin(), parts.end(), platform::IsValidUtf8);
  if (utf8) return {parts.begin(), parts.end()};
  for (std::uint32_t fallback : {platform::kCodePageShiftJis, platform::kCodePageWestern}) {
    if (auto decoded = DecodeAll(parts, fallback)) return *decoded;
  }
  std::vector<std::string> decoded;
  for (std::string_view part : parts) decoded.push_back(Latin1ToUtf8(part));
  return decoded;
}

}  // namespace

std::string StoredPath(const Member& member) {
  // Folder components first (split at 0xFF, which no multi-byte encoding uses), the file
  // name last.
  std::vector<std::string_view> parts;
  std::string_view folder = member.folder;
  while (!folder.empty()) {
    std::size_t end = folder.find(kFolderSeparator);
    parts.push_back(UpToNul(folder.substr(0, end)));
    folder = end == std::string_view::npos ? std::string_view() : folder.substr(end + 1);
  }
  std::size_t folder_parts = parts.size();
  parts.push_back(UpToNul(member.name));

  std::vector<std::string> decoded = Decode(parts, member.code_page);
  std::string path;
  for (std::size_t i = 0; i < folder_parts; ++i) {
    path += decoded[i];
    path += '\\';
  }
  path += decoded.back();
  // After decoding, a "\" is a real one (a Shift_JIS trail byte 0x5C is inside its
  // character by now), and some writers separate folders with "/".
  std::replace(path.begin(), path.end(), '/', '\\');
  if (member.IsDirectory() && !path.empty() && path.back() != '\\') path += '\\';
  return path;
}

std::string_view FitUtf8(std::string_view path, std::size_t max_bytes) {
  if (path.size() <= max_bytes) return path;
  std::size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80) --end;
  return path.substr(0, end);
}

}  // namespace unlha32
