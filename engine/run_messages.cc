#include "engine/run_messages.h"

#include <vector>

namespace engine {
namespace {

// The run's texts as the run and the archive reader write them, listed for the catalogues;
// po/check keeps the list in step with the sources.
[[maybe_unused]] constexpr const char* kRunTexts[] = {
    // titles
    Id("フォルダ指定エラー"),
    Id("ｷｬﾝｾﾙ確認"),
    Id("書庫読込エラー"),
    Id("対象検索結果"),
    Id("コピーエラー"),
    Id("おしらせ"),
    Id("フォルダ作成エラー"),
    // the progress dialog
    Id("対象ファイル検索中"),
    Id("しばらくお待ちください・・・"),
    Id("対象ファイルコピー中・・・"),
    // message lines
    Id("コピー先の指定が間違っています。"),
    Id("キャンセルして良いですか？"),
    Id("書庫を読み込めませんでした。"),
    Id("処理を中止します。"),
    Id("格納ﾌｧｲﾙ数が 32,767 を超えています。"),
    Id("コピー対象となるファイルはありません。"),
    Id("ファイルのコピーに失敗しました。"),
    Id("残りのファイルをコピーしますか？"),
    Id("コピーしたファイルをディスクに書き込めませんでした。"),
    Id("予期しないエラーのため処理を中止します。"),
    Id("このバージョンではネットワーク対応しておりません。"),
    Id("m(_!_)m"),
    Id("フォルダが作成できませんでした。"),
    Id("書庫ライブラリを使用できません。LZH 書庫は読み込まれません。"),
    Id("ヽ( ´ー｀)丿ﾌｯ"),
    // the archive library's error texts
    Id("展開する為のﾃﾞｨｽｸの空きが足りません。"),
    Id("展開先のﾌｧｲﾙはﾘｰﾄﾞｵﾝﾘｰです。"),
    Id("ﾕｰｻﾞｰによって展開をｽｷｯﾌﾟされました。"),
    Id("格納ﾌｧｲﾙの種類がMS-DOSで扱える形式(BINARY 及び TEXT)以外です。"),
    Id("UnLHA32.DLLで扱えない格納ﾓｰﾄﾞで格納されています。"),
    Id("格納ﾌｧｲﾙにﾊﾟｽﾜｰﾄﾞがかかっています。"),
    Id("格納ﾌｧｲﾙがUnLHA32.DLLが対応していないﾊﾞｰｼﾞｮﾝの形式です。"),
    Id("格納ﾌｧｲﾙのﾁｪｯｸｻﾑが合っていません。"),
    Id("展開時にﾌｧｲﾙを開けませんでした。"),
    Id("より新しいﾌｧｲﾙが展開先に存在しています。"),
    Id("ﾌｧｲﾙは解凍先に存在していません。"),
    Id("ﾌｧｲﾙが展開先に既に存在しています。"),
    Id("格納ﾌｧｲﾙ数が限界を超えている。処理は正常に行われているが、限界を超えた部分については"
       "情報は選られない。"),
    Id("ﾃﾞｨﾚｸﾄﾘが作成できません。"),
    Id("展開中に書き込みｴﾗｰが生じました。"),
    Id("Lzhﾌｧｲﾙのﾊﾌﾏﾝｺｰﾄﾞが壊れています。"),
    Id("Lzhﾌｧｲﾙのｺﾒﾝﾄﾍｯﾀﾞが壊れています。"),
    Id("Lzhﾌｧｲﾙのﾍｯﾀﾞのﾁｪｯｸｻﾑが合っていません。"),
    Id("Lzhﾌｧｲﾙのﾍｯﾀﾞが壊れています。"),
    Id("Lzhﾌｧｲﾙを開く事が出来ません。"),
    Id("Lzhﾌｧｲﾙ名の指定がされていません。"),
    Id("Lzhﾌｧｲﾙの読み込み時に読み込みｴﾗｰが出ました。"),
    Id("指定されたﾌｧｲﾙはLzhﾌｧｲﾙではありません。"),
    Id("ｺﾏﾝﾄﾞ指定が間違っています。"),
    Id("作業用のためのﾋｰﾌﾟﾒﾓﾘが不足しています。"),
    Id("ｸﾞﾛｰﾊﾞﾙﾒﾓﾘが不足しています。"),
    Id("既に別のﾌﾟﾛｾｽからUnLHA32.DLLが呼ばれています。"),
    Id("ﾕｰｻﾞｰによって解凍を中断されました。"),
    Id("作業ﾌｧｲﾙがｵｰﾌﾟﾝできません。"),
};

// Lines that the run builds from a fixed text and variable parts, each "%s" one part.
constexpr const char* kRunLinePatterns[] = {
    Id("'%s' のﾊﾝﾄﾞﾙの取得に失敗したのサ"),
    Id("未知のｴﾗｰです。&H%s"),
    Id("%s読込中"),
    Id("%s展開中"),
    Id("entry point %s is missing"),
    Id("%s: the destination does not keep %s; the files were copied without them"),
    Id("the destination %s lies inside the source %s; it is left out of the backup"),
    Id("%s file(s) copied although a comparison holds them with the same size: its time is "
       "later than the start of this run, or no valid time, and such a time vouches only when "
       "it equals the file's own"),
    Id("%s hidden entries (names beginning with \".\") were left out; --hidden includes them"),
};

// Matches `line` against `pattern`'s fixed parts from `p` on, collecting the variable parts.
// Each "%s" takes the shortest text that lets the rest match.
bool Match(std::string_view pattern, std::string_view line, std::vector<std::string_view>* parts) {
  const std::size_t hole = pattern.find("%s");
  if (hole == std::string_view::npos) return pattern == line;
  if (!line.starts_with(pattern.substr(0, hole))) return false;
  const std::string_view rest = pattern.substr(hole + 2);
  // A variable part is never empty: an empty one would be the fixed text alone.
  for (std::size_t length = 1; hole + length <= line.size(); ++length) {
    parts->push_back(line.substr(hole, length));
    if (Match(rest, line.substr(hole + length), parts)) return true;
    parts->pop_back();
  }
  return false;
}

}  // namespace

std::string TranslateLine(std::string_view line, Catalogue catalogue) {
  const std::string id(line);
  if (std::optional<std::string> translated = catalogue(id.c_str())) return *translated;
  for (const char* pattern : kRunLinePatterns) {
    std::vector<std::string_view> parts;
    if (!Match(pattern, line, &parts)) continue;
    const std::optional<std::string> format = catalogue(pattern);
    if (!format) break;  // no translation: the line as it stands
    std::string text;
    std::string_view rest = *format;
    for (std::string_view part : parts) {
      const std::size_t hole = rest.find("%s");
      if (hole == std::string_view::npos) break;
      text.append(rest.substr(0, hole)).append(part);
      rest.remove_prefix(hole + 2);
    }
    return text.append(rest);
  }
  return id;
}

std::string TranslateLines(std::string_view text, Catalogue catalogue) {
  std::string translated;
  for (;;) {
    const std::size_t cr = text.find('\r');
    translated += TranslateLine(text.substr(0, cr), catalogue);
    if (cr == std::string_view::npos) return translated;
    translated += '\r';
    text.remove_prefix(cr + 1);
  }
}

}  // namespace engine
