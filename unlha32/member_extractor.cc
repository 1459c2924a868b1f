#include "unlha32/member_extractor.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "unlha32/keep_going.h"
#include "unlha32/mac_binary.h"
#include "unlha32/member_attributes.h"
#include "unlha32/member_decoder.h"
#include "unlha32/member_name.h"
#include "unlha32/member_record.h"
#include "unlha32/result_codes.h"

namespace unlha32 {
namespace {

Outcome DecodeOutcome(DecodeStatus status, const Member& member) {
  switch (status) {
    case DecodeStatus::kOk:
      return {};
    case DecodeStatus::kUnknownMethod:
      return {kUnknownMethod,
              "method " + platform::PrintableText(MethodText(member)) + " is not supported"};
    case DecodeStatus::kCrcMismatch:
      return {kDataCrc, "CRC error"};
    case DecodeStatus::kDamaged:
      return {kDamagedData, "damaged data"};
    case DecodeStatus::kTruncated:
      return {kHeaderBroken, "the archive ends inside its data"};
    case DecodeStatus::kReadError:
      return {kReadError, "read error"};
    case DecodeStatus::kOutputFailed:
      break;
  }
  return {kWriteError, "write error"};
}

// MacLHA's members (OS id 'm') hold MacBinary: what reaches `sink` is the data fork alone
// when the member begins with a valid MacBinary header, and every byte otherwise.
class DataForkSink {
 public:
  DataForkSink(const Member& member, OutputSink sink)
      : sink_(sink),
        total_(member.original_size),
        undecided_(member.os_id == 'm' && member.original_size >= kMacBinaryHeaderSize) {}

  bool operator()(std::span<const std::uint8_t> bytes) {
    if (undecided_) {
      const std::size_t take = std::min(bytes.size(), kMacBinaryHeaderSize - head_.size());
      head_.insert(head_.end(), bytes.begin(), bytes.begin() + static_cast<long>(take));
      bytes = bytes.subspan(take);
      if (head_.size() < kMacBinaryHeaderSize) return true;
      undecided_ = false;
      fork_ = MacBinaryDataFork(head_, total_);
      if (!fork_ && !sink_(head_)) return false;
      offset_ = head_.size();
    }
    if (!fork_) return bytes.empty() || sink_(bytes);
    // Only the bytes inside the data fork.
    const std::uint64_t begin = std::max(offset_, fork_->offset);
    const std::uint64_t end = std::min(offset_ + bytes.size(), fork_->offset + fork_->size);
    offset_ += bytes.size();
    if (begin >= end) return true;
    return sink_(bytes.subspan(static_cast<std::size_t>(begin - (offset_ - bytes.size())),
                               static_cast<std::size_t>(end - begin)));
  }

 private:
  OutputSink sink_;
  std::uint64_t total_;
  bool undecided_;
  std::vector<std::uint8_t> head_;
  std::optional<DataFork> fork_;
  std::uint64_t offset_ = 0;
};

Outcome Interrupted() { return {kInterrupted, "interrupted; not extracted"}; }

// A failed write or create: a full disk has its own code.
Outcome WriteOutcome(const platform::Status& status, int code, const char* what) {
  if (status.code() == platform::kDiskFull) return {kDiskFull, "disk full: " + status.message()};
  return {code, std::string(what) + ": " + status.message()};
}

}  // namespace

MemberExtractor::MemberExtractor(ArchiveSource& source) : source_(source) {}

MemberExtractor::MemberExtractor(ArchiveSource& source, platform::OutputFolder& base,
                                 bool keep_folders, bool overwrite)
    : source_(source), base_(&base), keep_folders_(keep_folders), overwrite_(overwrite) {}

MemberExtractor::~MemberExtractor() = default;

Outcome MemberExtractor::Handle(const Member& member) {
  return base_ == nullptr ? Test(member) : Extract(member);
}

Outcome MemberExtractor::Test(const Member& member) {
  if (member.IsDirectory() || IsSpecialFile(member)) return {};
  bool stopped = false;
  DecodeStatus decoded = DecodeMember(source_, member, [&](std::span<const std::uint8_t>) {
    stopped = !KeepGoing();
    return !stopped;
  });
  if (stopped) return {kInterrupted, "interrupted"};
  return DecodeOutcome(decoded, member);
}

Outcome MemberExtractor::Extract(const Member& member) {
  if (IsSpecialFile(member)) return {kNotAFile, "a link or device, not extracted"};
  const bool folder_entry = member.IsDirectory();
  if (folder_entry && !keep_folders_) return {};
  if (!CanDecode(member)) return DecodeOutcome(DecodeStatus::kUnknownMethod, member);
  OutputPath path;
  if (!SafeOutputPath(StoredPath(member), folder_entry, keep_folders_, &path)) {
    return {kCannotCreate, "unsafe name, not extracted"};
  }
  if (!folder_entry) return ExtractFile(member, path);
  platform::OutputFolder* folder;
  if (Outcome opened = OpenFolder(path.folders, &folder); opened.code != kSuccess) return opened;
  if (!path.folders.empty()) {
    folder_entries_.push_back({path.folders, MemberPermissions(member), MemberMtime(member)});
  }
  return {};
}

Outcome MemberExtractor::ExtractFile(const Member& member, const OutputPath& path) {
  platform::OutputFolder* folder;
  if (Outcome opened = OpenFolder(path.folders, &folder); opened.code != kSuccess) return opened;
  bool exists = false;
  if (!overwrite_ && folder->Exists(path.name, &exists).ok() && exists) {
    return {kFileExists, "exists, not replaced"};
  }
  // Names and sizes the medium cannot hold fail before anything is written. A MacBinary
  // member's data fork is smaller than the member; the member's size is the safe bound.
  if (platform::Status fits = folder->CheckFile(path.name, member.original_size); !fits.ok()) {
    return {fits.code() == platform::kDiskFull ? kDiskFull : kCannotCreate,
            "not extracted: " + fits.message()};
  }
  std::unique_ptr<platform::OutputFile> file;
  if (platform::Status created = folder->CreateTemporary(&file); !created.ok()) {
    return WriteOutcome(created, kCannotCreate, "cannot create");
  }
  platform::Status written;
  bool stopped = false;
  auto write = [&](std::span<const std::uint8_t> bytes) {
    written = file->Write(bytes);
    return written.ok();
  };
  DataForkSink data_fork(member, write);
  DecodeStatus decoded = DecodeMember(source_, member, [&](std::span<const std::uint8_t> bytes) {
    if (!KeepGoing()) {
      stopped = true;
      return false;
    }
    return data_fork(bytes);
  });
  if (stopped) return Interrupted();
  if (decoded == DecodeStatus::kOutputFailed) return WriteOutcome(written, kWriteError, "write");
  // The temporary file goes with `file` unless it is committed.
  if (decoded != DecodeStatus::kOk) return DecodeOutcome(decoded, member);
  platform::Status committed =
      file->Commit(path.name, MemberPermissions(member), MemberMtime(member), overwrite_);
  if (committed.code() == platform::kFileAlreadyExists) {
    return {kFileExists, "exists, not replaced"};
  }
  if (!committed.ok()) return WriteOutcome(committed, kCannotCreate, "cannot create");
  return {};
}

Outcome MemberExtractor::OpenFolder(const std::vector<std::string>& path,
                                    platform::OutputFolder** folder) {
  if (path.empty()) {
    *folder = base_;
    return {};
  }
  if (open_folder_ == nullptr || open_path_ != path) {
    open_folder_.reset();
    open_path_.clear();
    platform::OutputFolder* parent = base_;
    std::unique_ptr<platform::OutputFolder> child;
    for (const std::string& name : path) {
      bool created;
      platform::Status status = parent->OpenFolder(name, true, &child, &created);
      if (!status.ok()) {
        open_folder_.reset();
        return WriteOutcome(status, kCannotMakeFolder, "cannot create folder");
      }
      open_folder_ = std::move(child);
      parent = open_folder_.get();
    }
    open_path_ = path;
  }
  *folder = open_folder_.get();
  return {};
}

void MemberExtractor::Finish() {
  open_folder_.reset();
  for (const FolderEntry& entry : folder_entries_) {
    std::unique_ptr<platform::OutputFolder> folder, child;
    platform::OutputFolder* at = base_;
    bool created, found = true;
    for (const std::string& name : entry.path) {
      if (!at->OpenFolder(name, false, &child, &created).ok()) {
        found = false;
        break;
      }
      folder = std::move(child);
      at = folder.get();
    }
    if (found) at->SetAttributes(entry.permissions, entry.mtime);
  }
}

}  // namespace unlha32
