#include <gtest/gtest.h>

#include <string>

#include "platform/posix/desktop_files.h"
#include "tests/util/test_support.h"
#include "util/c_file.h"
#include "util/c_reg.h"

namespace util {
namespace {

using testing::WriteFile;
using testing::XdgSandbox;

// A small desktop: shared MIME info, desktop entries and association lists, made fresh for
// each test below the sandbox's XDG folders.
class AssociationsTest : public ::testing::Test {
 protected:
  AssociationsTest() {
    std::string mime = sandbox_.data_dir() + "/mime/";
    WriteFile(mime + "globs2",
              "# weight:type:glob\n"
              "80:application/x-compressed-tar:*.tar.gz\n"
              "50:text/plain:*.txt\n"
              "10:text/x-log:*.TXT:cs\n"
              "50:text/x-c++src:*.C:cs\n"
              "50:text/x-csrc:*.c:cs\n"
              "50:text/x-claimed:*.claim\n"
              "50:image/png:*.png\n"
              "50:application/x-lzh-compressed:*.lzh\n"
              "50:text/x-foo:*.foo\n"
              "50:text/x-bar:*.[bB]ar\n"
              "garbage line\n");
    WriteFile(mime + "subclasses", "text/x-csrc text/plain\n");
    WriteFile(mime + "text/plain.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<mime-type xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\" "
              "type=\"text/plain\">\n"
              "  <!--Created automatically. <comment>not this</comment>-->\n"
              "  <comment>plain text document</comment>\n"
              "  <comment xml:lang=\"ja\">平文テキスト &amp; &#x6587;書</comment>\n"
              "</mime-type>\n");
    // The user's own globs take "*.foo" away from text/x-foo.
    WriteFile(sandbox_.data_home() + "/mime/globs2", "0:text/x-foo:__NOGLOBS__\n");

    std::string apps = sandbox_.data_dir() + "/applications/";
    WriteFile(apps + "org.example.Editor.desktop",
              "[Desktop Entry]\nType=Application\nName=Editor\nName[ja]=エディタ\n"
              "Icon=accessories-text-editor\nExec=example-editor --new-window %U\n"
              "MimeType=text/plain;\n");
    WriteFile(apps + "uninstalled.desktop",
              "[Desktop Entry]\nType=Application\nName=Gone\nTryExec=/nonexistent/tool\n"
              "Exec=/nonexistent/tool %f\n");
    WriteFile(
        apps + "kde4/viewer.desktop",
        "[Desktop Entry]\nType=Application\nName=Image Viewer\nExec=viewer\\s--slideshow %f\n");
    WriteFile(apps + "archiver.desktop",
              "[Desktop Entry]\nType=Application\nName=Archiver\nExec=archiver --extract\n");
    WriteFile(apps + "unwanted.desktop",
              "[Desktop Entry]\nType=Application\nName=Unwanted\nExec=unwanted %f\n");
    WriteFile(apps + "mimeinfo.cache",
              "[MIME Cache]\nimage/png=kde4-viewer.desktop;\n"
              "application/x-lzh-compressed=unwanted.desktop;archiver.desktop;\n");
    // The user hides a system application by a hidden entry of the same ID.
    WriteFile(sandbox_.data_home() + "/applications/unwanted.desktop",
              "[Desktop Entry]\nType=Application\nName=Unwanted\nHidden=true\n");
    // No mimeinfo.cache here: the entries' own MimeType keys count.
    WriteFile(sandbox_.data_home() + "/applications/sub/claimer.desktop",
              "[Desktop Entry]\nType=Application\nName=Claimer\nExec=claimer %u\n"
              "MimeType=text/x-other;text/x-claimed;\n");
    WriteFile(sandbox_.config_home() + "/mimeapps.list",
              "[Default Applications]\n"
              "text/plain=missing.desktop;uninstalled.desktop;org.example.Editor.desktop;\n");
  }

  XdgSandbox sandbox_;
  cFile file_;
};

TEST_F(AssociationsTest, ExecutableGivesTheDefaultEditorsCommandWithTheFileName) {
  EXPECT_EQ(file_.Executable("report.txt"), "example-editor --new-window \"report.txt\"");
  EXPECT_EQ(file_.Executable("/home/u/my report.TXT"),
            "example-editor --new-window \"/home/u/my report.TXT\"");
  // A C source is a kind of plain text: without an application of its own, the editor.
  EXPECT_EQ(file_.Executable("main.c"), "example-editor --new-window \"main.c\"");
}

TEST_F(AssociationsTest, ApplicationsAreFoundThroughTheCachesAndSubfolders) {
  EXPECT_EQ(file_.Executable("photo.png"), "viewer --slideshow \"photo.png\"");
  // The hidden user entry masks "unwanted"; the archiver has no file code.
  EXPECT_EQ(file_.Executable("backup.lzh"), "archiver --extract backup.lzh");
  EXPECT_EQ(file_.Executable("x.claim"), "claimer \"x.claim\"");
}

TEST_F(AssociationsTest, AnExtensionMatchingSeveralGlobsGetsTheLowerCaseOnesType) {
  // "*.C" (C++) and "*.c" (C) tie; the extension's case is lost to upper-casing.
  EXPECT_EQ(cReg().RegGetString(platform::kClassesRoot, ".C", ""), "text/x-csrc");
  EXPECT_EQ(cReg().RegGetString(platform::kClassesRoot, ".TXT", ""), "text/plain");
}

TEST_F(AssociationsTest, UnknownTypesHaveNoCommandAndAnExtensionBasedDescription) {
  EXPECT_EQ(file_.Executable("data.xyz"), "");
  EXPECT_EQ(file_.GetFileType("data.xyz"), "XYZ ﾌｧｲﾙ");
  EXPECT_EQ(file_.Executable("README"), "");
  EXPECT_EQ(file_.GetFileType("README"), " ﾌｧｲﾙ");
  EXPECT_EQ(file_.Executable("weird.foo"), "");          // its globs were taken away
  EXPECT_EQ(file_.GetFileType("song.bar"), "BAR ﾌｧｲﾙ");  // only plain "*.ext" globs count
  EXPECT_EQ(file_.GetFileType("archive.tar.gz"), "GZ ﾌｧｲﾙ");
}

TEST_F(AssociationsTest, GetFileTypeGivesTheMimeCommentInTheUsersLanguage) {
  EXPECT_EQ(file_.GetFileType("report.txt"), "plain text document");
  sandbox_.environment().Set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(file_.GetFileType("report.txt"), "平文テキスト & 文書");
}

TEST_F(AssociationsTest, TheViewIsReadOnlyDefaultValuesUnderTheClassesRoot) {
  cReg reg;
  EXPECT_EQ(reg.RegGetString(platform::kClassesRoot, ".TXT", ""), "text/plain");
  EXPECT_EQ(reg.RegGetString(platform::kClassesRoot, ".txt", ""), "text/plain");
  EXPECT_EQ(reg.RegGetString(platform::kClassesRoot, ".TXT", "Content Type"), "");
  EXPECT_EQ(reg.RegGetString(platform::kCurrentUser, ".TXT", ""), "");
  EXPECT_EQ(reg.RegGetString(platform::kClassesRoot, "text/plain\\Shell\\Open\\Command", ""),
            "example-editor --new-window \"%1\"");
  EXPECT_EQ(reg.RegGetString(platform::kClassesRoot, "text/../../etc/passwd", ""), "");
  EXPECT_FALSE(testing::PathExists(sandbox_.store()));
}

TEST_F(AssociationsTest, ValuesInTheStoreWinOverTheDesktop) {
  testing::RecordingMessageBox messages;
  cReg reg(messages);
  ASSERT_TRUE(reg.RegSetString(platform::kClassesRoot, ".TXT", "", "txtfile"));
  ASSERT_TRUE(reg.RegSetString(platform::kClassesRoot, "txtfile\\shell\\open\\command", "",
                               "\"/opt/My Editor/edit\" \"%1\" --line 1 %2"));
  ASSERT_TRUE(reg.RegSetString(platform::kClassesRoot, "txtfile", "", "テキスト文書"));
  EXPECT_EQ(file_.Executable("a b.txt"), "\"/opt/My Editor/edit\" \"a b.txt\" --line 1 %2");
  EXPECT_EQ(file_.GetFileType("a b.txt"), "テキスト文書");
  // The first "%1" only; blanks around the command go.
  ASSERT_TRUE(reg.RegSetString(platform::kClassesRoot, "txtfile\\shell\\open\\command", "",
                               "  twice %1 %1  "));
  EXPECT_EQ(file_.Executable("x.txt"), "twice x.txt %1");
  // Without a class name, the extension's own key holds the command.
  ASSERT_TRUE(reg.RegSetString(platform::kClassesRoot, ".LOG\\shell\\open\\command", "", "pager"));
  EXPECT_EQ(file_.Executable("syslog.log"), "pager syslog.log");
  EXPECT_TRUE(messages.shown.empty());
}

struct ExecCase {
  const char* exec;
  const char* expected;
};

TEST(ExecToCommandLineTest, FieldCodesFollowTheDesktopEntryRules) {
  platform::posix::DesktopEntry entry;
  entry.name = "My Editor";
  entry.icon = "editor";
  const ExecCase cases[] = {
      {"gedit %U", "gedit \"%1\""},
      {"app %f %F %u", "app \"%1\""},
      {"app %i %c %k %%", "app --icon editor \"My Editor\" /apps/x.desktop %"},
      {"app %d %D %n %N %v %m %z file", "app file"},
      {"sh -c \"exec foo %f\"", "sh -c \"exec foo %1\""},
      {"\"/opt/My App/bin/app\"   --flag\t%u", "\"/opt/My App/bin/app\" --flag \"%1\""},
      {"app --name=%f", "app --name=%1"},
      {"app \"quoted \\\"%%\\\" arg\"", "app \"quoted \\\"%\\\" arg\""},
      {"app 100%%", "app 100%"},
      {"app", "app"},
      {"", ""},
  };
  for (const ExecCase& c : cases) {
    entry.exec = c.exec;
    EXPECT_EQ(platform::posix::ExecToCommandLine(entry, "/apps/x.desktop"), c.expected) << c.exec;
  }
  entry.icon.clear();
  entry.name = "Plain";
  entry.exec = "app %i %c %f";
  EXPECT_EQ(platform::posix::ExecToCommandLine(entry, ""), "app Plain \"%1\"");
}

TEST(DesktopEntryTest, ValuesAreUnescapedAndLocalised) {
  platform::posix::DesktopEntry entry;
  ASSERT_TRUE(platform::posix::ParseDesktopEntry(
      "# comment\n[Desktop Entry]\nName=Viewer\nName[ja_JP]=ビューア\nExec=view\\sit\\\\now %f\n"
      "Hidden=true\n[Desktop Action New]\nExec=other\n",
      {"ja_JP", "ja"}, &entry));
  EXPECT_EQ(entry.name, "ビューア");
  EXPECT_EQ(entry.exec, "view it\\now %f");
  EXPECT_TRUE(entry.hidden);
  EXPECT_FALSE(platform::posix::ParseDesktopEntry("[Other]\nExec=x\n", {}, &entry));
}

TEST(MimeTypeNameTest, OnlyMediaSlashSubtypeShapesAreTypes) {
  EXPECT_TRUE(platform::posix::IsMimeTypeName("text/plain"));
  EXPECT_TRUE(platform::posix::IsMimeTypeName("application/vnd.ms-excel.sheet.macroEnabled.12"));
  for (const char* bad :
       {"text", "/plain", "text/", "a/b/c", "../x", "text/..", "text/ x", "text/plain\n", ".TXT"}) {
    EXPECT_FALSE(platform::posix::IsMimeTypeName(bad)) << bad;
  }
}

}  // namespace
}  // namespace util
