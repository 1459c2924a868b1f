#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/public_function.h"
#include "engine/run_host.h"

namespace cli {

// "0 B", "999 B", "1.0 KiB", "12.3 MiB", ... (binary units).
std::string FormatBytes(std::uint64_t bytes);

// "0:07", "12:34", "1:02:03".
std::string FormatDuration(double seconds);

// How far the copy phase has come.
struct CopyCounts {
  long files_done = 0;
  long files_total = 0;
  std::uint64_t bytes_done = 0;
  std::uint64_t bytes_total = 0;
  double seconds = 0;  // since the copy phase began
};

// "12/345 files  1.2 MiB/3.4 GiB  25.3 MiB/s  0:42 left"; the rate and the time left only
// once a second has passed and bytes have been copied.
std::string CopyStatus(const CopyCounts& counts);

// The progress dialog as one line on the terminal `output`, redrawn at most ten times a
// second and always fitted to the terminal's width. While the copy phase runs, the line
// shows the counts of `stats` (which the run keeps up to date) and the file being copied;
// before it, the dialog's caption and labels. The rate and the time left count only the
// time spent copying: `waited`, when given, is the time spent so far waiting for answers,
// which the host keeps adding to. The line is cleared when the view goes.
std::unique_ptr<engine::ProgressView> MakeTerminalProgress(
    std::FILE* output, const engine::RunStats* stats,
    const std::chrono::steady_clock::duration* waited = nullptr);

// The width of the terminal `output`, in columns (80 when it cannot be told).
std::size_t TerminalWidth(std::FILE* output);

}  // namespace cli
