#include "app/cli/verify.h"

#include <chrono>
#include <memory>
#include <vector>

#include "app/cli/exit_status.h"
#include "app/cli/progress_line.h"
#include "app/cli/terminal_text.h"
#include "engine/chain.h"
#include "engine/public_function.h"
#include "engine/run_record.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/input_file.h"
#include "platform/path_rules.h"
#include "platform/sha256.h"

namespace cli {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

class Verifier {
 public:
  Verifier(bool quiet, std::FILE* errors)
      : errors_(errors),
        terminal_(!quiet && platform::IsTerminal(errors)),
        quiet_(quiet),
        buffer_(new std::uint8_t[kBufferSize]),
        started_(std::chrono::steady_clock::now()) {}

  // Checks one date folder; false when it holds no record.
  bool Folder(const std::string& date_folder) {
    engine::RunRecord record;
    bool found = false;
    platform::Status status = engine::ReadRunRecord(date_folder, &record, &found);
    if (!status.ok()) {
      Report(status.message());
      return true;
    }
    if (!found || record.sums.empty()) return false;
    for (const engine::RecordedSum& sum : record.sums) {
      if (engine::CancelRequested || engine::AbortRequested) return true;
      File(date_folder + platform::Separator() + engine::PlatformPath(sum.path), sum.hex);
    }
    ++folders_;
    return true;
  }

  int Finish() {
    ClearLine();
    if (engine::CancelRequested || engine::AbortRequested) return kExitEndedEarly;
    if (!quiet_) {
      const double seconds = Seconds();
      std::fprintf(errors_, "grebewick-cli: %ld files checked in %ld date folder(s), %s in %.1f s",
                   checked_, folders_, FormatBytes(bytes_).c_str(), seconds);
      if (seconds > 0 && bytes_ > 0) {
        std::fprintf(errors_, " (%s/s)", FormatBytes(Rate(seconds)).c_str());
      }
      std::fprintf(errors_, "; %ld missing, %ld damaged\n", missing_, damaged_);
    }
    return missing_ + damaged_ + unreadable_ > 0 ? kExitSomeFailed : kExitDone;
  }

  void Report(const std::string& line) {
    ClearLine();
    std::fprintf(errors_, "grebewick-cli: %s\n", Printable(line).c_str());
  }

 private:
  void File(const std::string& path, const std::string& expected) {
    ++checked_;
    std::unique_ptr<platform::InputFile> file;
    platform::Status status = platform::InputFile::Open(path, &file);
    if (status.code() == platform::kFileNotFound) {
      ++missing_;
      Report(path + ": missing (" + status.message() + ")");
      return;
    }
    platform::Sha256 hash;
    std::size_t got = 0;
    while (status.ok()) {
      status = file->Read(std::span(buffer_.get(), kBufferSize), &got);
      if (!status.ok() || got == 0) break;
      hash.Add(buffer_.get(), got);
      bytes_ += got;
      Progress();
    }
    if (!status.ok()) {
      ++unreadable_;
      Report(path + ": unreadable: " + status.message());
    } else if (platform::HexDigest(hash.Finish()) != expected) {
      ++damaged_;
      Report(path + ": damaged (its SHA-256 differs from the record's)");
    }
  }

  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }
  std::uint64_t Rate(double seconds) const {
    return static_cast<std::uint64_t>(static_cast<double>(bytes_) / seconds);
  }

  void Progress() {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_drawn_ < kRedrawEvery) return;
    last_drawn_ = now;
    const double seconds = Seconds();
    std::string line = "checking: " + std::to_string(checked_) + " files  " + FormatBytes(bytes_);
    if (seconds >= 1) line += "  " + FormatBytes(Rate(seconds)) + "/s";
    line.resize(std::min(line.size(), TerminalWidth(errors_) - 1));
    std::fprintf(errors_, "\r%s\x1b[K", line.c_str());
    std::fflush(errors_);
    drawn_ = true;
  }

  void ClearLine() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", errors_);
    drawn_ = false;
  }

  std::FILE* errors_;
  const bool terminal_;
  const bool quiet_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  const std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_drawn_{};
  bool drawn_ = false;
  long folders_ = 0, checked_ = 0, missing_ = 0, damaged_ = 0, unreadable_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace

int Verify(const std::string& date_folder, const std::string& destination, bool quiet,
           std::FILE* errors) {
  Verifier verifier(quiet, errors);
  if (!date_folder.empty()) {
    std::string folder = date_folder;
    while (folder.size() > 1 && platform::IsSeparator(folder.back())) folder.pop_back();
    if (!verifier.Folder(folder)) {
      verifier.Report(folder + ": no record of a run (" + engine::kRecordFolder +
                      "/SHA256SUMS); nothing to check against");
      return kExitSomeFailed;
    }
    return verifier.Finish();
  }
  const std::vector<std::string> folders =
      engine::DateFoldersUpTo(platform::FileSystem::Default(), destination, "99991231");
  for (const std::string& folder : folders) {
    if (!verifier.Folder(folder) && !quiet) {
      verifier.Report("note: " + folder + " holds no record of a run; not checked");
    }
  }
  return verifier.Finish();
}

}  // namespace cli
