// The run against a chain of earlier backups, newest first: the newest backup that holds a
// file of the source file's name decides.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "engine/common.h"
#include "engine/public_function.h"
#include "platform/path_rules.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/platform_paths.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using testing_support::ScriptedHost;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

// A file's content and time in one tree; no content means the tree does not hold it.
struct Version {
  const char* content = nullptr;
  std::int64_t time = kT;
};

struct Row {
  const char* name;
  Version source, oldest, middle, newest;
  bool copied;
  // Differs from an earlier row's name in letter case only, which one folder holds only where
  // names are case-sensitive.
  bool case_twin = false;
};

TEST(ComparisonChainTest, TheNewestBackupHoldingTheNameDecidesAndEachFolderIsListedOnce) {
  const Row rows[] = {
      {"kept", {"aaaa"}, {"aaaa"}, {}, {}, false},
      {"changed", {"bbbbb", kT + 60}, {"bbbb"}, {}, {}, true},
      {"backed-up-later", {"cccc2", kT + 60}, {"cccc"}, {"cccc2", kT + 60}, {}, false},
      // An older backup with the same file does not hide a newer one that differs.
      {"newest-decides", {"dddd"}, {"dddd"}, {}, {"dddd-newer", kT + 120}, true},
      {"older-source", {"eeee"}, {}, {"eeee", kT + 60}, {}, false},
      {"new", {"ffff"}, {}, {}, {}, true},
      // The exact name decides before a newer file whose name differs only in case; a name
      // found only in another case (as DOS-era tools store it) still counts.
      {"x.txt", {"xx"}, {"xx"}, {}, {}, false},
      {"X.TXT", {"yyy", kT + 60}, {}, {}, {"yyy", kT + 60}, false, true},
      {"dos.txt", {"dos"}, {}, {}, {}, false},
      {"sub/deep", {"gg"}, {"gg"}, {}, {}, false},
      {"sub/changed", {"hhh", kT + 60}, {"hh"}, {"hhh"}, {}, true},
  };
  TempDir dir;
  std::vector<std::string> expected;
  for (const Row& row : rows) {
    if (row.case_twin && !platform::NamesAreCaseSensitive()) continue;
    WriteFile(dir / ("src/" + std::string(row.name)), row.source.content, row.source.time);
    const std::pair<const char*, Version> backups[] = {
        {"d1/", row.oldest}, {"d2/", row.middle}, {"d3/", row.newest}};
    for (const auto& [tree, version] : backups) {
      if (version.content)
        WriteFile(dir / (tree + std::string(row.name)), version.content, version.time);
    }
    if (row.copied) expected.push_back(testing_support::Canonical("src/" + std::string(row.name)));
  }
  WriteFile(dir / "d2/DOS.TXT", "dos", kT);

  DateFolderName = "20001231";
  ScriptedHost host;
  host.destination = dir / "out";
  host.pairs = {{dir / "src", "", {dir / "d3", dir / "d2", dir / "d1"}}};
  testing_support::FaultyFileSystem fs;
  std::map<std::string, int> listings;
  fs.list_fault = [&](const std::string& folder) {
    ++listings[testing_support::Canonical(folder.substr(dir.path().size() + 1))];
    return platform::Status::Ok();
  };
  std::vector<std::string> copied;
  RunOptions options;
  options.file_system = &fs;
  options.dry_run = [&](const std::string& source, const std::string&) {
    copied.push_back(testing_support::Canonical(source.substr(dir.path().size() + 1)));
  };
  RunBackup(host.job(), host, options);
  std::sort(copied.begin(), copied.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(copied, expected);
  for (const char* folder : {"d1/", "d2/", "d3/", "d1/sub/", "d2/sub/", "d3/sub/"}) {
    EXPECT_EQ(listings[folder], 1) << folder;
  }
}

}  // namespace
}  // namespace engine
