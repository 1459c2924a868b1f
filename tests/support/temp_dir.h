#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative; on Windows with "\" for every "/".
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

// Sets the environment variable `name` to `value` until the object goes away.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// Writes `content` to `path`, creating missing folders, and sets its modification time when
// `mtime` is not -1 (Unix seconds).
void WriteFile(const std::string& path, const std::string& content, std::int64_t mtime = -1);
void SetMtime(const std::string& path, std::int64_t mtime);
std::int64_t Mtime(const std::string& path);
void MakeFolders(const std::string& path);
// The file's content, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// `path` for std::filesystem and file streams (on Windows its wide form, which reaches every
// name and long paths).
std::filesystem::path PathOf(const std::string& path);
// Every regular file below `root`, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& root);

}  // namespace testing_support
