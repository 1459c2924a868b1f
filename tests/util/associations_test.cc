#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/posix/desktop_files.h"
#include "tests/support/scripted_host.h"
#include "tests/util/xdg_sandbox.h"
#include "util/c_file.h"
#include "util/c_reg.h"

namespace util {
namespace {

using platform::kClassesRoot;
using testing_support::WriteFile;

// A small desktop: shared MIME info, desktop entries and association lists, made fresh for
// each test below the sandbox's XDG folders.
class AssociationsTest : public ::testing::Test {
 protected:
  AssociationsTest() {
    const std::string system = sandbox_ / "system-data/";
    const std::string user = sandbox_ / "data/";
    WriteFile(system + "mime/globs2",
              "# weight:type:glob\n80:application/x-compressed-tar:*.tar.gz\n50:text/plain:*.txt\n"
              "10:text/x-log:*.TXT:cs\n50:text/x-c++src:*.C:cs\n50:text/x-csrc:*.c:cs\n"
              "50:text/x-claimed:*.claim\n50:image/png:*.png\n50:application/x-lzh:*.lzh\n"
              "50:text/x-foo:*.foo\n50:text/x-bar:*.[bB]ar\ngarbage line\n");
    WriteFile(system + "mime/subclasses", "text/x-csrc text/plain\n");
    WriteFile(system + "mime/text/plain.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<mime-type xmlns=\"http://www."
              "freedesktop.org/standards/shared-mime-info\" type=\"text/plain\">\n"
              "  <!--Created automatically. <comment>not this</comment>-->\n"
              "  <comment>plain text document</comment>\n"
              "  <comment xml:lang=\"ja\">平文テキスト &amp; &#x6587;書</comment>\n</mime-type>\n");
    // The user's own globs take "*.foo" away from text/x-foo.
    WriteFile(user + "mime/globs2", "0:text/x-foo:__NOGLOBS__\n");

    const std::string apps = system + "applications/";
    const std::string entry = "[Desktop Entry]\nType=Application\n";
    WriteFile(apps + "org.example.Editor.desktop",
              entry + "Name=Editor\nExec=example-editor --new-window %U\nMimeType=text/plain;\n");
    WriteFile(apps + "uninstalled.desktop",
              entry + "Name=Gone\nTryExec=/nonexistent/tool\nExec=tool %f\n");
    WriteFile(apps + "kde4/viewer.desktop", entry + "Name=Viewer\nExec=viewer\\s--slideshow %f\n");
    WriteFile(apps + "archiver.desktop", entry + "Name=Archiver\nExec=archiver --extract\n");
    WriteFile(apps + "unwanted.desktop", entry + "Name=Unwanted\nExec=unwanted %f\n");
    WriteFile(apps + "mimeinfo.cache",
              "[MIME Cache]\nimage/png=kde4-viewer.desktop;\n"
              "application/x-lzh=unwanted.desktop;archiver.desktop;\n");
    // The user hides a system application by a hidden entry of the same ID, and has no
    // mimeinfo.cache: the entries' own MimeType keys count.
    WriteFile(user + "applications/unwanted.desktop", entry + "Name=Unwanted\nHidden=true\n");
    WriteFile(user + "applications/sub/claimer.desktop",
              entry + "Name=Claimer\nExec=claimer %u\nMimeType=text/x-other;text/x-claimed;\n");
    WriteFile(sandbox_ / "config/mimeapps.list",
              "[Default Applications]\n"
              "text/plain=missing.desktop;uninstalled.desktop;org.example.Editor.desktop;\n");
  }

  util::testing::XdgSandbox sandbox_;
  cFile file_;
};

TEST_F(AssociationsTest, ExecutableGivesTheDefaultApplicationsCommandWithTheFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/u/my report.TXT", "example-editor --new-window \"/home/u/my report.TXT\""},
      // "*.C" (C++) and "*.c" (C) tie, as upper-casing loses the case, and C wins; a C source
      // is a kind of plain text: without an application of its own, the editor.
      {"main.c", "example-editor --new-window \"main.c\""},
      {"photo.png", "viewer --slideshow \"photo.png\""},
      // The hidden user entry masks "unwanted"; the archiver has no file code.
      {"backup.lzh", "archiver --extract backup.lzh"},
      {"x.claim", "claimer \"x.claim\""},
      {"data.xyz", ""},
      {"weird.foo", ""},  // its globs were taken away
  };
  for (const auto& [name, command] : cases) EXPECT_EQ(file_.Executable(name), command) << name;
}

TEST_F(AssociationsTest, GetFileTypeGivesTheMimeCommentOrTheExtensionBasedText) {
  EXPECT_EQ(file_.GetFileType("report.txt"), "plain text document");
  EXPECT_EQ(file_.GetFileType("data.xyz"), "XYZ ﾌｧｲﾙ");
  EXPECT_EQ(file_.GetFileType("README"), " ﾌｧｲﾙ");
  EXPECT_EQ(file_.GetFileType("song.bar"), "BAR ﾌｧｲﾙ");  // only plain "*.ext" globs count
  EXPECT_EQ(file_.GetFileType("archive.tar.gz"), "GZ ﾌｧｲﾙ");
  sandbox_.Set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(file_.GetFileType("report.txt"), "平文テキスト & 文書");
}

TEST_F(AssociationsTest, TheViewIsReadOnlyDefaultValuesUnderTheClassesRoot) {
  cReg reg;
  EXPECT_EQ(reg.RegGetString(kClassesRoot, ".txt", ""), "text/plain");
  EXPECT_EQ(reg.RegGetString(kClassesRoot, ".TXT", "Content Type"), "");
  EXPECT_EQ(reg.RegGetString(platform::kCurrentUser, ".TXT", ""), "");
  EXPECT_EQ(reg.RegGetString(kClassesRoot, "text/../../etc/passwd", ""), "");
  EXPECT_FALSE(testing_support::Exists(sandbox_.store()));
}

TEST_F(AssociationsTest, ValuesInTheStoreWinOverTheDesktop) {
  testing_support::ScriptedHost messages;
  cReg reg(messages);
  const std::string command = "txtfile\\shell\\open\\command";
  ASSERT_TRUE(reg.RegSetString(kClassesRoot, ".TXT", "", "txtfile"));
  ASSERT_TRUE(reg.RegSetString(kClassesRoot, "txtfile", "", "テキスト文書"));
  ASSERT_TRUE(reg.RegSetString(kClassesRoot, command, "", "\"/opt/My Ed/ed\" \"%1\" -l 1 %2"));
  EXPECT_EQ(file_.Executable("a b.txt"), "\"/opt/My Ed/ed\" \"a b.txt\" -l 1 %2");
  EXPECT_EQ(file_.GetFileType("a b.txt"), "テキスト文書");
  // The first "%1" only; blanks around the command go.
  ASSERT_TRUE(reg.RegSetString(kClassesRoot, command, "", "  twice %1 %1  "));
  EXPECT_EQ(file_.Executable("x.txt"), "twice x.txt %1");
  // Without a class name, the extension's own key holds the command.
  ASSERT_TRUE(reg.RegSetString(kClassesRoot, ".LOG\\shell\\open\\command", "", "pager"));
  EXPECT_EQ(file_.Executable("syslog.log"), "pager syslog.log");
  EXPECT_TRUE(messages.boxes.empty());
}

TEST(DesktopEntryTest, ValuesAreUnescapedAndLocalisedAndFieldCodesBecomeOnePlaceholder) {
  platform::posix::DesktopEntry entry;
  ASSERT_TRUE(platform::posix::ParseDesktopEntry(
      "# comment\n[Desktop Entry]\nName=Viewer\nName[ja_JP]=ビューア\n"
      "Exec=view\\sit\\\\now %f\nHidden=true\n[Desktop Action New]\nExec=other\n",
      {"ja_JP", "ja"}, &entry));
  EXPECT_EQ(entry.name, "ビューア");
  EXPECT_EQ(entry.exec, "view it\\now %f");
  EXPECT_TRUE(entry.hidden);
  EXPECT_FALSE(platform::posix::ParseDesktopEntry("[Other]\nExec=x\n", {}, &entry));

  entry = {};
  entry.name = "My Editor";
  entry.icon = "editor";
  const std::pair<const char*, const char*> cases[] = {
      {"app %f %F %u", "app \"%1\""},
      {"app %i %c %k %%", "app --icon editor \"My Editor\" /apps/x.desktop %"},
      {"app %d %D %n %N %v %m %z file", "app file"},
      {"sh -c \"exec foo %f\"", "sh -c \"exec foo %1\""},
      {"\"/opt/My App/bin/app\"   --flag\t%u", "\"/opt/My App/bin/app\" --flag \"%1\""},
      {"app --name=%f", "app --name=%1"},
      {"app \"quoted \\\"%%\\\" arg\"", "app \"quoted \\\"%\\\" arg\""},
  };
  for (const auto& [exec, expected] : cases) {
    entry.exec = exec;
    EXPECT_EQ(platform::posix::ExecToCommandLine(entry, "/apps/x.desktop"), expected) << exec;
  }
  entry.icon.clear();
  entry.name = "Plain";
  entry.exec = "app %i %c %f";
  EXPECT_EQ(platform::posix::ExecToCommandLine(entry, ""), "app Plain \"%1\"");
}

}  // namespace
}  // namespace util
