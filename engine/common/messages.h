// The engine's texts, in one table: UTF-8 in the source, CP932 when used. Each is true whatever
// front end shows it; a text that names a window's buttons or a command's flags belongs to that
// front end (front_msg).
#ifndef ZOLK_ENGINE_MESSAGES_H
#define ZOLK_ENGINE_MESSAGES_H

#include <string>

namespace engine {

enum class msg {
  // Backup run: refusals.
  interrupted,  // err:処理を中断しました。
  source_is_root,  // err:バックアップの対象フォルダにルートを指定する事は出来ません。
  change_source,     // err:バックアップの対象フォルダを変更してください。
  source_root_note,  // err:（これは仕様によるエラーです。）\r\n\r\n\r\n
  destination_is_root,  // ルートディレクトリが、バックアップ先フォルダに指定されています。
  change_destination,         // バックアップ先フォルダを変更してください。
  destination_root_note,      // （これは仕様にエラーです。）\r\n\r\n\r\n
  destination_inside_source,  // err:バックアップ先フォルダがバックアップの対象フォルダの中にあります。
  change_destination_err,  // err:バックアップ先フォルダを変更してください。\r\n\r\n\r\n
  source_missing,  // err:バックアップの対象フォルダを読めません。
  // Backup run: progress of the run.
  first_run,                   // 履歴バックアップ初回処理。
  later_run,                   // 履歴バックアップ通常処理
  folder_not_created,          // ディレクトリを作成出来ませんでした (after a path)
  history_folder_not_created,  // err:履歴用のディレクトリを作成出来ませんでした。
  change_log_not_opened,  // ログファイルを格納するファイルを開けませんでした。
  no_changes,             // ・・・変更のあったファイルはありませんでした。
  deleted_moved,          // 削除ファイルの履歴の処理を行いました。
  changed_moved,          // 更新ファイルで履歴の処理を行いました。
  deleted_not_moved,      // 削除ファイルで履歴の処理に失敗しました。
  changed_not_moved,      // 更新ファイルで履歴の処理に失敗しました。
  new_file_copied,        // 新規ファイルをバックアップしました。
  changed_copied,         // 更新ファイルをバックアップしました。
  new_file_not_copied,  // 新規ファイルでバックアップに失敗しました。
  changed_not_copied,   // 更新ファイルでバックアップに失敗しました。
  changed_kept,  // err:前の版を履歴に移せないため、更新ファイルのバックアップを見送りました。
  new_folder,    // 新規フォルダです。
  folder_file_copied,      // 新規ファイルの処理を行いました。
  folder_file_not_copied,  // 新規ファイルの処理に失敗しました。
  entry_not_backed_up,  // err:バックアップ出来ない項目です（リンク、特殊ファイル）。
  folder_not_read,  // err:フォルダを読めませんでした。前回の内容を履歴に残します。
  detail_prefix,  // "==> "
  // Restore.
  restore_from,          // " フォルダの履歴バックアップから"
  restore_point,         // " 時点のデータを"
  restore_into,          // " へ復元します。"
  restore_start,         // -----* 処理の開始 *-----\r\n
  restore_end,           // -----* 処理の終了 *-----\r\n
  restore_target_empty,  // err:復元先フォルダが指定されていません。
  restore_target_is_root,  // err:復元先フォルダにルートを指定する事は出来ません。
  restore_target_in_history,  // err:復元先フォルダが履歴フォルダの中にあります。
  restore_point_missing,      // err:選択された時点の履歴フォルダがありません。
  restore_store_not_read,  // err:履歴フォルダを読めませんでした。 (then "==> " and the folder)
  restore_folder_not_created,  // err:フォルダを作成出来ませんでした。 (then "==> " and the path)
  restore_file_not_copied,  // err:ファイルを復元出来ませんでした。 (then "==> " and the path)
  restore_item_in_history,  // err:履歴フォルダの中へは復元しません。 (then "==> " and the path)
  // Backup run: completing a run that was cut off.
  resuming_run,  // 前回中断された履歴バックアップの処理を完了します。 (then "==> " and the folder)
  // Backup run: a file that changed while it was copied.
  changed_while_copied,  // err:コピー中にファイルが変更されたため、バックアップを見送りました。次回のバックアップでコピーします。
  // Backup run: a source name that only Zolk's temporary copies may bear.
  reserved_name_not_backed_up,  // err:Zolkの一時ファイルと同じ名前のため、バックアップしません。
                                // (then "==> " and the path)
  // One run, restore or other change of a store at a time; the run's own files in the store.
  store_busy,  // err:このバックアップ先は別の処理が使用中です。 (then "==> " and the destination)
  store_not_locked,  // err:バックアップ先をロック出来ませんでした。 (then "==> " and the lock file)
  run_marker_not_written,  // err:処理の記録ファイルを書き込めませんでした。 (then "==> " and the
                           // file)
  run_marker_set_aside,  // err:履歴フォルダと合わない処理の記録ファイルを使わずに退避しました。
                         // (then "==> ")
  change_log_not_written,  // err:ログファイルへの書き込みに失敗しました。 (then "==> " and the
                           // change log)
  // Backup run: a link found inside the store.
  link_in_store,  // err:履歴フォルダの中のリンクはたどりません。 (then "==> " and the link)
  // Restore: a change log it needs.
  change_log_not_read,  // err:履歴のログファイルを読めませんでした。 (then "==> " and the path)
  // A run or a restore the user asked to stop.
  run_stopped,  // err:中止の指示により処理を止めました。次回のバックアップが続きを完了します。
  restore_stopped,  // err:中止の指示により復元を止めました。復元先には途中までの内容があります。
  // Restore of chosen entries of a point.
  restore_only,  // 次の項目だけを復元します。 (then "==> " and each entry)
  restore_entry_missing,  // err:選択された時点に指定の項目がありません。 (then "==> " and the
                          // entry)
  // A prune of the store that was cut off, completed by the next command.
  prune_completed,  // 前回中断された履歴の整理を完了しました。 (then "==> " and the destination)
  prune_not_completed,  // err:前回中断された履歴の整理を完了出来ませんでした。 (then "==> " and the
                        // path)
  points_renumbered,  // err:履歴の整理で時点の番号が変わりました。時点を確かめてから復元し直してください。
  // Backup run: an entry the store's file system cannot hold (then "==> " and its place in the
  // store).
  store_holds_twin,  // err:バックアップ先のファイルシステムは、大文字と小文字などだけが違う既存の項目と
                     // この名前を区別出来ないため、保存出来ません。
  store_forbids_name,  // err:バックアップ先のファイルシステムでは使えない名前のため、保存出来ません。
  store_file_too_large,  // err:バックアップ先のファイルシステムには大き過ぎるファイルのため、保存出来ません。
  // The point of a backup run that was stopped or killed, until the next run completes it.
  point_unfinished_mark,  // " （未完了：中断されたバックアップ）" (after the point in the list)
  restore_point_unfinished,  // err:この時点のバックアップは中断されたため未完了で、復元出来ません。
                             // もう一度バックアップを実行すると完了し、復元出来るようになります。
  // A symbolic link where the store or the restore target cannot hold one (FAT, exFAT; Windows
  // without the right to make links): left out, counted as skipped, not as failed.
  link_not_stored,  // リンクを保存出来ない場所のため、このリンクはスキップしました。 (then "==> "
                    // and the link)
  count_  // NOLINT(readability-identifier-naming): keep last; the number of texts, not one
};

// The CP932 text of a message (converted once, on first use).
const std::string& text(msg id);

// What the engine reports that each front end words itself, because the words tell the user
// what to do with that front end's own means (a command's flag, a window's question). The
// engine hands the id to run_log::add_message at the place of the line; this table holds no
// text of them.
enum class front_msg {
  // A restore target that holds entries, with no overwrite asked for: refused.
  target_not_empty,
  count_  // NOLINT(readability-identifier-naming): keep last; the number of ids, not one
};

}  // namespace engine

#endif
