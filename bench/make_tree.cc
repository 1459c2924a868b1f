// Makes the benchmark's trees: a source tree of N files over a realistic folder tree, a
// comparison copy of it with preserved times (the previous backup), and then changes to the
// source: a few per cent of files modified in place, resized, and added. Deterministic for a
// given seed, so every run measures the same work.
//
//   make_tree --root DIR --files N [--seed S] [--changed-percent P]
//
// Creates DIR/src and DIR/cmp (which must not exist) and prints a summary.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string root;
  long files = 200000;
  unsigned seed = 1;
  double changed_percent = 7.0;
};

struct File {
  std::string relative;
  std::uint32_t size;
  std::int64_t mtime;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "make_tree: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail("mkdir " + path);
}

void WriteFile(const std::string& path, std::uint32_t size, std::int64_t mtime, char fill) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Fail("create " + path);
  static std::vector<char> buffer;
  if (buffer.size() < size) buffer.resize(size);
  std::memset(buffer.data(), fill, size);
  if (size > 0 && ::write(fd, buffer.data(), size) != static_cast<ssize_t>(size)) {
    Fail("write " + path);
  }
  const struct timespec times[2] = {{static_cast<time_t>(mtime), 0},
                                    {static_cast<time_t>(mtime), 0}};
  if (::futimens(fd, times) != 0) Fail("utimens " + path);
  ::close(fd);
}

// Sizes of everyday files: mostly small, some tens of KiB, a few larger (5 KiB on average).
std::uint32_t FileSize(std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  double u = unit(random);
  if (u < 0.7) return static_cast<std::uint32_t>(unit(random) * 2048);
  if (u < 0.97) return 2048 + static_cast<std::uint32_t>(unit(random) * 14336);
  return 16384 + static_cast<std::uint32_t>(unit(random) * 114688);
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--root") {
      options.root = argv[i + 1];
    } else if (flag == "--files") {
      options.files = std::atol(argv[i + 1]);
    } else if (flag == "--seed") {
      options.seed = static_cast<unsigned>(std::atol(argv[i + 1]));
    } else if (flag == "--changed-percent") {
      options.changed_percent = std::atof(argv[i + 1]);
    } else {
      std::fprintf(stderr, "make_tree: unknown option %s\n", flag.c_str());
      std::exit(2);
    }
  }
  if (options.root.empty() || options.files <= 0) {
    std::fprintf(stderr,
                 "usage: make_tree --root DIR --files N [--seed S] [--changed-percent P]\n");
    std::exit(2);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = Parse(argc, argv);
  std::mt19937 random(options.seed);
  const std::string src = options.root + "/src";
  const std::string cmp = options.root + "/cmp";
  MakeFolder(options.root);
  MakeFolder(src);
  MakeFolder(cmp);

  // Folders: a tree grown breadth-first, 4 to 60 files per folder, 0 to 6 subfolders each,
  // up to 8 levels deep (10 past 300,000 files, which 8 levels cannot hold: the tree would end
  // in a chain of single folders), until the files are placed.
  const int max_depth = options.files > 300000 ? 10 : 8;
  std::vector<std::string> folders = {""};
  std::vector<int> depth = {0};
  std::vector<File> files;
  const std::int64_t base_time = 1700000000;
  std::uniform_int_distribution<int> files_per_folder(4, 60);
  std::uniform_int_distribution<int> subfolders(0, 6);
  std::uniform_int_distribution<std::int64_t> age(0, 3 * 365 * 86400);
  for (std::size_t f = 0; f < folders.size() && static_cast<long>(files.size()) < options.files;
       ++f) {
    const std::string folder = folders[f];
    int count = files_per_folder(random);
    for (int i = 0; i < count && static_cast<long>(files.size()) < options.files; ++i) {
      files.push_back(File{folder + "file" + std::to_string(files.size()) + ".dat",
                           FileSize(random), base_time - age(random)});
    }
    int children = depth[f] < max_depth ? subfolders(random) : 0;
    if (f + 1 == folders.size() && children == 0) children = 1;  // never run out of folders
    for (int c = 0; c < children; ++c) {
      folders.push_back(folder + "dir" + std::to_string(folders.size()) + "/");
      depth.push_back(depth[f] + 1);
    }
  }
  // Only folders that were reached exist; later ones had no files placed yet.
  long folder_count = 0;
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    MakeFolder(src + "/" + folder);
    MakeFolder(cmp + "/" + folder);
    ++folder_count;
  }
  for (const File& file : files) {
    WriteFile(src + "/" + file.relative, file.size, file.mtime, 'a');
    WriteFile(cmp + "/" + file.relative, file.size, file.mtime, 'a');
  }

  // The changes since that backup, each a third of the changed share.
  std::uniform_int_distribution<std::size_t> pick(0, files.size() - 1);
  const long each =
      static_cast<long>(options.changed_percent / 100.0 / 3.0 * static_cast<double>(files.size()));
  const std::int64_t later = base_time + 86400;
  for (long i = 0; i < each; ++i) {  // modified in place: same size, newer time
    File& file = files[pick(random)];
    WriteFile(src + "/" + file.relative, file.size, later, 'm');
  }
  for (long i = 0; i < each; ++i) {  // resized
    File& file = files[pick(random)];
    WriteFile(src + "/" + file.relative, file.size + 100, file.mtime, 'r');
  }
  for (long i = 0; i < each; ++i) {  // added
    const File& beside = files[pick(random)];
    std::string folder = beside.relative.substr(0, beside.relative.rfind('/') + 1);
    WriteFile(src + "/" + folder + "new" + std::to_string(i) + ".dat", FileSize(random), later,
              'n');
  }
  std::printf("make_tree: %zu files in %ld folders, %ld modified, %ld resized, %ld added\n",
              files.size(), folder_count + 1, each, each, each);
  return 0;
}
