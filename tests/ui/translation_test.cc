// The windows' English: captions, the run's messages line by line and the list's "none",
// only while the English translation is installed.
#include "ui/translation.h"

#include "test_support.h"

class TranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { ui::UseEnglish(false); }

  void japaneseUnlessEnglishIsInstalled() {
    QCOMPARE(ui::Tr("実行"), QStringLiteral("実行"));
    QCOMPARE(ui::TranslateLine("ｷｬﾝｾﾙ確認"), std::string("ｷｬﾝｾﾙ確認"));
    ui::ListBox list;
    list.AddItem("なし");
    QCOMPARE(list.item(0)->text(), QStringLiteral("なし"));
  }

  void englishCaptionsMessagesAndListValues() {
    QVERIFY(ui::UseEnglish(true));
    QCOMPARE(ui::Tr("実行"), QStringLiteral("Run"));
    QCOMPARE(ui::Tr("ｻﾌﾞﾌｫﾙﾀﾞも対象"), QStringLiteral("Subfolders too"));
    QCOMPARE(ui::TranslateLines("ファイルのコピーに失敗しました。\r/home/u/a.txt\r"
                                "残りのファイルをコピーしますか？"),
             std::string("Could not copy the file.\r/home/u/a.txt\rCopy the remaining files?"));
    QCOMPARE(ui::TranslateLine("OLD.LZH読込中"), std::string("Reading OLD.LZH"));
    // The list shows "None" but keeps the value the run reads.
    ui::ListBox list;
    list.AddItem("なし");
    list.AddItem("/media/backup");
    QCOMPARE(list.item(0)->text(), QStringLiteral("None"));
    QCOMPARE(list.List(0), std::string("なし"));
    QCOMPARE(list.item(1)->text(), QStringLiteral("/media/backup"));

    QVERIFY(!ui::UseEnglish(false));
    QCOMPARE(ui::Tr("実行"), QStringLiteral("実行"));
  }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
