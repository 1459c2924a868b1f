#include "app/cli/progress_line.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "app/cli/display_width.h"
#include "app/cli/messages.h"
#include "app/cli/terminal_text.h"
#include "platform/console.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class TerminalProgress : public engine::ProgressView {
 public:
  TerminalProgress(std::FILE* output, const engine::RunStats* stats, const Clock::duration* waited)
      : output_(output), stats_(stats), waited_(waited) {}
  ~TerminalProgress() override {
    if (drawn_) std::fputs("\r\033[K", output_);
    std::fflush(output_);
  }

  void SetCaption(const std::string& text) override {
    caption_ = text;
    Draw(true);
  }
  void SetLabel1(const std::string& text) override {
    label1_ = text;
    Draw(false);
  }
  void SetLabel1Visible(bool) override {}
  void RefreshLabel1() override { Draw(false); }
  void SetLabel2(const std::string& text) override {
    label2_ = text;
    Draw(false);
  }
  void SetLabel2Visible(bool) override {}
  void RefreshLabel2() override { Draw(false); }
  void SetProgressMin(double value) override { min_ = value; }
  void SetProgressMax(double value) override { max_ = value; }
  void SetProgressValue(double value) override { value_ = value; }
  void SetProgressVisible(bool visible) override { bar_visible_ = visible; }
  void SetCancelVisible(bool) override {}
  void RefreshCancel() override {}
  void Refresh() override { Draw(false); }
  void Show() override { Draw(true); }

 private:
  // The run publishes its counts from the first copy on.
  bool Copying() const { return stats_ != nullptr && stats_->selected > 0; }

  std::string SearchLine() const {
    std::string line = TrLine(caption_) + " ";
    if (bar_visible_ && max_ > min_) {
      constexpr int kBarWidth = 20;
      double share = std::clamp((value_ - min_) / (max_ - min_), 0.0, 1.0);
      int filled = static_cast<int>(share * kBarWidth);
      line.push_back('[');
      line.append(static_cast<std::size_t>(filled), '#');
      line.append(static_cast<std::size_t>(kBarWidth - filled), '-');
      line.append("] ");
    }
    return line + TrLine(label1_) + " " + TrLine(label2_);
  }

  std::string CopyLine() {
    if (!copy_started_) {
      copy_started_ = true;
      copy_start_ = Clock::now();
      waited_before_copy_ = Waited();
    }
    CopyCounts counts;
    counts.files_done = stats_->copied + stats_->failed;
    counts.files_total = stats_->selected;
    counts.bytes_done = stats_->bytes_copied;
    counts.bytes_total = stats_->bytes_selected;
    counts.seconds = SecondsSince(copy_start_) -
                     std::chrono::duration<double>(Waited() - waited_before_copy_).count();
    return CopyStatus(counts) + "  " + label2_;
  }

  void Draw(bool now) {
    const Clock::time_point clock = Clock::now();
    if (!now && drawn_ && clock - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = clock;
    const std::string line = Printable(Copying() ? CopyLine() : SearchLine());
    // One column stays free: a terminal that wraps on writing its last column would
    // scroll the line instead of redrawing it.
    const std::size_t columns = TerminalWidth(output_) - 1;
    std::fprintf(output_, "\r\033[K%s", FitToWidth(line, columns).c_str());
    std::fflush(output_);
    drawn_ = true;
  }

  Clock::duration Waited() const { return waited_ != nullptr ? *waited_ : Clock::duration(); }

  std::FILE* output_;
  const engine::RunStats* stats_;
  const Clock::duration* waited_;
  Clock::duration waited_before_copy_{};
  std::string caption_, label1_, label2_;
  double min_ = 0, max_ = 1, value_ = 0;
  bool bar_visible_ = false;
  bool drawn_ = false;
  Clock::time_point last_draw_;
  bool copy_started_ = false;
  Clock::time_point copy_start_;
};

}  // namespace

std::string FormatBytes(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  // 1023.96 KiB would print as "1024.0 KiB": step up before rounding gets there.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string FormatDuration(double seconds) {
  const long total = seconds > 0 ? std::lround(seconds) : 0;
  const long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, rest);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", minutes, rest);
  }
  return text;
}

std::string CopyStatus(const CopyCounts& counts) {
  std::string status =
      Substitute(Tr("%s/%s files"),
                 {std::to_string(counts.files_done), std::to_string(counts.files_total)}) +
      "  " + FormatBytes(counts.bytes_done) + "/" + FormatBytes(counts.bytes_total);
  if (counts.seconds >= 1 && counts.bytes_done > 0) {
    const double rate = static_cast<double>(counts.bytes_done) / counts.seconds;
    const std::uint64_t left =
        counts.bytes_total > counts.bytes_done ? counts.bytes_total - counts.bytes_done : 0;
    status += "  " + FormatBytes(static_cast<std::uint64_t>(rate)) + "/s  " +
              Substitute(Tr("%s left"), {FormatDuration(static_cast<double>(left) / rate)});
  }
  return status;
}

std::unique_ptr<engine::ProgressView> MakeTerminalProgress(std::FILE* output,
                                                           const engine::RunStats* stats,
                                                           const Clock::duration* waited) {
  return std::make_unique<TerminalProgress>(output, stats, waited);
}

std::size_t TerminalWidth(std::FILE* output) {
  if (int columns = platform::TerminalColumns(output); columns > 0) {
    return static_cast<std::size_t>(columns);
  }
  if (const char* columns = std::getenv("COLUMNS")) {
    long value = std::strtol(columns, nullptr, 10);
    if (value > 0 && value < 10000) return static_cast<std::size_t>(value);
  }
  return 80;
}

}  // namespace cli
