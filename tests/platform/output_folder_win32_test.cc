// The folder that extraction writes into, on Windows (under Wine in CI): nothing through a
// link or junction, no name Windows reserves, nothing under a name before it is whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/output_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"

namespace platform {
namespace {

using testing_support::FilesBelow;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Status Extract(OutputFolder& folder, const std::string& name, const std::string& content,
               bool replace, std::optional<unsigned> mode = std::nullopt) {
  std::unique_ptr<OutputFile> file;
  Status status = folder.CreateTemporary(&file);
  if (!status.ok()) return status;
  status = file->Write(Bytes(content));
  if (!status.ok()) return status;
  return file->Commit(name, mode, kT, replace);
}

TEST(OutputFolderWin32Test, FilesAppearWholeUnderTheirNameOrNotAtAll) {
  TempDir dir;
  std::unique_ptr<OutputFolder> base;
  ASSERT_TRUE(OutputFolder::Open(dir / "out/base", &base).ok());
  std::unique_ptr<OutputFolder> sub;
  bool created = false;
  ASSERT_TRUE(base->OpenFolder("sub", true, &sub, &created).ok());
  EXPECT_TRUE(created);
  ASSERT_TRUE(Extract(*sub, "a.txt", "first", false, 0444).ok());
  EXPECT_EQ(ReadFile(dir / "out/base/sub/a.txt"), "first");
  EXPECT_EQ(testing_support::Mtime(dir / "out/base/sub/a.txt"), kT);
  EXPECT_TRUE(testing_support::AttributesOf(dir / "out/base/sub/a.txt") &
              testing_support::kReadOnly);

  // Without replacing, the name stays as it was; with it, a read-only file is replaced too.
  EXPECT_EQ(Extract(*sub, "A.TXT", "second", false).code(), kFileAlreadyExists);
  EXPECT_EQ(ReadFile(dir / "out/base/sub/a.txt"), "first");
  EXPECT_TRUE(Extract(*sub, "a.txt", "third", true).ok());
  EXPECT_EQ(ReadFile(dir / "out/base/sub/a.txt"), "third");
  bool exists = false;
  ASSERT_TRUE(sub->Exists("A.txt", &exists).ok());
  EXPECT_TRUE(exists);

  // A file given up before its commit leaves nothing; names Windows cannot hold fail.
  {
    std::unique_ptr<OutputFile> abandoned;
    ASSERT_TRUE(sub->CreateTemporary(&abandoned).ok());
    ASSERT_TRUE(abandoned->Write(Bytes("half")).ok());
  }
  for (const char* name : {"aux.txt", "trailing.", "a:b", "..", "x\\y"}) {
    EXPECT_EQ(Extract(*sub, name, "bad", true).code(), kBadFileName) << name;
    EXPECT_EQ(base->OpenFolder(name, true, &sub, &created).code(), kBadFileName) << name;
  }
  EXPECT_EQ(FilesBelow(dir / "out"), std::vector<std::string>{"base/sub/a.txt"});
  EXPECT_TRUE(sub->SetAttributes(std::nullopt, kT).ok());
}

TEST(OutputFolderWin32Test, NothingIsWrittenThroughALinkOrIntoAFile) {
  TempDir dir;
  testing_support::MakeFolders(dir / "base");
  testing_support::MakeFolders(dir / "elsewhere");
  WriteFile(dir / "base/file", "f");
  std::unique_ptr<OutputFolder> base, child;
  ASSERT_TRUE(OutputFolder::Open(dir / "base", &base).ok());
  bool created = false;
  EXPECT_EQ(base->OpenFolder("file", true, &child, &created).code(), kPathFileAccessError);
  EXPECT_EQ(base->OpenFolder("missing", false, &child, &created).code(), kPathNotFound);
  if (!testing_support::MakeFolderLink(dir / "base/link", dir / "elsewhere")) {
    GTEST_SKIP() << "this system makes neither junctions nor links";
  }
  EXPECT_EQ(base->OpenFolder("link", true, &child, &created).code(), kPathFileAccessError);
  EXPECT_EQ(FilesBelow(dir / "elsewhere"), std::vector<std::string>{});
}

}  // namespace
}  // namespace platform
