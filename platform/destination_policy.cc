#include "platform/destination_policy.h"

#include "platform/path_rules.h"
#include "platform/text.h"

namespace platform {
namespace {

Status Outside(const std::string& path) {
  return Status::Error(kBadFileName, "open(" + path + "): not below the destination");
}

bool SameSeparatedText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(IsSeparator(a[i]) && IsSeparator(b[i]))) return false;
  }
  return true;
}

}  // namespace

Status SplitBelowRoot(std::string_view root, const std::string& path,
                      std::vector<PathComponent>* components) {
  std::size_t start = 0;
  if (!root.empty()) {
    const bool root_ends_with_separator = IsSeparator(root.back());
    if (path.size() < root.size() || !SameSeparatedText(path.substr(0, root.size()), root) ||
        (path.size() > root.size() && !root_ends_with_separator &&
         !IsSeparator(path[root.size()]))) {
      return Outside(path);
    }
    start = root.size();
  } else if (!path.empty() && IsSeparator(path[0])) {
    return Outside(path);  // the current folder's tree holds no absolute path
  }
  while (start < path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string_view name(path.data() + start, end - start);
    if (name == "." || name == "..") return Outside(path);
    if (!name.empty()) components->push_back(PathComponent{name, end});
    start = end + 1;
  }
  return Status::Ok();
}

std::string JoinComponents(const std::vector<PathComponent>& components, char separator,
                           std::size_t count) {
  std::string key;
  count = std::min(count, components.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) key.push_back(separator);
    key.append(components[i].name);
  }
  return key;
}

Status SplitFilePath(std::string_view root, const std::string& destination, std::string* folder,
                     std::string* name) {
  std::size_t cut = destination.size();
  while (cut > 0 && !IsSeparator(destination[cut - 1])) --cut;
  *name = destination.substr(cut);
  *folder = destination.substr(0, cut);
  // The folder's text without its separator, except where that is the root's own form.
  if (folder->size() > root.size() && !folder->empty() && IsSeparator(folder->back())) {
    folder->pop_back();
  }
  if (folder->size() <= root.size()) *folder = std::string(root.empty() ? "" : root);
  if (name->empty() || *name == "." || *name == "..") {
    return Status::Error(kBadFileName, "copy(" + destination + "): not a file name");
  }
  return Status::Ok();
}

Status RefuseFileName(std::string_view name, const DestinationTraits& traits,
                      const std::string& source) {
  std::string problem = NameProblem(name, traits);
  if (problem.empty()) return Status::Ok();
  return Status::Error(kBadFileName, "copy(" + source +
                                         "): the destination cannot hold the name \"" +
                                         std::string(name) + "\": " + problem);
}

Status RefuseFolderName(std::string_view name, const DestinationTraits& traits,
                        const std::string& path) {
  std::string problem = NameProblem(name, traits);
  if (problem.empty()) return Status::Ok();
  return Status::Error(kBadFileName,
                       "mkdir(" + path + "): the destination cannot hold this name: " + problem);
}

Status CaseCollisions::Check(const std::string& key, std::string_view name,
                             const std::string& source, const std::string& folder,
                             char separator) const {
  auto names = written_.find(key);
  if (names == written_.end()) return Status::Ok();
  auto it = names->second.find(UpperCase(name));
  if (it == names->second.end() || it->second == name) return Status::Ok();
  return Status::Error(
      kFileAlreadyExists,
      "copy(" + source + "): " + folder +
          (!folder.empty() && IsSeparator(folder.back()) ? "" : std::string(1, separator)) +
          it->second + " was copied in this run, and the destination does not tell it from \"" +
          std::string(name) + "\" (letter case does not count there)");
}

void CaseCollisions::Record(const std::string& key, std::string_view name) {
  written_[key][UpperCase(name)] = std::string(name);
}

Status CopyWithOneRetry(FunctionRef<Status(bool* changed)> copy_once) {
  bool changed = false;
  Status status = copy_once(&changed);
  if (changed) status = copy_once(&changed);
  if (changed) status = Status::Error(status.code(), status.message() + ", twice; not copied");
  return status;
}

Status PolicyTree::MakeFolders(const std::string& path, FolderModel model) {
  std::vector<PathComponent> components;
  Status status = SplitBelowRoot(root_, path, &components);
  if (!status.ok()) return status;
  return OpenFolder(path, components, &model);
}

Status PolicyTree::CopyFile(const std::string& source, const std::string& destination,
                            KeepGoing keep_going, HashSink* hash, const SourceSnapshot* snapshot) {
  std::string folder, name;
  Status status = SplitFilePath(root_, destination, &folder, &name);
  if (!status.ok()) return status;
  std::vector<PathComponent> components;
  status = SplitBelowRoot(root_, folder, &components);
  if (!status.ok()) return status;
  status = OpenFolder(folder, components, nullptr);
  if (!status.ok()) return status;
  const DestinationTraits& traits = CurrentTraits();
  status = RefuseFileName(name, traits, source);
  if (!status.ok()) return status;
  const std::string key = CurrentKey();
  if (traits.case_insensitive) {
    status = collisions_.Check(key, name, source, folder, separator_);
    if (!status.ok()) return status;
  }
  if (folders_.NeedsSweep(key)) RemoveStaleTemporaryFiles();
  status = CopyWithOneRetry([&](bool* changed) {
    return CopyOnce(source, folder, name, keep_going, hash, snapshot, changed);
  });
  if (!status.ok()) return status;
  if (traits.case_insensitive) collisions_.Record(key, name);
  Copied(folder, name);
  return status;
}

}  // namespace platform
