#include "unlha32/extract_command.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/output_folder.h"
#include "platform/text.h"
#include "unlha32/archive_reader.h"
#include "unlha32/keep_going.h"
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

  // A failure that belongs to no member (a damaged header, a pattern).
  void Note(const std::string& name, const Outcome& outcome) {
    text_ += platform::PrintableText(name) + ": " + outcome.reason + "\n";
    int& first = IsArchiveFault(outcome.code) ? first_fault_ : first_other_;
    if (first == kSuccess) first = outcome.code;
  }

  // Something worth knowing that is no failure.
  void Line(const std::string& text) { text_ += platform::PrintableText(text) + "\n"; }

  // The caller asked to stop: that is the result, whatever else failed.
  void Interrupt() { interrupted_ = true; }

  CommandResult Result(bool testing) {
    if (interrupted_) return {kInterrupted, text_ + "interrupted\n"};
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
  bool interrupted_ = false;
};

// What the medium would not keep, said once: "permission bits and modification times".
std::string RefusedText(const platform::DestinationRefusals& refused) {
  std::string text;
  auto add = [&](bool refused_kind, const char* kind) {
    if (!refused_kind) return;
    if (!text.empty()) text += " and ";
    text += kind;
  };
  add(refused.permissions, "permission bits");
  add(refused.owners, "owners");
  add(refused.times, "modification times");
  return text;
}

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
  std::vector<bool> matched(command.patterns.size(), false);
  while ((status = reader.Next(&member)) == HeaderStatus::kOk) {
    std::string name = StoredPath(member);
    bool selected = command.patterns.empty();
    for (std::size_t i = 0; i < command.patterns.size(); ++i) {
      if (MatchesWildcard(command.patterns[i], name)) selected = matched[i] = true;
    }
    if (!selected) continue;
    if (command.verb == 'e' && member.IsDirectory()) continue;  // nowhere to go without folders
    cut_short = member.data_end() > source->size();
    Outcome outcome = KeepGoing() ? extractor->Handle(member) : Outcome{kInterrupted, ""};
    if (outcome.code == kInterrupted) {
      report.Interrupt();
      break;
    }
    report.Add(name, outcome);
  }
  extractor->Finish();
  if (base != nullptr) {
    if (std::string refused = RefusedText(base->refusals()); !refused.empty()) {
      report.Line(command.base_folder + ": the destination does not keep " + refused +
                  "; the files were extracted without them");
    }
  }
  if (status != HeaderStatus::kOk) {
    // A member whose data is cut short has said so already.
    if (CodeForStatus(status) != kSuccess && !(cut_short && status == HeaderStatus::kTruncated)) {
      report.Note(command.archive, HeaderOutcome(status));
    }
    // Every LHA writer ends an archive with its end mark: a file that stops at a member's end
    // may well have been cut there.
    if (status == HeaderStatus::kEndOfFile && testing) {
      report.Note(command.archive,
                  {kHeaderBroken, "the archive ends without its end mark; it may be cut short"});
    }
    // Said only of an archive read to its end: a member after the damage might match.
    for (std::size_t i = 0; i < matched.size(); ++i) {
      if (!matched[i] && CodeForStatus(status) == kSuccess) {
        report.Note(command.patterns[i], {kBadCommand, "no member matches"});
      }
    }
  }
  return report.Result(testing);
}

}  // namespace unlha32
