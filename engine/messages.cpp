#include "engine/messages.h"

#include <array>

#include "platform/cp932.h"

namespace engine {
namespace {

constexpr size_t k_count = static_cast<size_t>(msg::count_);

// Indexed by msg; the static_assert below keeps the two in step.
constexpr const char* k_utf8[] = {
    "err:処理を中断しました。",
    "err:バックアップの対象フォルダにルートを指定する事は出来ません。",
    "err:バックアップの対象フォルダを変更してください。",
    "err:（これは仕様によるエラーです。）\r\n\r\n\r\n",
    "ルートディレクトリが、バックアップ先フォルダに指定されています。",
    "バックアップ先フォルダを変更してください。",
    "（これは仕様にエラーです。）\r\n\r\n\r\n",
    "err:バックアップ先フォルダがバックアップの対象フォルダの中にあります。",
    "err:バックアップ先フォルダを変更してください。\r\n\r\n\r\n",
    "err:バックアップの対象フォルダを読めません。",
    "履歴バックアップ初回処理。",
    "履歴バックアップ通常処理",
    "ディレクトリを作成出来ませんでした",
    "err:履歴用のディレクトリを作成出来ませんでした。",
    "ログファイルを格納するファイルを開けませんでした。",
    "・・・変更のあったファイルはありませんでした。",
    "削除ファイルの履歴の処理を行いました。",
    "更新ファイルで履歴の処理を行いました。",
    "削除ファイルで履歴の処理に失敗しました。",
    "更新ファイルで履歴の処理に失敗しました。",
    "新規ファイルをバックアップしました。",
    "更新ファイルをバックアップしました。",
    "新規ファイルでバックアップに失敗しました。",
    "更新ファイルでバックアップに失敗しました。",
    "err:前の版を履歴に移せないため、更新ファイルのバックアップを見送りました。",
    "新規フォルダです。",
    "新規ファイルの処理を行いました。",
    "新規ファイルの処理に失敗しました。",
    "err:バックアップ出来ない項目です（リンク、特殊ファイル）。",
    "err:フォルダを読めませんでした。前回の内容を履歴に残します。",
    "処理は終了しました。ログ保存終了か、終了ボタンを押してください。",
    "==> ",
    " フォルダの履歴バックアップから",
    " 時点のデータを",
    " へ復元します。",
    "-----* 処理の開始 *-----\r\n",
    "-----* 処理の終了 *-----\r\n",
    "err:復元先フォルダが指定されていません。",
    "err:復元先フォルダにルートを指定する事は出来ません。",
    "err:復元先フォルダが履歴フォルダの中にあります。",
    "err:選択された時点の履歴フォルダがありません。",
    "err:履歴フォルダを読めませんでした。",
    "err:フォルダを作成出来ませんでした。",
    "err:ファイルを復元出来ませんでした。",
    "err:履歴フォルダの中へは復元しません。",
    "前回中断された履歴バックアップの処理を完了します。",
};
static_assert(sizeof k_utf8 / sizeof k_utf8[0] == k_count, "one text per message");

const std::array<std::string, k_count>& table() {
  static const std::array<std::string, k_count> converted = [] {
    std::array<std::string, k_count> out;
    for (size_t i = 0; i < k_count; ++i) out[i] = cp932::from_unicode(k_utf8[i]);
    return out;
  }();
  return converted;
}

}  // namespace

const std::string& text(msg id) { return table()[static_cast<size_t>(id)]; }

}  // namespace engine
