// Files read ahead of their copy: what a snapshot holds, when there is none, and that a copy
// given one writes that state of the file.

#include "platform/source_snapshot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sha256.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

constexpr std::int64_t kTime = 1577836800;  // 2020-01-01 00:00:00 UTC

TEST(SourceSnapshotTest, HoldsTheWholeFileWithItsAttributesOrNothing) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "small", "twelve bytes", kTime);
  ::chmod((dir / "small").c_str(), 0640);
  auto snapshot = TakeSnapshot(dir / "small", 12);
  ASSERT_NE(snapshot, nullptr);
  EXPECT_EQ(snapshot->data, "twelve bytes");
  EXPECT_EQ(snapshot->mode & 07777, 0640u);
  EXPECT_EQ(snapshot->modified.seconds, kTime);
  EXPECT_EQ(snapshot->owner, ::geteuid());
  testing_support::WriteFile(dir / "empty", "", kTime);
  ASSERT_NE(TakeSnapshot(dir / "empty", 12), nullptr);
  EXPECT_EQ(TakeSnapshot(dir / "empty", 12)->data, "");

  // The copy reads these itself, and says what is wrong with them.
  EXPECT_EQ(TakeSnapshot(dir / "small", 11), nullptr);  // larger than asked for
  EXPECT_EQ(TakeSnapshot(dir / "missing", 12), nullptr);
  testing_support::MakeFolders(dir / "folder");
  EXPECT_EQ(TakeSnapshot(dir / "folder", 12), nullptr);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(TakeSnapshot(dir / "fifo", 12), nullptr);  // and never waits for a writer
  testing_support::WriteFile(dir / "locked", "no", kTime);
  ::chmod((dir / "locked").c_str(), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(TakeSnapshot(dir / "locked", 12), nullptr);
  }
}

// A copy made from a snapshot is the file as it was then, whatever happened to it since:
// the next run sees the newer time and copies it again.
TEST(SourceSnapshotTest, ACopyGivenASnapshotWritesThatStateOfTheFile) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "src", "as read ahead", kTime);
  auto snapshot = TakeSnapshot(dir / "src", 1 << 20);
  ASSERT_NE(snapshot, nullptr);
  testing_support::WriteFile(dir / "src", "changed since, and longer", kTime + 60);

  auto tree = DestinationTree::Open(dir / "out");
  ASSERT_TRUE(tree->MakeFolders(dir / "out", [](std::string_view) { return std::string(); }).ok());
  Sha256 hash;
  const Status status = tree->CopyFile(
      dir / "src", dir / "out/dst", [] { return true; }, &hash, snapshot.get());
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_TRUE(tree->Finish().ok());
  EXPECT_EQ(testing_support::ReadFile(dir / "out/dst"), "as read ahead");
  EXPECT_EQ(testing_support::Mtime(dir / "out/dst"), kTime);
  Sha256 expected;
  expected.Add("as read ahead", 13);
  EXPECT_EQ(hash.Finish(), expected.Finish());
}

}  // namespace
}  // namespace platform
