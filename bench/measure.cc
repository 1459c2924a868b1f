// Runs a command several times and prints its best and median wall time and its peak
// resident memory, so that the runner can compare tools measured the same way.
//
//   measure [--repeat N] [--before SHELL-COMMAND] -- COMMAND ARGS...
//
// Prints: best_seconds median_seconds max_rss_kib exit_status

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
  double seconds;
  long max_rss_kib;
  int status;
};

Sample RunOnce(std::vector<char*>& argv) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return Sample{seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128};
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::string before;
  int i = 1;
  for (; i < argc; ++i) {
    std::string flag = argv[i];
    if (flag == "--") {
      ++i;
      break;
    }
    if (flag == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else if (flag == "--before" && i + 1 < argc) {
      before = argv[++i];
    } else {
      std::fprintf(stderr, "usage: measure [--repeat N] [--before CMD] -- COMMAND ARGS...\n");
      return 2;
    }
  }
  if (i >= argc) return 2;
  std::vector<char*> command(argv + i, argv + argc);
  command.push_back(nullptr);

  std::vector<Sample> samples;
  for (int r = 0; r < std::max(repeat, 1); ++r) {
    if (!before.empty() && std::system(before.c_str()) != 0) {
      std::fprintf(stderr, "measure: --before command failed\n");
      return 1;
    }
    samples.push_back(RunOnce(command));
  }
  std::vector<double> times;
  long rss = 0;
  for (const Sample& sample : samples) {
    times.push_back(sample.seconds);
    rss = std::max(rss, sample.max_rss_kib);
  }
  std::sort(times.begin(), times.end());
  std::printf("%.3f %.3f %ld %d\n", times.front(), times[times.size() / 2], rss,
              samples.back().status);
  return 0;
}
