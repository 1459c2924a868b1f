#include "platform/path_rules.h"

namespace platform {

char Separator() { return '/'; }
bool IsSeparator(char c) { return c == '/'; }
std::size_t RootNameLength(std::string_view) { return 0; }
bool NamesAreCaseSensitive() { return true; }
bool IsNetworkPath(std::string_view) { return false; }
bool IsRootlessPath(std::string_view) { return false; }
std::string_view ArchiveLibraryFileName() { return "libunlha32.so"; }

}  // namespace platform
