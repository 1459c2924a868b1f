#include <cstdio>

#include "archive/c_unlha.h"

namespace archive {

std::string ErrorMessage(std::int32_t code) {
  switch (code) {
    case 0:
      return std::string();
    case 0x8005:
      return "展開する為のﾃﾞｨｽｸの空きが足りません。";
    case 0x8006:
      return "展開先のﾌｧｲﾙはﾘｰﾄﾞｵﾝﾘｰです。";
    case 0x8007:
      return "ﾕｰｻﾞｰによって展開をｽｷｯﾌﾟされました。";
    case 0x8008:
      return "格納ﾌｧｲﾙの種類がMS-DOSで扱える形式(BINARY 及び TEXT)以外です。";
    case 0x8009:
      return "UnLHA32.DLLで扱えない格納ﾓｰﾄﾞで格納されています。";
    case 0x800A:
      return "格納ﾌｧｲﾙにﾊﾟｽﾜｰﾄﾞがかかっています。";
    case 0x800B:
      return "格納ﾌｧｲﾙがUnLHA32.DLLが対応していないﾊﾞｰｼﾞｮﾝの形式です。";
    case 0x800C:
      return "格納ﾌｧｲﾙのﾁｪｯｸｻﾑが合っていません。";
    case 0x800D:
      return "展開時にﾌｧｲﾙを開けませんでした。";
    case 0x800E:
      return "より新しいﾌｧｲﾙが展開先に存在しています。";
    case 0x800F:
      return "ﾌｧｲﾙは解凍先に存在していません。";
    case 0x8010:
      return "ﾌｧｲﾙが展開先に既に存在しています。";
    case 0x8011:
      return "格納ﾌｧｲﾙ数が限界を超えている。処理は正常に行われているが、限界を超えた部分については"
             "情報は選られない。";
    case 0x8012:
      return "ﾃﾞｨﾚｸﾄﾘが作成できません。";
    case 0x8013:
      return "展開中に書き込みｴﾗｰが生じました。";
    case 0x8014:
      return "Lzhﾌｧｲﾙのﾊﾌﾏﾝｺｰﾄﾞが壊れています。";
    case 0x8015:
      return "Lzhﾌｧｲﾙのｺﾒﾝﾄﾍｯﾀﾞが壊れています。";
    case 0x8016:
      return "Lzhﾌｧｲﾙのﾍｯﾀﾞのﾁｪｯｸｻﾑが合っていません。";
    case 0x8017:
      return "Lzhﾌｧｲﾙのﾍｯﾀﾞが壊れています。";
    case 0x8018:
      return "Lzhﾌｧｲﾙを開く事が出来ません。";
    case 0x8019:
      return "Lzhﾌｧｲﾙ名の指定がされていません。";
    case 0x801A:
      return "Lzhﾌｧｲﾙの読み込み時に読み込みｴﾗｰが出ました。";
    case 0x801B:
      return "指定されたﾌｧｲﾙはLzhﾌｧｲﾙではありません。";
    case 0x801C:
      return "ｺﾏﾝﾄﾞ指定が間違っています。";
    case 0x801D:
      return "作業用のためのﾋｰﾌﾟﾒﾓﾘが不足しています。";
    case 0x801E:
      return "ｸﾞﾛｰﾊﾞﾙﾒﾓﾘが不足しています。";
    case 0x801F:
      return "既に別のﾌﾟﾛｾｽからUnLHA32.DLLが呼ばれています。";
    case 0x8020:
      return "ﾕｰｻﾞｰによって解凍を中断されました。";
    case 0x8025:
      return "作業ﾌｧｲﾙがｵｰﾌﾟﾝできません。";
    default: {
      // Negative codes show as their 32-bit two's complement.
      char hex[16];
      std::snprintf(hex, sizeof hex, "%X", static_cast<std::uint32_t>(code));
      return std::string("未知のｴﾗｰです。&H") + hex;
    }
  }
}

}  // namespace archive
