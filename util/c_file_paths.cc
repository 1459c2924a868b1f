// The string helpers of cFile: pure text work on paths. The rules name "\" as the separator
// and a drive root as their root; both are the platform's (platform/path_rules.h), so on
// POSIX "/" separates, a backslash or a colon is an ordinary character of a name, and the
// root is "/". Where a rule also takes "/", it takes whatever the platform accepts.
#include <cstdio>

#include "platform/path_rules.h"
#include "platform/text.h"
#include "util/c_file.h"

namespace util {
namespace {

// "\" as the rules write it.
bool IsRuleSeparator(char c) { return c == platform::Separator(); }

bool EndsWithRuleSeparator(std::string_view text) {
  return !text.empty() && IsRuleSeparator(text.back());
}

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

// Characters of a drive's root folder, which the rules count as three ("C:\"): the
// platform's root name of a drive and one separator, so 1 ("/") on POSIX.
std::size_t DriveRootChars() { return platform::RootNameLength("C:") + 1; }

// Whether `text` is a bare drive ("C:"; POSIX has none) or a drive's root folder ("C:\",
// and "/" on POSIX; a rootless "\" is neither).
bool IsBareDrive(std::string_view text) {
  const std::size_t root = platform::RootNameLength(text);
  return root > 0 && root == text.size();
}
bool IsDriveRoot(std::string_view text) {
  return text.size() == DriveRootChars() && platform::RootNameLength(text) + 1 == text.size() &&
         IsRuleSeparator(text.back());
}

}  // namespace

std::string cFile::Extension(const std::string& strFileName) const {
  for (std::size_t i = strFileName.size(); i > 0; --i) {
    char c = strFileName[i - 1];
    if (platform::IsSeparator(c)) return std::string();
    if (c == '.') return platform::UpperCase(std::string_view(strFileName).substr(i));
  }
  return std::string();
}

std::string cFile::OmitPathName(const std::string& strLongPathName) const {
  std::string_view path = strLongPathName;
  std::size_t drive_bytes = PrefixBytes(path, DriveRootChars());
  std::string_view drive = path.substr(0, drive_bytes);
  std::string_view rest = path.substr(drive_bytes);
  const char separator = platform::Separator();
  std::size_t last = rest.rfind(separator);
  std::string_view name = last == std::string_view::npos ? rest : rest.substr(last + 1);
  std::size_t found = rest.find(name);
  // Positions are counted in characters from 1; a name within the first three characters
  // leaves no folder chain worth shortening.
  if (name.empty() || found == std::string_view::npos ||
      CharCount(rest.substr(0, found)) + 1 <= 3) {
    return strLongPathName;
  }
  std::string_view chain = rest.substr(0, found);
  if (EndsWithRuleSeparator(chain)) chain.remove_suffix(1);
  std::size_t folder_start = chain.rfind(separator);
  std::string_view folder =
      folder_start == std::string_view::npos ? chain : chain.substr(folder_start + 1);

  std::string candidate(drive);
  candidate.append("...").append(1, separator).append(folder).append(1, separator).append(name);
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
    std::size_t cut = 0;
    while (cut < rest.size() && !platform::IsSeparator(rest[cut])) ++cut;
    if (cut < rest.size()) {
      rest.remove_prefix(cut + 1);
      continue;
    }
    // With no separator left, a drive name ("C:b.txt") is still cut off.
    const std::size_t root = platform::RootNameLength(rest);
    if (root == 0) return std::string(rest);
    rest.remove_prefix(root);
  }
}

std::string cFile::AddDirSep(const std::string& strPathName) const {
  std::string text(TrimBlanks(strPathName, false));
  if (!EndsWithRuleSeparator(text)) text.push_back(platform::Separator());
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
  // Every spelling of the separator becomes the platform's own ("/" becomes "\" where both
  // separate; on POSIX nothing changes).
  std::string text = strFileName;
  for (char& c : text) c = platform::IsSeparator(c) ? platform::Separator() : c;
  const std::size_t last = text.rfind(platform::Separator());
  std::string taken;
  if (last == std::string::npos) {
    taken = fs_->CurrentFolder();
  } else if (last + 1 == text.size() && text.find(platform::Separator()) == last) {
    taken = text.size() == 1 ? text : text.substr(0, last);
  } else {
    taken = text.substr(0, last + 1);
  }
  if (IsBareDrive(taken)) return taken + platform::Separator();
  if (IsDriveRoot(taken)) return taken;
  if (EndsWithRuleSeparator(taken)) taken.pop_back();
  return taken;
}

std::string cFile::RemoveDirSep(const std::string& strDstDir) const {
  std::string text(TrimBlanks(strDstDir, true));
  if (EndsWithRuleSeparator(text)) text.pop_back();
  // Never shorter than a drive's root folder: "C:\" stays, "C:" gains its "\", and on
  // POSIX "/" stays "/".
  if (CharCount(text) < DriveRootChars()) text.push_back(platform::Separator());
  return text;
}

std::string FormatFileVersion(std::uint32_t most_significant, std::uint32_t least_significant) {
  char text[48];
  std::snprintf(text, sizeof text, "%u.%02u.%d", most_significant >> 16, most_significant & 0xFFFFu,
                static_cast<std::int32_t>(least_significant));
  return text;
}

}  // namespace util
