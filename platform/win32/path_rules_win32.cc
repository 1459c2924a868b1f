#include "platform/path_rules.h"

namespace platform {
namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

char Separator() { return '\\'; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:" is the drive part. A network path keeps its first two characters off too ("\\" of
// "\\server\share"), as the rule "without its first two characters" reads.
std::size_t RootNameLength(std::string_view path) {
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') return 2;
  if (IsNetworkPath(path)) return 2;
  return 0;
}

bool NamesAreCaseSensitive() { return false; }

// "/" spells "\" here, so "//server/share" is as much a network path as "\\server\share".
bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsRootlessPath(std::string_view path) { return !path.empty() && IsSeparator(path[0]); }

std::string_view ArchiveLibraryFileName() { return "UnLHA32.DLL"; }

}  // namespace platform
