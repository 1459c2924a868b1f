#include "engine/public_function.h"

#include "engine/com_file_ex.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {

std::atomic<bool> CancelRequested{false};
std::atomic<bool> AbortRequested{false};

long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs) {
  return ListSubfoldersDeep(root, list, fs, [](const std::string&) {});
}

long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs,
                        platform::FunctionRef<void(const std::string&)> on_folder) {
  // Where names are not case-sensitive, every path below the first level is upper-cased as
  // it is collected; where they are, an upper-cased path would name another folder, so the
  // stored case stays.
  const bool upper_case_deeper = !platform::NamesAreCaseSensitive();

  // Walk order: the root's subfolders, then the whole subtree of the first of them, then
  // that of the second, and so on, each subtree in the same order. An explicit stack of
  // half-visited folder lists replaces recursion, so depth costs heap, not stack.
  struct Level {
    std::vector<std::string> folders;
    std::size_t next = 0;
  };
  std::vector<std::string> children;
  long count = 0;
  ListFolder(root, 2, children, count, fs);
  children.resize(static_cast<std::size_t>(count));

  list = children;
  for (const std::string& child : children) on_folder(child);
  std::vector<Level> stack;
  if (!children.empty()) stack.push_back(Level{std::move(children)});
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next == level.folders.size()) {
      stack.pop_back();
      continue;
    }
    std::string folder = level.folders[level.next++];
    ListFolder(folder, 2, children, count, fs);
    children.resize(static_cast<std::size_t>(count));
    if (children.empty()) continue;
    for (const std::string& child : children) {
      list.push_back(upper_case_deeper ? platform::UpperCase(child) : child);
      on_folder(list.back());
    }
    stack.push_back(Level{std::move(children)});
  }
  auto total = static_cast<long>(list.size());
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
  if (MakeFolderPath(path, tree, detail, model) == 0) return true;
  messages.MsgBox("フォルダが作成できませんでした。\r処理を中止します。",
                  platform::kOkOnly | platform::kExclamation, "フォルダ作成エラー");
  return false;
}

}  // namespace engine
