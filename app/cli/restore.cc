#include "app/cli/restore.h"

#include <chrono>
#include <memory>
#include <unordered_set>

#include "app/cli/exit_status.h"
#include "app/cli/progress_line.h"
#include "engine/chain.h"
#include "engine/job.h"
#include "engine/public_function.h"
#include "engine/restore_plan.h"
#include "engine/run_record.h"
#include "platform/file_system.h"
#include "platform/input_file.h"
#include "platform/output_folder.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace cli {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

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

class Restorer {
 public:
  Restorer(const RestoreRequest& request, std::FILE* output, std::FILE* errors)
      : request_(request), output_(output), errors_(errors), fs_(platform::FileSystem::Default()) {}

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
    std::vector<std::string> listed;
    if (recorded) {
      if (roots_.empty()) {
        for (const engine::RecordedSource& source : record.sources) roots_.push_back(source.path);
      }
      for (const engine::RecordedSource& source : record.sources) {
        for (const engine::RecordedFile& file : source.files) {
          if (Wanted(file.path, roots_, request_.patterns)) listed.push_back(file.path);
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
    std::vector<std::vector<std::string>> held(days_.size());
    for (std::size_t day = 0; day < days_.size(); ++day) Walk(days_[day], &held[day]);
    const engine::RestorePlan plan =
        engine::PlanRestore(recorded ? &listed : nullptr, held, platform::NamesAreCaseSensitive());
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
    for (const engine::RestoreChoice& choice : plan.files) {
      if (engine::CancelRequested || engine::AbortRequested) return kExitEndedEarly;
      File(choice);
    }
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
  // The files below the date folder `day` that the restore may take, as record paths.
  void Walk(const std::string& day, std::vector<std::string>* files) {
    std::vector<std::string> pending;
    if (roots_.empty()) pending.emplace_back();
    for (const std::string& root : roots_) {
      // A link on the way to a source below the date folder leads out of the backup.
      const std::string member =
          engine::ChainMember(fs_, day, platform::Separator() + engine::PlatformPath(root));
      if (!member.empty()) pending.push_back(root);
    }
    while (!pending.empty()) {
      const std::string folder = std::move(pending.back());
      pending.pop_back();
      const std::string prefix = folder.empty() ? folder : folder + "/";
      const std::string path = day + platform::Separator() + engine::PlatformPath(folder);
      fs_.ListIncludingHidden(path, platform::ListWhat::kFilesAndFolders, false,
                              [&](const platform::ListedEntry& entry) {
                                std::string below = prefix + std::string(entry.name);
                                if (IsOurs(below + (entry.is_folder ? "/" : ""))) return true;
                                if (entry.is_folder) {
                                  pending.push_back(std::move(below));
                                } else {
                                  files->push_back(std::move(below));
                                }
                                return true;
                              });
    }
  }

  void File(const engine::RestoreChoice& choice) {
    const std::string from =
        days_[choice.day] + platform::Separator() + engine::PlatformPath(choice.path);
    const std::string to = request_.to + platform::Separator() + engine::PlatformPath(choice.path);
    if (request_.dry_run) {
      const std::string line = request_.format.Record({from, to});
      std::fwrite(line.data(), 1, line.size(), output_);
      return;
    }
    platform::OutputFolder* folder = nullptr;
    platform::Status status = FolderOf(choice.path, &folder);
    const std::string name = LastName(choice.path);
    bool exists = false;
    if (status.ok()) status = folder->Exists(name, &exists);
    if (status.ok() && exists) {
      status =
          platform::Status::Error(platform::kFileAlreadyExists,
                                  "restore(" + to + "): something has this name; not replaced");
    }
    if (status.ok()) status = Copy(from, *folder, name);
    if (!status.ok()) {
      ++failed_;
      Error(status.message());
      return;
    }
    ++restored_;
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
  long restored_ = 0, failed_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace

int Restore(const RestoreRequest& request, std::FILE* output, std::FILE* errors) {
  return Restorer(request, output, errors).Run();
}

}  // namespace cli
