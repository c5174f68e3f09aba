// Every caption, hint and message of the windows, in one table: UTF-8 in the source, CP932
// when used (the views turn them back into their toolkit's strings at the edge).
#ifndef ZOLK_UI_WINDOW_TEXTS_H
#define ZOLK_UI_WINDOW_TEXTS_H

#include <string>

#include "engine/common/messages.h"

namespace ui {

enum class wt {
  // Program and main window.
  app_title,                  // ZOLK
  main_caption,               // Ｚ-ＯＬＫ
  page_caption,               // ZOLK
  run_mes,                    // 設定／実行の選択ボタン
  backup_mode,                // 履歴バックアップ
  backup_mode_hint,           // 履歴バックアップの処理を行います。
  s_mes,                      // ＜＝＞
  restore_mode,               // 復　　元
  restore_mode_hint,          // バックアップ・データを復元します。
  s_mes_hint_backup,          // 現在のモードは、履歴バックアップです。
  s_mes_hint_restore,         // 現在のモードは、復元です。
  st01_backup,                // 履歴バックアップを行います。
  st01_restore,               // 復元を行います。
  job_name_label,             // 履歴ジョブ名
  comment_label,              // 今回の処理に対するコメント
  source_label,               // バックアップ元フォルダ
  destination_label_backup,   // バックアップ先フォルダ
  destination_label_restore,  // 復元先フォルダ
  browse,                     // 参  照
  point_list_label,           // どの時点を復元しますか
  no_points,                  // 履歴バックアップの情報がありません。
  pick_by,                    // 選択  (履歴バックアップを行ったジョブ名か、...)
  pick_by_name,               // ジョブ名選択
  pick_by_folder,             // フォルダ選択
  job_combo_s,                // 履歴バックアップが実行されていません。
  store_folder_placeholder,   // Rdirname
  startb01,                   // 現在の設定を実行
  end_button,                 // 終了
  end_button_hint,            // プログラムを終了します。
  st_main,                    // ジョブ名は、設定を保存するのに利用されます。
  // Folder chooser.
  chooser_caption,  // フォルダ選択
  mes_01_source,  // 現在のディレクトリ・リストはバックアップ元フォルダに反映されます。
  mes_01_destination,  // 現在のディレクトリ・リストはバックアップ先フォルダに反映されます。
  decide_button,       // 決定/閉じる
  make_folder_button,  // フォルダ作成
  // Run window.
  run_win_caption,       // 実行画面
  run_status_label,      // ステータス
  save_log_button,       // ログ保存終了
  end_run_button,        // 終了
  stop_button,           // 中止
  stop_question_backup,  // 処理を中止しますか？ 中止した処理は次回のバックアップで完了されます。
  stop_question_restore,  // 復元を中止しますか？ 復元先には途中までの内容が残ります。
  entries_unit,     // 件
  time_left,        // "残り約 "
  log_file_filter,  // テキスト ファイル (*.txt);;すべてのファイル (*)
  log_save_failed,  // ログを保存できませんでした。\r\n
  // Messages of the folder checks, pieces joined with nothing between them.
  message_caption,  // 注意:Message
  source_root,  // バックアップ元フォルダにルートフォルダが指定されました。
  destination_root,  // バックアップ先フォルダにルートフォルダが指定されました。
  target_root,       // 復元先フォルダにルートフォルダが指定されました。
  root_unsupported,  // ルートフォルダの指定は現在サポートされていません。
  root_advice,  // ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。
  source_duplicate_1,  // "バックアップ元フォルダに指定した "
  source_duplicate_2,  // " は、既に登録されています。このまま重複して設定する事もできますが"
  duplicate_advice,    // 設定ミスならば変更してください
  destination_duplicate_1,  // "バックアップ先フォルダに指定した "
  destination_duplicate_2,  // " は、ジョブ名："
  destination_duplicate_3,  // "で登録されています。このまま重複して設定する事もできますが"
  subfolder_1,  // バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを
  subfolder_2,  // 指定する事はできません。他のフォルダを指定して下さい。
  // The question before a restore into a folder that holds files (Yes/No).
  restore_over_files,  // 復元先フォルダは空ではありません。同じ名前のファイルは上書きされます。続けますか？
  // A restore asked for before a point was picked.
  choose_point,  // 復元する時点を選択してください。
  // A restore of the point of a backup that was stopped, before the next backup completes it.
  point_unfinished,  // この時点のバックアップは中断されたため未完了で、復元出来ません。
                     // もう一度バックアップを実行すると完了し、復元出来るようになります。
  // The history tools of restore mode: a point's changes, a restore of one entry.
  henkou,       // 変更内容
  henkou_hint,  // 選択した時点の処理で変更された項目を表示します。
  bubun,        // 一部を復元
  bubun_hint,   // 選択した時点のファイルかフォルダを一つだけ復元します。
  changes_title,   // " 時点の変更内容" (after the point)
  change_new,      // 新規
  change_changed,  // 更新
  change_deleted,  // 削除
  change_type,     // 種類の変更
  no_changes,      // この時点の処理で変更された項目はありません。
  no_change_log,   // この時点の処理のログファイルがありません。
  change_log_cut,  // ログファイルを最後まで読めませんでした。読めた分だけを表示しています。
  path_prompt,  // 復元するファイルかフォルダを、時点の中のパスで指定してください（例:
                // docs\report.txt）。
  bad_path,     // 時点の中のファイルかフォルダのパスを指定してください。
  ok_button,    // ＯＫ
  cancel_button,  // キャンセル
  close_button,   // 閉じる
  // The run window's closing line, which names its buttons.
  run_finished,  // 処理は終了しました。ログ保存終了か、終了ボタンを押してください。
  // Put before the system's reason for a failure, as a line of the run window's log.
  failure_reason,  // "    理由: "
  count_           // NOLINT(readability-identifier-naming): keep last; the number of texts, not one
};

// The CP932 text of an entry (converted once, on first use).
const std::string& text(wt id);

// The run window's line for what the engine leaves to each front end (CP932).
const std::string& text(engine::front_msg id);

}  // namespace ui

#endif
