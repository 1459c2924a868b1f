#include "tests/support/private_media.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace testing_support {

bool InPrivateMedia(const std::function<std::string()>& body, std::string* result,
                    std::string* skip) {
  if (::geteuid() != 0) {
    *skip = "a mount namespace of the test's own needs root";
    return false;
  }
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) {
    *skip = "no pipe";
    return false;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string answer;
    // Private all the way down, so that no mount of the child's reaches the machine.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      answer = "\x01no mount namespace here";
    } else if (::mount("tmpfs", "/media", "tmpfs", 0, "size=4m") != 0 ||
               ::mount("tmpfs", "/mnt", "tmpfs", 0, "size=4m") != 0) {
      answer = "\x01no tmpfs over /media and /mnt";
    } else {
      answer = body();
    }
    for (std::size_t done = 0; done < answer.size();) {
      ssize_t n = ::write(pipe_fds[1], answer.data() + done, answer.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!answer.empty() && answer[0] == '\x01') {
    *skip = answer.substr(1);
    return false;
  }
  *result = answer;
  return true;
}

bool MountMedium(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m") == 0;
}

std::string TreeBelow(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    paths.push_back(it->path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::string text;
  for (const std::string& path : paths) text += path + "\n";
  return text;
}

std::vector<std::string> Sections(const std::string& result, const std::string& separator) {
  std::vector<std::string> sections;
  for (std::size_t start = 0;;) {
    std::size_t end = result.find(separator, start);
    sections.push_back(result.substr(start, end - start));
    if (end == std::string::npos) return sections;
    start = end + separator.size();
  }
}

}  // namespace testing_support
