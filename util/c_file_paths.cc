// The string helpers of cFile: pure text work on "\" paths (some also take "/").
#include <cstdio>

#include "platform/path_rules.h"
#include "platform/text.h"
#include "util/c_file.h"

namespace util {
namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += platform::CharacterLength(text, i)) ++count;
  return count;
}

// Byte length of the first `chars` characters of `text` (all of it when shorter).
std::size_t PrefixBytes(std::string_view text, std::size_t chars) {
  std::size_t i = 0;
  for (; i < text.size() && chars > 0; --chars) i += platform::CharacterLength(text, i);
  return i;
}

std::string_view TrimBlanks(std::string_view text, bool left) {
  while (left && !text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string cFile::Extension(const std::string& strFileName) const {
  for (std::size_t i = strFileName.size(); i > 0; --i) {
    char c = strFileName[i - 1];
    if (IsSlash(c)) return std::string();
    if (c == '.') return platform::UpperCase(std::string_view(strFileName).substr(i));
  }
  return std::string();
}

std::string cFile::OmitPathName(const std::string& strLongPathName) const {
  std::string_view path = strLongPathName;
  std::size_t drive_bytes = PrefixBytes(path, 3);
  std::string_view drive = path.substr(0, drive_bytes);
  std::string_view rest = path.substr(drive_bytes);
  std::size_t last = rest.rfind('\\');
  std::string_view name = last == std::string_view::npos ? rest : rest.substr(last + 1);
  std::size_t found = rest.find(name);
  // Positions are counted in characters from 1; a name within the first three characters
  // leaves no folder chain worth shortening.
  if (name.empty() || found == std::string_view::npos ||
      CharCount(rest.substr(0, found)) + 1 <= 3) {
    return strLongPathName;
  }
  std::string_view chain = rest.substr(0, found);
  if (!chain.empty() && chain.back() == '\\') chain.remove_suffix(1);
  std::size_t folder_start = chain.rfind('\\');
  std::string_view folder =
      folder_start == std::string_view::npos ? chain : chain.substr(folder_start + 1);

  std::string candidate(drive);
  candidate.append("...\\").append(folder).append("\\").append(name);
  const std::string& chosen = CharCount(candidate) < CharCount(path) ? candidate : strLongPathName;
  // A caption shows "&" only when it is written twice.
  std::string result;
  result.reserve(chosen.size() + 8);
  for (char c : chosen) {
    result.push_back(c);
    if (c == '&') result.push_back('&');
  }
  return result;
}

std::string cFile::GetFileName(const std::string& strPath) const {
  std::string_view rest = strPath;
  for (;;) {
    std::size_t cut = rest.find_first_of("\\/");
    if (cut == std::string_view::npos) cut = rest.find(':');
    if (cut == std::string_view::npos) return std::string(rest);
    rest.remove_prefix(cut + 1);
  }
}

std::string cFile::AddDirSep(const std::string& strPathName) const {
  std::string text(TrimBlanks(strPathName, false));
  if (text.empty() || text.back() != '\\') text.push_back('\\');
  return text;
}

std::string cFile::AddQuotesToFN(const std::string& strFileName) const {
  if (strFileName.find_first_of(" ,") == std::string::npos) return strFileName;
  return "\"" + strFileName + "\"";
}

std::string cFile::StripQuotes(const std::string& strFileName) const {
  std::string_view text = strFileName;
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

std::string cFile::GetPathName(const std::string& strFileName) const {
  std::string text = strFileName;
  // Where "\" is the platform's separator, "/" is another spelling of it. Where "/" is, it
  // stays as written: rewriting it would name another file.
  if (platform::Separator() == '\\') {
    for (char& c : text) c = c == '/' ? '\\' : c;
  }
  std::size_t last = text.find_last_of("\\/");
  std::string taken;
  if (last == std::string::npos) {
    taken = fs_->CurrentFolder();
  } else if (last + 1 == text.size() && text.find_first_of("\\/") == last) {
    taken = text.size() == 1 ? text : text.substr(0, last);
  } else {
    taken = text.substr(0, last + 1);
  }
  bool has_drive = taken.size() >= 2 && IsAsciiLetter(taken[0]) && taken[1] == ':';
  if (has_drive && taken.size() == 2) return taken + "\\";
  if (has_drive && taken.size() == 3 && IsSlash(taken[2])) return taken;
  if (taken.size() == 1 && platform::IsSeparator(taken[0])) return taken;  // the POSIX root
  if (!taken.empty() && IsSlash(taken.back())) taken.pop_back();
  return taken;
}

std::string cFile::RemoveDirSep(const std::string& strDstDir) const {
  std::string text(TrimBlanks(strDstDir, true));
  if (!text.empty() && text.back() == '\\') text.pop_back();
  if (CharCount(text) < 3) text.push_back('\\');
  return text;
}

std::string FormatFileVersion(std::uint32_t most_significant, std::uint32_t least_significant) {
  char text[48];
  std::snprintf(text, sizeof text, "%u.%02u.%d", most_significant >> 16, most_significant & 0xFFFFu,
                static_cast<std::int32_t>(least_significant));
  return text;
}

}  // namespace util
