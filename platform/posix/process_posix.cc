#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

std::string FindProgram(std::string_view name) {
  if (name.empty()) return std::string();
  if (name.find('/') != std::string_view::npos) {
    std::string path(name);
    return posix::IsExecutableFile(path) ? path : std::string();
  }
  const char* env = std::getenv("PATH");
  std::string_view rest = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    std::size_t colon = rest.find(':');
    std::string folder(rest.substr(0, colon));
    // An empty entry means the current folder, but a program is never taken from there
    // unless PATH says so explicitly with ".".
    if (!folder.empty()) {
      std::string path = folder + (folder.back() == '/' ? "" : "/") + std::string(name);
      if (posix::IsExecutableFile(path)) return path;
    }
    if (colon == std::string_view::npos) return std::string();
    rest.remove_prefix(colon + 1);
  }
}

Status StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::string path = FindProgram(program);
  if (path.empty()) {
    return Status::Error(kFileNotFound, "start(" + program + "): no such program");
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  if (::posix_spawnattr_init(&attributes) != 0) {
    return Status::Error(kOutOfMemory, "start(" + path + "): cannot prepare");
  }
  // A session of its own: the program outlives us and never gets our terminal's signals.
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid;
  int err = ::posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  if (err != 0) return posix::ErrnoStatus(err, "start", path);
  // Collects the exit status whenever the program ends, so no zombie is left behind,
  // without making the caller wait.
  std::thread([pid] {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return Status::Ok();
}

}  // namespace platform
