#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Runs `body` in a child process with a mount namespace of its own, in which /media and /mnt
// are empty tmpfs mounts, and returns what it returned: the real media folders are never
// touched, and whatever the body mounts or creates there goes with the child. The body may
// mount more (it runs as root). Returns false with `*skip` set where this cannot be done
// (not root, no mount namespaces); the test then skips. POSIX only.
bool InPrivateMedia(const std::function<std::string()>& body, std::string* result,
                    std::string* skip);

// Mounts an empty tmpfs on `folder` (made first when missing): a medium, for InPrivateMedia's
// body. Returns false when it cannot.
bool MountMedium(const std::string& folder);

// Every path below `folder`, one a line, sorted: what a run left in the media folders.
std::string TreeBelow(const std::string& folder);

// The parts of what a private-media body returned, cut at each `separator` it put between
// its steps.
std::vector<std::string> Sections(const std::string& result, const std::string& separator);

}  // namespace testing_support
