#pragma once

#include <string>
#include <vector>

namespace platform::posix {

// The XDG base folders and desktop names, read from the environment with the defaults of
// the XDG base directory rules. Relative entries are ignored, as those rules ask. A folder
// that cannot be determined (no HOME and no password entry) is "".
struct XdgFolders {
  std::string data_home;                 // $XDG_DATA_HOME or ~/.local/share
  std::string config_home;               // $XDG_CONFIG_HOME or ~/.config
  std::vector<std::string> data_dirs;    // $XDG_DATA_DIRS or /usr/local/share, /usr/share
  std::vector<std::string> config_dirs;  // $XDG_CONFIG_DIRS or /etc/xdg
  std::vector<std::string> desktops;     // $XDG_CURRENT_DESKTOP, lower-cased, in order
  // Message languages, most wanted first, each in the shapes a desktop file or MIME
  // comment may use ("ja_JP", "ja"); empty for the C locale.
  std::vector<std::string> languages;
};

XdgFolders XdgFoldersFromEnvironment();

// The user's home folder ($HOME, else the password entry); "" when there is none.
std::string HomeFolder();

}  // namespace platform::posix
