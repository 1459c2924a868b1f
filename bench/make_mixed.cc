// Makes the files of the decompression benchmark: about N MiB in files of 4 KiB to 4 MiB of
// the kinds a backup holds, in a few folders. Deterministic for a given seed.
//
//   make_mixed --root DIR [--mib N] [--seed S]
//
// Kinds, by share of the bytes: text (prose and source-like lines, 40 %), records (tables of
// numbers with small steps, 25 %), program-like binary (short runs of opcodes and offsets,
// 20 %), already-compressed data (random bytes, 10 %) and sparse data (long runs, 5 %).

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A small generator of our own, so that every platform makes the same bytes.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

const char* const kWords[] = {
    "the",     "backup", "folder", "file",   "changed", "copy",     "archive", "member",
    "time",    "size",   "return", "int",    "const",   "std",      "string",  "vector",
    "if",      "else",   "for",    "while",  "of",      "and",      "to",      "in",
    "is",      "that",   "with",   "status", "error",   "message",  "window",  "list",
    "source",  "target", "date",   "value",  "count",   "index",    "name",    "path",
    "compare", "newer",  "older",  "disk",   "medium",  "progress", "cancel",  "run"};

void AppendText(Random& random, std::size_t size, std::string& out) {
  while (out.size() < size) {
    int indent = static_cast<int>(random.Below(4)) * 2;
    out.append(static_cast<std::size_t>(indent), ' ');
    int words = 3 + static_cast<int>(random.Below(10));
    for (int w = 0; w < words; ++w) {
      out += kWords[random.Below(sizeof kWords / sizeof kWords[0])];
      out += w + 1 < words ? (random.Below(8) == 0 ? ", " : " ") : ";\n";
    }
    if (random.Below(5) == 0) out += std::to_string(random.Below(100000)) + "\n";
  }
  out.resize(size);
}

void AppendRecords(Random& random, std::size_t size, std::string& out) {
  std::uint32_t id = random.Below(1000), amount = random.Below(100000);
  while (out.size() < size) {
    id += 1 + random.Below(3);
    amount += random.Below(200) - 100;
    char record[16];
    std::memcpy(record, &id, 4);
    std::memcpy(record + 4, &amount, 4);
    std::uint32_t flags = random.Below(4), day = 19000 + id / 50;
    std::memcpy(record + 8, &flags, 4);
    std::memcpy(record + 12, &day, 4);
    out.append(record, sizeof record);
  }
  out.resize(size);
}

void AppendProgram(Random& random, std::size_t size, std::string& out) {
  static const unsigned char kOpcodes[] = {0x48, 0x89, 0x8B, 0xE8, 0xC3, 0x55, 0x5D, 0x83,
                                           0x0F, 0x85, 0x74, 0xFF, 0x31, 0xC0, 0x41, 0x4C};
  while (out.size() < size) {
    int length = 2 + static_cast<int>(random.Below(6));
    for (int i = 0; i < length; ++i) {
      out += static_cast<char>(kOpcodes[random.Below(sizeof kOpcodes)]);
    }
    std::uint32_t offset = random.Below(4096);
    out.append(reinterpret_cast<const char*>(&offset), random.Below(2) == 0 ? 2 : 4);
  }
  out.resize(size);
}

void AppendRandom(Random& random, std::size_t size, std::string& out) {
  while (out.size() < size) {
    std::uint64_t word = random.Next();
    out.append(reinterpret_cast<const char*>(&word), sizeof word);
  }
  out.resize(size);
}

void AppendSparse(Random& random, std::size_t size, std::string& out) {
  while (out.size() < size) {
    out.append(1 + random.Below(4096), '\0');
    out.append(1 + random.Below(64), static_cast<char>(random.Below(256)));
  }
  out.resize(size);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    std::fprintf(stderr, "make_mixed: write %s: %s\n", path.c_str(), std::strerror(errno));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  long mib = 100;
  std::uint64_t seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--root") {
      root = argv[i + 1];
    } else if (flag == "--mib") {
      mib = std::atol(argv[i + 1]);
    } else if (flag == "--seed") {
      seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
  }
  if (root.empty() || mib <= 0) {
    std::fprintf(stderr, "usage: make_mixed --root DIR [--mib N] [--seed S]\n");
    return 2;
  }
  using Maker = void (*)(Random&, std::size_t, std::string&);
  const struct {
    const char* folder;
    Maker make;
    int percent;
  } kKinds[] = {{"text", AppendText, 40},
                {"records", AppendRecords, 25},
                {"program", AppendProgram, 20},
                {"compressed", AppendRandom, 10},
                {"sparse", AppendSparse, 5}};
  Random random(seed);
  ::mkdir(root.c_str(), 0755);
  std::uint64_t total = 0;
  int files = 0;
  for (const auto& kind : kKinds) {
    const std::string folder = root + "/" + kind.folder;
    ::mkdir(folder.c_str(), 0755);
    const std::uint64_t share = static_cast<std::uint64_t>(mib) * 1024 * 1024 * kind.percent / 100;
    for (std::uint64_t made = 0; made < share; ++files) {
      // Sizes spread over three orders of magnitude, as in a real tree.
      std::size_t size = std::size_t{4096} << random.Below(11);
      size = std::min<std::uint64_t>(size + random.Below(4096), share - made);
      std::string bytes;
      bytes.reserve(size);
      kind.make(random, size, bytes);
      WriteFile(folder + "/" + std::to_string(files) + ".dat", bytes);
      made += size;
    }
    total += share;
  }
  std::printf("make_mixed: %d files, %llu bytes in %s\n", files,
              static_cast<unsigned long long>(total), root.c_str());
  return 0;
}
