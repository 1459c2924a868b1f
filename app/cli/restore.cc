#include "app/cli/restore.h"

#include <chrono>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "app/cli/exit_status.h"
#include "app/cli/progress_line.h"
#include "archive/c_unlha.h"
#include "engine/catalogue.h"
#include "engine/chain.h"
#include "engine/job.h"
#include "engine/public_function.h"
#include "engine/restore_plan.h"
#include "engine/run_record.h"
#include "platform/file_system.h"
#include "platform/input_file.h"
#include "platform/output_folder.h"
#include "platform/path_rules.h"
#include "platform/search.h"
#include "platform/temp_file.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace cli {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// The largest output buffer the archive object can hand the library (32,720 bytes).
constexpr std::int16_t kLargestOutput = 405;

// Up to this many members of an archive are named to the library one by one; for more, the
// whole archive is unpacked, as matching every name against every member would cost more.
constexpr std::size_t kMostNamedMembers = 64;

std::string LastName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == path.npos ? path : path.substr(slash + 1));
}

bool Wanted(std::string_view path, const std::vector<std::string>& roots,
            const std::vector<std::string>& patterns) {
  if (!roots.empty()) {
    bool inside = false;
    for (const std::string& root : roots) {
      inside = inside || root.empty() || path == root ||
               (path.starts_with(root) && path[root.size()] == '/');
    }
    if (!inside) return false;
  }
  if (patterns.empty()) return true;
  const std::string name = LastName(path);
  for (const std::string& pattern : patterns) {
    if (platform::MatchesWildcard(name, pattern)) return true;
  }
  return false;
}

// Whether `root` is a source of `record` or lies inside one.
bool Recorded(const engine::RunRecord& record, std::string_view root) {
  for (const engine::RecordedSource& source : record.sources) {
    if (Wanted(root, {source.path}, {})) return true;
  }
  return false;
}

// Whether a file below a date folder is one of ours rather than a backup: the record, or a
// temporary file an interrupted run left.
bool IsOurs(std::string_view path) {
  const std::string name = LastName(path);
  return path.starts_with(std::string(engine::kRecordFolder) + "/") ||
         (name.starts_with(".grebewick-") && name.ends_with(".tmp")) ||
         (name.starts_with("~grebewick-") && name.ends_with(".tmp"));
}

// Where the library puts a member it unpacks with its folders, below the folder it is given,
// as "/"-separated parts; "" when it refuses the member. The library's own rule: a drive and
// leading separators dropped, empty and "." parts dropped, control characters shown as "?",
// no "..".
std::string UnpackedPath(std::string_view stored) {
  if (stored.size() >= 2 && stored[1] == ':' &&
      ((stored[0] >= 'A' && stored[0] <= 'Z') || (stored[0] >= 'a' && stored[0] <= 'z'))) {
    stored.remove_prefix(2);
  }
  std::string path;
  while (!stored.empty()) {
    const std::size_t end = stored.find('\\');
    const std::string_view part = stored.substr(0, end);
    stored = end == std::string_view::npos ? std::string_view() : stored.substr(end + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") return "";
    if (!path.empty()) path.push_back('/');
    path += platform::PrintableText(part);
  }
  return path;
}

// A word of the library's command line, which has no way to hold a double quote.
bool Quote(const std::string& word, std::string* line) {
  if (word.find('"') != std::string::npos) return false;
  *line += " \"" + word + "\"";
  return true;
}

// Notes that the archive object would have shown a message box, in place of which the
// restore says what went wrong in one line.
class HeldMessages : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string&, int, const std::string&) override {
    shown = true;
    return platform::kAnswerOk;
  }
  bool shown = false;
};

// The reason the library's report `output` gives for the member stored as `stored`, or "".
std::string ReasonFor(std::string_view output, const std::string& stored) {
  const std::string start = platform::PrintableText(stored) + ": ";
  for (std::size_t at = 0; at < output.size();) {
    std::size_t end = output.find('\n', at);
    if (end == std::string_view::npos) end = output.size();
    const std::string_view line = output.substr(at, end - at);
    if (line.starts_with(start)) return std::string(line.substr(start.size()));
    at = end + 1;
  }
  return "";
}

bool KeepGoing() { return !engine::CancelRequested && !engine::AbortRequested; }

// An LZH archive found in a date folder, with the stored path of each of its members in
// reading order.
struct FoundArchive {
  std::size_t day;
  std::string path;
  std::vector<std::string> stored;
};

// Where a member of a date folder (engine::HeldMember) comes from.
struct MemberOrigin {
  std::size_t archive;
  std::size_t index;  // in FoundArchive::stored
};

class Restorer {
 public:
  Restorer(const RestoreRequest& request, std::FILE* output, std::FILE* errors)
      : request_(request), output_(output), errors_(errors), fs_(platform::FileSystem::Default()) {}

  ~Restorer() {
    // Staged members of an archive are ours to remove, also when the restore ends early.
    if (!staging_path_.empty()) RemoveStaging();
  }

  int Run() {
    const std::string last = request_.as_of.empty() ? "99991231" : request_.as_of;
    days_ = engine::DateFoldersUpTo(fs_, request_.destination, last);
    if (days_.empty()) {
      Error("no date folder up to " + last + " below " + request_.destination);
      return kExitSomeFailed;
    }
    for (const std::string& source : request_.sources) {
      roots_.push_back(engine::RecordPath(engine::BelowDateFolder("", source)));
    }
    engine::RunRecord record;
    bool recorded = false;
    platform::Status status = engine::ReadRunRecord(days_[0], &record, &recorded);
    if (!status.ok()) {
      Error(status.message());
      return kExitSomeFailed;
    }
    std::vector<engine::RecordedFile> listed;
    if (recorded) {
      if (roots_.empty()) {
        for (const engine::RecordedSource& source : record.sources) roots_.push_back(source.path);
      }
      for (const engine::RecordedSource& source : record.sources) {
        for (const engine::RecordedFile& file : source.files) {
          if (Wanted(file.path, roots_, request_.patterns)) listed.push_back(file);
        }
      }
      for (std::size_t i = 0; i < request_.sources.size(); ++i) {
        if (!Recorded(record, roots_[i])) {
          Error(request_.sources[i] + ": not a source, nor inside one, in the record of " +
                days_[0]);
          return kExitSomeFailed;
        }
      }
    } else {
      Note(days_[0] +
           " holds no record of its run (a backup of the window, or of an older "
           "version): every file found in the date folders up to it is restored, the newest "
           "copy of each, files deleted meanwhile included");
    }
    // Archives count where the run of the day restored read them as backups; an archive
    // anywhere in a source's backup may hold files of any of its folders, so the whole of
    // each source that holds a file to restore is searched for them.
    read_archives_ = recorded && record.read_archives;
    std::vector<std::string> walk = roots_;
    if (read_archives_) {
      walk.clear();
      for (const engine::RecordedSource& source : record.sources) {
        for (const std::string& root : roots_) {
          if (Wanted(root, {source.path}, {})) {
            walk.push_back(source.path);
            break;
          }
        }
      }
    }
    std::vector<std::vector<std::string>> held(days_.size());
    members_.resize(days_.size());
    origins_.resize(days_.size());
    for (std::size_t day = 0; day < days_.size(); ++day) Walk(day, walk, &held[day]);
    if (!found_.empty()) ReadArchives(listed);
    engine::RestorePlan plan;
    if (!recorded) {
      plan = engine::PlanRestore(nullptr, held, platform::NamesAreCaseSensitive());
    } else {
      plan = engine::PlanRestore(listed, held, members_, platform::NamesAreCaseSensitive());
    }
    for (const std::string& path : plan.missing) {
      Error(path + ": listed in the record of " + days_[0] +
            ", but no date folder up to it holds a copy");
    }
    if (!request_.dry_run) {
      status = platform::OutputFolder::Open(request_.to, &top_);
      if (!status.ok()) {
        Error(status.message());
        return kExitSomeFailed;
      }
    }
    // Plain copies first, then the members of each archive together: one pass of the library
    // over an archive unpacks every member needed from it.
    std::map<std::size_t, std::vector<const engine::RestoreChoice*>> by_archive;
    std::unordered_map<std::string, std::uint64_t> sizes;
    for (const engine::RecordedFile& file : listed) sizes[file.path] = file.size;
    for (const engine::RestoreChoice& choice : plan.files) {
      if (engine::CancelRequested || engine::AbortRequested) return kExitEndedEarly;
      if (request_.dry_run) {
        DryRun(choice);
      } else if (choice.member == engine::kPlainCopy) {
        File(choice);
      } else {
        by_archive[origins_[choice.day][choice.member].archive].push_back(&choice);
      }
    }
    for (const auto& [archive, choices] : by_archive) {
      if (engine::CancelRequested || engine::AbortRequested) return kExitEndedEarly;
      Unpack(found_[archive], choices, sizes);
    }
    if (engine::CancelRequested || engine::AbortRequested) return kExitEndedEarly;
    if (!request_.quiet && !request_.dry_run) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
      std::fprintf(errors_, "grebewick-cli: %ld of %zu files restored to %s, %s in %.1f s\n",
                   restored_, plan.files.size(), Printable(request_.to).c_str(),
                   FormatBytes(bytes_).c_str(), seconds);
    }
    return plan.missing.empty() && failed_ == 0 ? kExitDone : kExitSomeFailed;
  }

 private:
  // The files below the date folder `day` that the restore may take, as record paths; where
  // archives count, the LZH files among them are also noted as archives.
  void Walk(std::size_t day, const std::vector<std::string>& roots,
            std::vector<std::string>* files) {
    std::vector<std::string> pending;
    if (roots.empty()) pending.emplace_back();
    for (const std::string& root : roots) {
      // A link on the way to a source below the date folder leads out of the backup.
      const std::string member =
          engine::ChainMember(fs_, days_[day], platform::Separator() + engine::PlatformPath(root));
      if (!member.empty()) pending.push_back(root);
    }
    std::unordered_set<std::string> walked;
    while (!pending.empty()) {
      const std::string folder = std::move(pending.back());
      pending.pop_back();
      // Sources may lie inside each other.
      if (!walked.insert(folder).second) continue;
      const std::string prefix = folder.empty() ? folder : folder + "/";
      const std::string path = days_[day] + platform::Separator() + engine::PlatformPath(folder);
      fs_.ListIncludingHidden(path, platform::ListWhat::kFilesAndFolders, false,
                              [&](const platform::ListedEntry& entry) {
                                std::string below = prefix + std::string(entry.name);
                                if (IsOurs(below + (entry.is_folder ? "/" : ""))) return true;
                                if (entry.is_folder) {
                                  pending.push_back(std::move(below));
                                  return true;
                                }
                                if (read_archives_ && engine::IsLzhName(entry.name)) {
                                  found_.push_back(FoundArchive{day, below, {}});
                                }
                                files->push_back(std::move(below));
                                return true;
                              });
    }
  }

  // Lists the members of every archive found, as the runs' catalogue reads them.
  void ReadArchives(const std::vector<engine::RecordedFile>& listed) {
    const std::string library = platform::SearchPath(platform::ArchiveLibraryFileName());
    if (library.empty()) {
      Error("the archive library " + std::string(platform::ArchiveLibraryFileName()) +
            " was not found: files packed in archives in the backups cannot be restored");
      ++failed_;
      return;
    }
    unlha_ = std::make_unique<archive::cUnLHA>(library, messages_);
    if (!unlha_->usable()) {
      Error(library +
            ": the archive library cannot be used: files packed in archives in the "
            "backups cannot be restored");
      ++failed_;
      return;
    }
    std::unordered_set<std::string> listed_paths;
    for (const engine::RecordedFile& file : listed) listed_paths.insert(file.path);
    for (std::size_t a = 0; a < found_.size(); ++a) {
      FoundArchive& found = found_[a];
      const std::string path = Backup(found.day, found.path);
      std::int16_t count = 0;
      messages_.shown = false;
      std::string problem;
      try {
        if (unlha_->CheckArchive(path)) {
          count = unlha_->SetArcFile(path);
          if (messages_.shown) problem = "cannot be opened";
        } else {
          problem = "is not a readable LZH archive";
        }
      } catch (const platform::VbError& error) {
        problem = error.what();
      }
      // One of the user's own files that only has an archive's name is a file like any
      // other; a packing of a backup that cannot be read hides what it holds.
      if (!problem.empty()) {
        if (!listed_paths.contains(found.path)) {
          Error(path + ": " + problem + "; no file is restored from it");
          ++failed_;
        }
        continue;
      }
      for (std::int16_t i = 0; i < count; ++i) {
        engine::HeldMember member;
        member.name = unlha_->FileName(i);
        const std::string stored_folder = unlha_->FilePath(i);
        found.stored.push_back((stored_folder == "\\" ? "" : stored_folder) + member.name);
        if (member.name.empty()) continue;  // a folder entry
        member.folder = platform::UpperCase(stored_folder);
        for (char& c : member.folder) {
          if (c == '\\') c = platform::Separator();
        }
        for (char c : unlha_->FileOriginal(i)) {
          if (c >= '0' && c <= '9') member.size = member.size * 10 + static_cast<unsigned>(c - '0');
        }
        member.time = unlha_->FileInstant(i);
        members_[found.day].push_back(std::move(member));
        origins_[found.day].push_back(MemberOrigin{a, found.stored.size() - 1});
      }
    }
  }

  std::string Backup(std::size_t day, const std::string& path) const {
    return days_[day] + platform::Separator() + engine::PlatformPath(path);
  }

  void File(const engine::RestoreChoice& choice) {
    const std::string from = Backup(choice.day, choice.path);
    platform::OutputFolder* folder = nullptr;
    std::string name;
    platform::Status status = Place(choice.path, &folder, &name);
    if (status.ok()) status = Copy(from, *folder, name);
    Count(status);
  }

  // A member is named as its archive's path followed by its stored path.
  void DryRun(const engine::RestoreChoice& choice) {
    std::string from = Backup(choice.day, choice.path);
    if (choice.member != engine::kPlainCopy) {
      const MemberOrigin& origin = origins_[choice.day][choice.member];
      const FoundArchive& found = found_[origin.archive];
      std::string member = found.stored[origin.index];
      for (char& c : member) {
        if (c == '\\') c = platform::Separator();
      }
      from = Backup(found.day, found.path) + platform::Separator() + member;
    }
    const std::string to = request_.to + platform::Separator() + engine::PlatformPath(choice.path);
    const std::string line = request_.format.Record({from, to});
    std::fwrite(line.data(), 1, line.size(), output_);
  }

  void Count(const platform::Status& status) {
    if (!status.ok()) {
      ++failed_;
      Error(status.message());
      return;
    }
    ++restored_;
  }

  // The folder below `to` that will hold `path`, and the name there, when nothing has it yet.
  platform::Status Place(const std::string& path, platform::OutputFolder** folder,
                         std::string* name) {
    platform::Status status = FolderOf(path, folder);
    *name = LastName(path);
    bool exists = false;
    if (status.ok()) status = (*folder)->Exists(*name, &exists);
    if (status.ok() && exists) {
      status = platform::Status::Error(platform::kFileAlreadyExists,
                                       "restore(" + request_.to + platform::Separator() +
                                           engine::PlatformPath(path) +
                                           "): something has this name; not replaced");
    }
    return status;
  }

  // Restores the members `choices` of `found`: the library unpacks them (on its rules: never
  // outside the folder it is given, never through a link, each file whole or not at all) into
  // a folder of our own below `to`, and each is copied from there to its place as a plain
  // copy is, with the time and permission bits the library gave it from the archive.
  void Unpack(const FoundArchive& found, const std::vector<const engine::RestoreChoice*>& choices,
              const std::unordered_map<std::string, std::uint64_t>& sizes) {
    const std::string archive = Backup(found.day, found.path);
    auto stored_of = [&](const engine::RestoreChoice& choice) -> const std::string& {
      return found.stored[origins_[choice.day][choice.member].index];
    };
    auto fail = [&](const engine::RestoreChoice& choice, const std::string& reason) {
      ++failed_;
      std::string member = stored_of(choice);
      for (char& c : member) {
        if (c == '\\') c = platform::Separator();
      }
      Error(choice.path + ": listed in the record of " + days_[0] + "; its copy in " + archive +
            " (" + member + ") could not be unpacked: " + reason);
    };
    platform::Status status = MakeStaging();
    if (!status.ok()) {
      for (const engine::RestoreChoice* choice : choices) fail(*choice, status.message());
      return;
    }
    // The library gives a place to the first member of each path and refuses the later ones.
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < found.stored.size(); ++i) {
      const std::string path = UnpackedPath(found.stored[i]);
      first.try_emplace(staging_case_sensitive_ ? path : platform::UpperCase(path), i);
    }
    bool named = choices.size() <= kMostNamedMembers;
    for (const engine::RestoreChoice* choice : choices) {
      const std::string& stored = stored_of(*choice);
      // Only a member stored with its folder is matched by its path alone.
      named = named && stored.find('\\') != std::string::npos && !stored.starts_with('\\') &&
              stored.find(':') == std::string::npos;
    }
    std::string line = "x --";
    const bool quotable = Quote(archive, &line) && Quote(staging_path_ + "/", &line);
    std::string patterns;
    for (std::size_t i = 0; named && i < choices.size(); ++i) {
      std::string pattern = stored_of(*choices[i]);
      for (char& c : pattern) {
        if (c == '\\') c = '/';
      }
      named = Quote(pattern, &patterns);
    }
    // Without names the library unpacks every member.
    if (named) line += patterns;
    std::string problem;
    if (!quotable) {
      problem = "a path holds a double quote, which the archive library cannot be given";
    } else {
      unlha_->SetMaxFileCount(kLargestOutput);
      unlha_->SetKeepGoing(KeepGoing);
      try {
        unlha_->SetCommandLine(line);
      } catch (const platform::VbError& error) {
        problem = error.what();
      }
      unlha_->SetKeepGoing(nullptr);
      if (problem.empty() && unlha_->ReturnCode() != 0) problem = unlha_->ErrString();
    }
    if (engine::CancelRequested || engine::AbortRequested) return;
    for (const engine::RestoreChoice* choice : choices) {
      const std::size_t index = origins_[choice->day][choice->member].index;
      const std::string unpacked = UnpackedPath(found.stored[index]);
      if (unpacked.empty()) {
        fail(*choice, "the archive library refuses its stored path");
        continue;
      }
      auto it = first.find(staging_case_sensitive_ ? unpacked : platform::UpperCase(unpacked));
      if (it->second != index) {
        fail(*choice, "an earlier member of the archive has the same path");
        continue;
      }
      const std::string from =
          staging_path_ + platform::Separator() + engine::PlatformPath(unpacked);
      platform::EntryInfo info;
      status = fs_.Probe(from, &info);
      if (status.ok() && info.kind != platform::EntryKind::kFile) {
        std::string reason = ReasonFor(unlha_->OutPut(), found.stored[index]);
        if (reason.empty()) reason = problem;
        fail(*choice, reason.empty() ? "the archive library did not unpack it" : reason);
        continue;
      }
      if (status.ok() && info.size != sizes.at(choice->path)) {
        fail(*choice, "its size is not the one listed");
        continue;
      }
      platform::OutputFolder* folder = nullptr;
      std::string name;
      if (status.ok()) status = Place(choice->path, &folder, &name);
      if (status.ok()) status = Copy(from, *folder, name);
      Count(status);
    }
    RemoveStaging();
  }

  // A new folder of our own below `to` for the library to unpack into, made where nothing
  // had its name, so that nothing the restore did not make is in it.
  platform::Status MakeStaging() {
    for (int n = 0; n < 1000; ++n) {
      const std::string name = ".grebewick-unpack-" + std::to_string(n) + ".tmp";
      std::unique_ptr<platform::OutputFolder> folder;
      bool created = false;
      platform::Status status = top_->OpenFolder(name, true, &folder, &created);
      if (!status.ok() && status.code() != platform::kPathFileAccessError) return status;
      if (!status.ok() || !created) continue;
      staging_path_ = request_.to + platform::Separator() + name;
      staging_ = std::move(folder);
      if (!staging_probed_) {
        // Whether two members whose paths differ in letter case land on one file here.
        std::unique_ptr<platform::OutputFile> probe;
        status = staging_->CreateTemporary(&probe);
        if (status.ok()) status = probe->Commit("case", std::nullopt, 0, false);
        bool upper = false;
        if (status.ok()) status = staging_->Exists("CASE", &upper);
        platform::RemoveFile(staging_path_ + platform::Separator() + "case");
        if (!status.ok()) {
          RemoveStaging();
          return status;
        }
        staging_case_sensitive_ = !upper;
        staging_probed_ = true;
      }
      return platform::Status::Ok();
    }
    return platform::Status::Error(platform::kFileAlreadyExists,
                                   "restore(" + request_.to + "): no name left to unpack into");
  }

  // Removes the staging folder and what the library left in it.
  void RemoveStaging() {
    if (staging_) Clear(*staging_, staging_path_);
    staging_.reset();
    if (!platform::RemoveEmptyFolder(staging_path_).ok()) {
      Error(staging_path_ + ": could not be removed after unpacking");
    }
    staging_path_.clear();
  }

  // Empties the folder `path` (open as `folder`). A folder entry of the archive may have made
  // a folder read-only, so each is made writable first; nothing is reached through a link
  // (the library makes none, and one that appeared is removed itself).
  void Clear(platform::OutputFolder& folder, const std::string& path) {
    folder.SetAttributes(0700, std::nullopt);
    std::vector<std::string> names;
    fs_.ListIncludingHidden(path, platform::ListWhat::kFilesAndFolders, false,
                            [&](const platform::ListedEntry& entry) {
                              names.emplace_back(entry.name);
                              return true;
                            });
    for (const std::string& name : names) {
      const std::string below = path + platform::Separator() + name;
      std::unique_ptr<platform::OutputFolder> child;
      bool created = false;
      if (folder.OpenFolder(name, false, &child, &created).ok()) {
        Clear(*child, below);
        child.reset();  // Windows removes no folder that is held open
        platform::RemoveEmptyFolder(below);
      } else {
        platform::RemoveFile(below);
      }
    }
  }

  platform::Status Copy(const std::string& from, platform::OutputFolder& folder,
                        const std::string& name) {
    std::unique_ptr<platform::InputFile> in;
    platform::Status status = platform::InputFile::Open(from, &in);
    std::unique_ptr<platform::OutputFile> out;
    if (status.ok()) status = folder.CreateTemporary(&out);
    if (!buffer_) buffer_.reset(new std::uint8_t[kBufferSize]);
    while (status.ok()) {
      std::size_t got = 0;
      status = in->Read(std::span(buffer_.get(), kBufferSize), &got);
      if (!status.ok() || got == 0) break;
      status = out->Write(std::span<const std::uint8_t>(buffer_.get(), got));
      bytes_ += got;
    }
    if (!status.ok()) return status;
    return out->Commit(name, in->mode() & 0777, in->mtime(), false);
  }

  // Opens (making what is missing) the folder below `to` that holds `path`, one name at a
  // time from the last folder opened; never through a link.
  platform::Status FolderOf(const std::string& path, platform::OutputFolder** folder) {
    std::vector<std::string> names;
    for (std::size_t start = 0;;) {
      const std::size_t slash = path.find('/', start);
      if (slash == std::string::npos) break;
      names.push_back(path.substr(start, slash - start));
      start = slash + 1;
    }
    std::size_t keep = 0;
    while (keep < names.size() && keep < open_names_.size() && names[keep] == open_names_[keep]) {
      ++keep;
    }
    open_names_.resize(keep);
    open_.resize(keep);
    for (std::size_t i = keep; i < names.size(); ++i) {
      platform::OutputFolder& parent = i == 0 ? *top_ : *open_[i - 1];
      std::unique_ptr<platform::OutputFolder> child;
      bool created = false;
      platform::Status status = parent.OpenFolder(names[i], true, &child, &created);
      if (!status.ok()) {
        return platform::Status::Error(status.code(),
                                       "restore(" + request_.to + platform::Separator() +
                                           engine::PlatformPath(path) + "): " + status.message());
      }
      open_names_.push_back(names[i]);
      open_.push_back(std::move(child));
    }
    *folder = names.empty() ? top_.get() : open_.back().get();
    return platform::Status::Ok();
  }

  void Error(const std::string& text) {
    std::fprintf(errors_, "grebewick-cli: %s\n", Printable(text).c_str());
  }
  void Note(const std::string& text) {
    if (!request_.quiet) Error("note: " + text);
  }

  const RestoreRequest& request_;
  std::FILE* output_;
  std::FILE* errors_;
  platform::FileSystem& fs_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::vector<std::string> days_;
  std::vector<std::string> roots_;
  std::unique_ptr<platform::OutputFolder> top_;
  std::vector<std::string> open_names_;
  std::vector<std::unique_ptr<platform::OutputFolder>> open_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  bool read_archives_ = false;
  std::vector<FoundArchive> found_;
  std::vector<std::vector<engine::HeldMember>> members_;  // by day
  std::vector<std::vector<MemberOrigin>> origins_;        // alongside members_
  HeldMessages messages_;
  std::unique_ptr<archive::cUnLHA> unlha_;
  std::string staging_path_;
  std::unique_ptr<platform::OutputFolder> staging_;
  bool staging_probed_ = false;
  bool staging_case_sensitive_ = true;
  long restored_ = 0, failed_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace

int Restore(const RestoreRequest& request, std::FILE* output, std::FILE* errors) {
  return Restorer(request, output, errors).Run();
}

}  // namespace cli
