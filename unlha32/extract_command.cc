#include "unlha32/extract_command.h"

#include <cinttypes>
#include <cstdio>
#include <memory>

#include "platform/output_folder.h"
#include "platform/text.h"
#include "unlha32/archive_reader.h"
#include "unlha32/member_extractor.h"
#include "unlha32/member_name.h"
#include "unlha32/result_codes.h"
#include "unlha32/wildcard.h"

namespace unlha32 {
namespace {

// Codes that say the archive itself is damaged or cannot be read, as against a member that
// could not be written where it was asked to go.
bool IsArchiveFault(int code) {
  return code == kUnknownMethod || code == kDataCrc || code == kDamagedData || code == kHeaderCrc ||
         code == kHeaderBroken || code == kReadError;
}

class Report {
 public:
  void Add(const std::string& name, const Outcome& outcome) {
    ++members_;
    if (outcome.code == kSuccess) return;
    ++failed_;
    Note(name, outcome);
  }

  // A failure that belongs to no member (a damaged header).
  void Note(const std::string& name, const Outcome& outcome) {
    text_ += platform::PrintableText(name) + ": " + outcome.reason + "\n";
    int& first = IsArchiveFault(outcome.code) ? first_fault_ : first_other_;
    if (first == kSuccess) first = outcome.code;
  }

  CommandResult Result(bool testing) {
    char line[96];
    if (testing) {
      std::snprintf(line, sizeof line, "%" PRIu64 " member(s) tested, %" PRIu64 " failed\n",
                    members_, failed_);
    } else {
      std::snprintf(line, sizeof line, "%" PRIu64 " of %" PRIu64 " member(s) extracted\n",
                    members_ - failed_, members_);
    }
    return {first_fault_ != kSuccess ? first_fault_ : first_other_, text_ + line};
  }

 private:
  std::string text_;
  std::uint64_t members_ = 0;
  std::uint64_t failed_ = 0;
  int first_fault_ = kSuccess;
  int first_other_ = kSuccess;
};

Outcome HeaderOutcome(HeaderStatus status) {
  switch (CodeForStatus(status)) {
    case kHeaderCrc:
      return {kHeaderCrc, "a header's checksum is wrong; the members after it are not read"};
    case kReadError:
      return {kReadError, "read error; the members after it are not read"};
    default:
      return {kHeaderBroken, "a header is damaged or cut short; the members after it are not read"};
  }
}

}  // namespace

CommandResult ExtractMembers(const Command& command) {
  std::unique_ptr<FileSource> source = FileSource::Open(command.archive);
  if (!source) return {kCannotOpen, ""};
  ArchiveReader reader(*source, {.recovery = command.recovery});
  ArchiveStart start = reader.Start();
  if (start.kind == ArchiveStart::Kind::kNotArchive) return {kNotArchive, ""};
  if (start.kind == ArchiveStart::Kind::kReadError) return {kReadError, ""};

  const bool testing = command.verb == 't';
  std::unique_ptr<platform::OutputFolder> base;
  if (!testing) {
    const std::string& folder = command.base_folder.empty() ? "." : command.base_folder;
    platform::Status opened = platform::OutputFolder::Open(folder, &base);
    if (!opened.ok()) {
      return {kCannotMakeFolder, platform::PrintableText(opened.message()) + "\n"};
    }
  }
  std::unique_ptr<MemberExtractor> extractor =
      testing ? std::make_unique<MemberExtractor>(*source)
              : std::make_unique<MemberExtractor>(*source, *base, command.verb == 'x',
                                                  command.overwrite);
  Report report;
  Member member;
  HeaderStatus status;
  bool cut_short = false;
  while ((status = reader.Next(&member)) == HeaderStatus::kOk) {
    std::string name = StoredPath(member);
    if (!MatchesAnyWildcard(command.patterns, name)) continue;
    if (command.verb == 'e' && member.IsDirectory()) continue;  // nowhere to go without folders
    cut_short = member.data_end() > source->size();
    report.Add(name, extractor->Handle(member));
  }
  extractor->Finish();
  // A member whose data is cut short has said so already.
  if (CodeForStatus(status) != kSuccess && !(cut_short && status == HeaderStatus::kTruncated)) {
    report.Note(command.archive, HeaderOutcome(status));
  }
  return report.Result(testing);
}

}  // namespace unlha32
