#include "engine/public_function.h"

#include "engine/com_file_ex.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {

std::atomic<bool> CancelRequested{false};
std::atomic<bool> AbortRequested{false};

long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs) {
  return ListSubfoldersDeep(root, list, fs, WalkRules(), [](const std::string&) {});
}

namespace {

// The subfolders of `folder` that the walk enters, in listing order. Whatever could be
// listed is walked even when one entry failed: dropping the whole folder's subfolders would
// silently leave their files out of the backup.
// Returns the length of the path before each name.
std::size_t Subfolders(const std::string& folder, platform::FileSystem& fs, const WalkRules& rules,
                       std::vector<std::string>& names) {
  names.clear();
  std::string prefix = folder;
  if (prefix.empty() || !platform::IsSeparator(prefix.back())) prefix += platform::Separator();
  fs.ListIncludingHidden(
      prefix, platform::ListWhat::kFolders, false, [&](const platform::ListedEntry& entry) {
        if (entry.hidden && !rules.include_hidden) {
          if (rules.hidden_left_out != nullptr) ++*rules.hidden_left_out;
          return true;
        }
        names.push_back(prefix);
        names.back().append(entry.name);
        if (!rules.skipped_folder.empty() && names.back() == rules.skipped_folder) {
          names.pop_back();
        } else if (rules.exclude != nullptr &&
                   rules.exclude->Excludes(
                       PathBelow(rules.root, names.back(), platform::Separator()), true)) {
          names.pop_back();
        }
        return true;
      });
  return prefix.size();
}

}  // namespace

long ListSubfoldersDeep(const std::string& root, FolderTree& tree, platform::FileSystem& fs,
                        const WalkRules& rules,
                        platform::FunctionRef<void(const std::string&)> on_folder) {
  // Where names are not case-sensitive, every path below the first level reads upper-cased;
  // where they are, an upper-cased path would name another folder, so the stored case stays.
  tree = FolderTree(root, !platform::NamesAreCaseSensitive());

  // Walk order: the root's subfolders, then the whole subtree of the first of them, then
  // that of the second, and so on, each subtree in the same order. An explicit stack of
  // half-visited folder lists replaces recursion, so depth costs heap, not stack; only the
  // folders on that stack are held as full paths.
  struct Level {
    std::vector<std::string> folders;
    std::vector<std::uint32_t> entries;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  std::string path;
  auto enter = [&](const std::string& folder, std::uint32_t entry) {
    Level level;
    const std::size_t prefix = Subfolders(folder, fs, rules, level.folders);
    if (level.folders.empty()) return;
    for (const std::string& child : level.folders) {
      level.entries.push_back(tree.Add(entry, std::string_view(child).substr(prefix)));
      tree.PathOf(level.entries.back(), path);
      on_folder(path);
    }
    stack.push_back(std::move(level));
  };
  enter(root, FolderTree::kRoot);
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next == level.folders.size()) {
      stack.pop_back();
      continue;
    }
    const std::size_t next = level.next++;
    const std::string folder = std::move(level.folders[next]);
    enter(folder, level.entries[next]);
  }
  return static_cast<long>(tree.size());
}

long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs, const WalkRules& rules,
                        platform::FunctionRef<void(const std::string&)> on_folder) {
  FolderTree tree;
  const long total = ListSubfoldersDeep(root, tree, fs, rules, on_folder);
  list.clear();
  list.reserve(tree.size() + 1);
  for (std::size_t i = 0; i < tree.size(); ++i) list.push_back(tree.PathOf(i));
  list.emplace_back();
  return total;
}

bool PrepareDestination(const std::string& path, platform::MessageBoxService& messages,
                        platform::DestinationTree& tree, platform::FolderModel model,
                        platform::Status* detail) {
  if (platform::IsNetworkPath(path)) {
    messages.MsgBox("このバージョンではネットワーク対応しておりません。\rm(_!_)m",
                    platform::kOkOnly | platform::kInformation, "おしらせ");
    return false;
  }
  if (platform::IsRootlessPath(path)) {
    messages.MsgBox("コピー先の指定が間違っています。", platform::kOkOnly | platform::kCritical,
                    "フォルダ指定エラー");
    return false;
  }
  platform::Status status;
  if (MakeFolderPath(path, tree, &status, model) == 0) return true;
  if (detail) *detail = status;
  // A name the medium cannot hold is the caller's to report: it concerns the files meant
  // for that folder, not the destination as a whole.
  if (status.code() == platform::kBadFileName) return false;
  messages.MsgBox("フォルダが作成できませんでした。\r処理を中止します。",
                  platform::kOkOnly | platform::kExclamation, "フォルダ作成エラー");
  return false;
}

}  // namespace engine
