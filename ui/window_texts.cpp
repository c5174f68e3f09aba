#include "ui/window_texts.h"

#include <array>

#include "platform/cp932.h"

namespace ui {
namespace {

constexpr size_t k_count = static_cast<size_t>(wt::count_);

// Indexed by wt; the static_assert below keeps the two in step.
constexpr const char* k_utf8[] = {
    "ZOLK",
    "Ｚ-ＯＬＫ",
    "ZOLK",
    "設定／実行の選択ボタン",
    "履歴バックアップ",
    "履歴バックアップの処理を行います。",
    "＜＝＞",
    "復　　元",
    "バックアップ・データを復元します。",
    "現在のモードは、履歴バックアップです。",
    "現在のモードは、復元です。",
    "履歴バックアップを行います。",
    "復元を行います。",
    "履歴ジョブ名",
    "今回の処理に対するコメント",
    "バックアップ元フォルダ",
    "バックアップ先フォルダ",
    "復元先フォルダ",
    "参  照",
    "どの時点を復元しますか",
    "履歴バックアップの情報がありません。",
    "選択  (履歴バックアップを行ったジョブ名か、履歴の取られているフォルダを指定します)",
    "ジョブ名選択",
    "フォルダ選択",
    "履歴バックアップが実行されていません。",
    "Rdirname",
    "現在の設定を実行",
    "終了",
    "プログラムを終了します。",
    "ジョブ名は、設定を保存するのに利用されます。",
    "フォルダ選択",
    "現在のディレクトリ・リストはバックアップ元フォルダに反映されます。",
    "現在のディレクトリ・リストはバックアップ先フォルダに反映されます。",
    "決定/閉じる",
    "フォルダ作成",
    "実行画面",
    "ステータス",
    "ログ保存終了",
    "終了",
    "注意:Message",
    "バックアップ元フォルダにルートフォルダが指定されました。",
    "バックアップ先フォルダにルートフォルダが指定されました。",
    "復元先フォルダにルートフォルダが指定されました。",
    "ルートフォルダの指定は現在サポートされていません。",
    "ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。",
    "バックアップ元フォルダに指定した ",
    " は、既に登録されています。このまま重複して設定する事もできますが",
    "設定ミスならば変更してください",
    "バックアップ先フォルダに指定した ",
    " は、ジョブ名：",
    "で登録されています。このまま重複して設定する事もできますが",
    "バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを",
    "指定する事はできません。他のフォルダを指定して下さい。",
};
static_assert(sizeof(k_utf8) / sizeof(k_utf8[0]) == k_count, "one text per wt entry");

}  // namespace

const std::string& text(wt id) {
  static const std::array<std::string, k_count> converted = [] {
    std::array<std::string, k_count> out;
    for (size_t i = 0; i < k_count; ++i) out[i] = cp932::from_unicode(k_utf8[i]);
    return out;
  }();
  return converted[static_cast<size_t>(id)];
}

}  // namespace ui
