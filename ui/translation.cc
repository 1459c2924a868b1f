#include "ui/translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace ui {
namespace {

// Texts that reach the windows only as lines of longer texts (the about box's credits, the
// system-information tool's message), listed for the catalogue.
[[maybe_unused]] constexpr const char* kWindowLines[] = {
    Id("「Grebewick」"),
    Id("本ソフトウェアは MIT ライセンスで配布されるフリーソフトウェアです。"),
    Id("著作権表示と許諾表示を残せば、誰でも無償で使用・改変・再配布できます。"),
    Id("本ソフトウェアは無保証です。使用による損害に作者は責任を負いません。"),
    Id("現時点ではｼｽﾃﾑ情報を使用できません"),
};

// po/en.po carries no message contexts, so every text is in the empty one.
constexpr char kContext[] = "";

std::unique_ptr<QTranslator>& Installed() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

// Where the build and an installation keep the windows' translations, relative to the
// program (GREBEWICK_TRANSLATIONS_FOLDER, from the build's folders).
QString TranslationsFolder() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/") +
         QStringLiteral(GREBEWICK_TRANSLATIONS_FOLDER);
}

bool LocaleAsksForEnglish() {
  const QLocale system = QLocale::system();
  if (system.language() == QLocale::C) return false;
  for (const QString& language : system.uiLanguages()) {
    if (language.startsWith(QStringLiteral("ja"))) return false;
    if (language.startsWith(QStringLiteral("en"))) return true;
  }
  return false;
}

}  // namespace

bool UseEnglish(bool english) {
  std::unique_ptr<QTranslator>& installed = Installed();
  if (!english) {
    if (installed) QCoreApplication::removeTranslator(installed.get());
    installed.reset();
    return false;
  }
  if (installed) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("grebewick_en"), TranslationsFolder())) return false;
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

bool InstallTranslationForLocale() { return LocaleAsksForEnglish() && UseEnglish(true); }

QString Tr(const char* id) {
  if (*id == '\0') return QString();
  return QCoreApplication::translate(kContext, id);
}

namespace {

constexpr auto kQtCatalogue = [](const char* id) -> std::optional<std::string> {
  if (!Installed()) return std::nullopt;
  const QString translated = Installed()->translate(kContext, id);
  if (translated.isEmpty()) return std::nullopt;
  return translated.toStdString();
};

}  // namespace

std::string TranslateLines(std::string_view text) {
  return engine::TranslateLines(text, kQtCatalogue);
}

std::string TranslateLine(std::string_view line) {
  return engine::TranslateLine(line, kQtCatalogue);
}

}  // namespace ui
