// The archive catalogue at the size of a long chain of packed backups: 300 archives of 2,000
// members each, the same names in every archive (each backup holds the same files), then a
// lookup for every name as the decision makes it. Prints bytes per member and nanoseconds
// per lookup.
//
//   catalogue_bench [--archives N] [--members M]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/catalogue.h"

namespace {

// The process's peak resident memory, in bytes.
double PeakBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024;
}

}  // namespace

int main(int argc, char** argv) {
  int archives = 300, members = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--archives") == 0) archives = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--members") == 0) members = std::atoi(argv[i + 1]);
  }
  const double before = PeakBytes();
  engine::ArchiveCatalogue catalogue;
  engine::ArchiveEntry entry;
  for (int a = 0; a < archives; ++a) {
    for (int m = 0; m < members; ++m) {
      entry.stored_name = "document-" + std::to_string(m) + ".txt";
      entry.FileName = "DOCUMENT-" + std::to_string(m) + ".TXT";
      entry.FilePath = "HOME\\USER\\DOCS\\FOLDER" + std::to_string(m % 40) + "\\";
      entry.FileOriginal = std::to_string(1000 + m % 900) + "," + std::to_string(100 + a % 900);
      entry.FileDate = "2024/0" + std::to_string(1 + a % 9) + "/15";
      entry.FileTime = "12:34:56";
      entry.instant = a % 2 == 0 ? std::optional<std::int64_t>(1700000000 + a) : std::nullopt;
      catalogue.Append(entry);
    }
  }
  const double count = static_cast<double>(catalogue.size());
  std::printf("members              %.0f\n", count);
  // The peak counts what the process really took, the growth of the vectors included.
  std::printf("bytes per member     %.1f (peak memory)\n", (PeakBytes() - before) / count);

  engine::DecisionContext context;
  const auto start = std::chrono::steady_clock::now();
  long unchanged = 0;
  const int rounds = 3;
  for (int r = 0; r < rounds; ++r) {
    for (int m = 0; m < members; ++m) {
      const std::string name = "document-" + std::to_string(m) + ".txt";
      const std::string upper = "DOCUMENT-" + std::to_string(m) + ".TXT";
      engine::SourceKey key{upper, name, 1000u + static_cast<unsigned>(m % 900) * 1000u + 150u,
                            1700000100};
      const std::string folder = "/HOME/USER/DOCS/FOLDER" + std::to_string(m % 40);
      unchanged += catalogue.Lookup(key, folder, true, context).SaysUnchanged;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("ns per lookup        %.0f (%d entries each)\n", seconds * 1e9 / (rounds * members),
              archives);
  std::printf("unchanged            %ld\n", unchanged / rounds);
  return 0;
}
