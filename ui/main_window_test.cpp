#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/store/history_store.h"
#include "platform/cp932.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"
#include "ui/run_testing.h"

namespace ui {
namespace {

// A root folder as a user types it: on POSIX "c:\\" names the relative folder "c:".
#ifdef _WIN32
const char* const k_root = "c:\\";
#else
const char* const k_root = "\\";
#endif

using testing_support::temp_folder;

std::string sj(const char* utf8) { return cp932::from_unicode(utf8); }

class captured_messages : public message_port {
 public:
  void show_message(const std::string& text) override { texts.push_back(text); }
  bool ask_yes_no(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
  std::vector<std::string> texts;
  std::vector<std::string> questions;
  bool answer = true;
};

class recording_run_window : public run_window_port {
 public:
  void show_for_run() override { calls.push_back("show"); }
  void run_ended() override { calls.push_back("ended"); }
  engine::run_log& log() override { return log_; }
  engine::run_progress& progress() override { return progress_; }
  void alert() override { calls.push_back("alert"); }
  std::vector<std::string> calls;
  engine::recording_log log_;
  engine::recording_progress progress_;
};

class MainWindow : public ::testing::Test {
 protected:
  // A window started afresh on the settings file, as the program starts it.
  main_window& start(const std::string& settings) {
    window_ = std::make_unique<main_window>(*host_, settings, messages_, run_);
    window_->open();
    return *window_;
  }
  main_window& start() { return start(dir_.at("Zcli.dat")); }

  // Hands on the run's reports until it has ended, as the view's timer does.
  static void run_to_end(main_window& w) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (w.run_working() && std::chrono::steady_clock::now() < give_up) {
      w.poll_run();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_FALSE(w.run_working()) << "the run never ended";
  }
  // Presses the start button and lets the run it starts work to its end.
  static void start_and_wait(main_window& w) {
    w.start();
    run_to_end(w);
  }

  // Registers a job through the fields, as a user would.
  static void register_job(main_window& w, const std::string& name, const std::string& source,
                           const std::string& destination) {
    w.new_job();
    w.form.set_job_name_text(name);
    w.form.set_comment_field("comment of " + name);
    w.form.set_source_field(source);
    w.form.set_destination_field(destination);
    w.register_job();
  }

  temp_folder dir_;
  host::fault_host host_under_test_{host::default_host()};
  host::host* host_ = &host::default_host();
  captured_messages messages_;
  recording_run_window run_;
  std::unique_ptr<main_window> window_;
};

TEST_F(MainWindow, StartWithoutJobsIsTheNewJobStateOfBackupMode) {
  main_window& w = start();
  EXPECT_EQ(w.main_mode, k_backup_mode);
  EXPECT_TRUE(w.backup_mode_down);
  EXPECT_EQ(w.mode_heading.caption, sj("新規作成状態です。設定して登録して下さい。"));
  EXPECT_EQ(w.delete_button.caption, sj("クリア"));
  EXPECT_TRUE(w.delete_button.enabled);
  EXPECT_TRUE(w.register_button.enabled);
  EXPECT_FALSE(w.update_button.enabled);
  EXPECT_FALSE(w.new_job_button.enabled);
  EXPECT_TRUE(w.job_rows_visible);
  EXPECT_FALSE(w.restore_panel_visible);
  EXPECT_FALSE(w.point_list_visible);
  EXPECT_EQ(w.status_line.hint, sj("現在のモードは、履歴バックアップです。"));
  EXPECT_EQ(w.destination_label.caption, sj("バックアップ先フォルダ"));
  EXPECT_EQ(w.form.job_box.text, "");
  EXPECT_EQ(w.form.source_field(), "");
  EXPECT_TRUE(w.start_button.enabled);
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_EQ(testing_support::read_file(dir_.at("Zcli.dat")).size(), 80u);
}

TEST_F(MainWindow, StartWithJobsShowsTheFirstJob) {
  {
    main_window& first = start();
    register_job(first, "one", "c:\\one", "d:\\one");
    register_job(first, "two", "c:\\two", "d:\\two");
  }
  main_window& w = start();
  EXPECT_EQ(w.form.job_box.text, "one");
  EXPECT_EQ(w.form.job_box.entries, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(w.form.current_job_index(), 0);
  EXPECT_EQ(w.form.comment_field(), "comment of one");
  EXPECT_EQ(w.form.source_field(), "c:\\one");
  EXPECT_EQ(w.form.destination_field(), "d:\\one");
  EXPECT_EQ(w.mode_heading.caption, sj("履歴バックアップを行います。"));
  EXPECT_EQ(w.delete_button.caption, sj("削除"));
  EXPECT_FALSE(w.register_button.enabled);
  EXPECT_TRUE(w.update_button.enabled);
  EXPECT_EQ(w.restore_jobs.entries, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(w.restore_jobs.selected, 0);
}

TEST_F(MainWindow, RestoreModeCoversTheJobRowsAndBackupModeGetsItsFieldsBack) {
  {
    main_window& first = start();
    register_job(first, "one", "c:\\one", "d:\\one");
    register_job(first, "two", "c:\\two", "d:\\two");
  }
  main_window& w = start();
  w.enter_restore_mode();
  EXPECT_EQ(w.main_mode, k_restore_mode);
  EXPECT_FALSE(w.backup_mode_down);
  EXPECT_FALSE(w.job_rows_visible);
  EXPECT_TRUE(w.restore_panel_visible);
  EXPECT_TRUE(w.point_label_visible);
  EXPECT_TRUE(w.point_list_visible);
  EXPECT_EQ(w.destination_label.caption, sj("復元先フォルダ"));
  EXPECT_EQ(w.mode_heading.caption, sj("復元を行います。"));
  EXPECT_EQ(w.status_line.hint, sj("現在のモードは、復元です。"));
  EXPECT_EQ(w.form.destination_field(), "");
  EXPECT_FALSE(w.register_button.enabled || w.update_button.enabled || w.delete_button.enabled);
  // A store without history shows the design-time text and nothing to pick.
  EXPECT_TRUE(w.point_list.entries.empty());
  EXPECT_EQ(w.point_list.text, sj("履歴バックアップの情報がありません。"));

  w.restore_jobs.select(1);
  w.restore_job_picked();
  EXPECT_EQ(w.form.source_field(), "c:\\two");
  EXPECT_EQ(w.store_folder, "d:\\two");
  w.form.set_destination_field("e:\\target");

  w.enter_backup_mode();
  EXPECT_EQ(w.main_mode, k_backup_mode);
  EXPECT_TRUE(w.job_rows_visible);
  EXPECT_FALSE(w.restore_panel_visible);
  EXPECT_EQ(w.form.job_box.text, "one");
  EXPECT_EQ(w.form.comment_field(), "comment of one");
  EXPECT_EQ(w.form.source_field(), "c:\\one");
  EXPECT_EQ(w.form.destination_field(), "d:\\one");
  EXPECT_EQ(w.mode_heading.caption, sj("履歴バックアップを行います。"));
  EXPECT_TRUE(w.update_button.enabled);
  // Modifying now stores the job's own folders, not the restore side's.
  w.update_job();
  const jobs::job_record* one = w.form.history_jobs().front();
  EXPECT_EQ(one->text(jobs::k_source_folder), "c:\\one");
  EXPECT_EQ(one->text(jobs::k_destination_folder), "d:\\one");
  // Pressing the mode button of the mode in force changes nothing.
  w.form.set_destination_field("d:\\edited");
  w.enter_backup_mode();
  EXPECT_EQ(w.form.destination_field(), "d:\\edited");
}

TEST_F(MainWindow, TextsTypedForANewJobSurviveAVisitToRestoreMode) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src\\a.txt"), "a");
  main_window& w = start();
  register_job(w, "old", dir_.at("src"), dir_.at("store"));
  start_and_wait(w);
  w.new_job();
  w.form.set_job_name_text("fresh");
  w.form.set_comment_field("typed");
  w.form.set_source_field(dir_.at("src2"));
  w.form.set_destination_field(dir_.at("store2"));
  w.enter_restore_mode();
  w.enter_restore_mode();  // pressed again: still the texts of backup mode that are kept
  w.restore_jobs.select(0);
  w.restore_job_picked();
  w.form.set_destination_field(dir_.at("target"));
  w.enter_backup_mode();
  EXPECT_EQ(w.form.state(), job_state::new_job);
  EXPECT_EQ(w.form.job_box.text, "fresh");
  EXPECT_EQ(w.form.job_box.selected, -1);
  EXPECT_EQ(w.form.comment_field(), "typed");
  EXPECT_EQ(w.form.source_field(), dir_.at("src2"));
  EXPECT_EQ(w.form.destination_field(), dir_.at("store2"));
  EXPECT_EQ(w.mode_heading.caption, sj("新規作成状態です。設定して登録して下さい。"));
  // The start button backs up those texts, never into the restore target.
  testing_support::make_folders(dir_.at("src2"));
  testing_support::write_file(dir_.at("src2\\b.txt"), "b");
  start_and_wait(w);
  EXPECT_EQ(testing_support::read_file(dir_.at("store2\\Zolk0001\\b.txt")), "b");
  EXPECT_FALSE(host::default_host().exists(dir_.at("target")));
}

TEST_F(MainWindow, LeavingAnEmptyFolderFieldShowsNothing) {
  main_window& w = start();
  register_job(w, "A", "c:\\data", "d:\\hist");
  w.form.set_source_field("");
  w.form.set_destination_field("");
  EXPECT_TRUE(w.on_source_left());
  EXPECT_TRUE(w.on_destination_left());
  w.enter_restore_mode();  // empties the target
  EXPECT_TRUE(w.on_destination_left());
  EXPECT_TRUE(w.on_destination_left());
  EXPECT_TRUE(messages_.texts.empty());
  // The check itself still refuses an empty target, for the paths that start or decide.
  EXPECT_FALSE(w.accept_destination());
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0].find(sj("復元先フォルダにルートフォルダが指定されました。")), 0u);
  w.form.set_destination_field(k_root);
  EXPECT_FALSE(w.on_destination_left());
  EXPECT_EQ(messages_.texts.size(), 2u);
}

TEST_F(MainWindow, NoBrowseInRestoreModeWritesIntoTheHiddenSourceField) {
  {
    main_window& first = start();
    register_job(first, "one", "c:\\one", "d:\\one");
    register_job(first, "two", "c:\\two", "d:\\two");
  }
  main_window& w = start();
  w.browse_source();  // open for the source when the mode changes: it closes
  w.enter_restore_mode();
  EXPECT_FALSE(w.chooser.visible);
  EXPECT_EQ(w.form.source_field(), "c:\\one");

  w.browse_destination();
  w.chooser_moved("e:\\target");
  EXPECT_EQ(w.form.destination_field(), "e:\\target");
  EXPECT_TRUE(w.chooser_decided("e:\\target"));
  EXPECT_EQ(w.form.source_field(), "c:\\one");

  // By folder, Button3 chooses among the source folders of the jobs.
  w.pick_job_by = 1;
  w.pick_by_changed();
  w.browse_source();
  w.chooser_moved("c:\\elsewhere");
  EXPECT_EQ(w.form.source_field(), "c:\\one");
  EXPECT_EQ(w.restore_jobs.text, "c:\\elsewhere");
  EXPECT_EQ(w.restore_jobs.selected, -1);
  EXPECT_EQ(w.store_folder, "d:\\one");
  EXPECT_FALSE(w.point_list_visible);
  w.chooser_moved("C:\\TWO");
  EXPECT_EQ(w.restore_jobs.selected, 1);
  EXPECT_EQ(w.restore_jobs.text, "c:\\two");
  EXPECT_EQ(w.form.source_field(), "c:\\two");
  EXPECT_EQ(w.store_folder, "d:\\two");
  EXPECT_TRUE(w.point_list_visible);
  EXPECT_TRUE(w.chooser_decided("c:\\two"));
  EXPECT_FALSE(w.chooser.visible);
  EXPECT_EQ(w.form.destination_field(), "e:\\target");
  // A root folder is refused there as for the source field.
  w.browse_source();
  EXPECT_FALSE(w.chooser_decided(k_root));
  EXPECT_TRUE(w.chooser.visible);
  ASSERT_EQ(messages_.texts.size(), 1u);
  // Back to job names: the chooser for the folder list goes with Button3.
  w.pick_job_by = 0;
  w.pick_by_changed();
  EXPECT_FALSE(w.chooser.visible);
  EXPECT_EQ(w.form.source_field(), "c:\\two");
  EXPECT_EQ(w.form.destination_field(), "e:\\target");
}

// Every letter case counts: a store copied to a disc or another system may come back in any.
TEST_F(MainWindow, PointsAreListedNewestFirstInAnyLetterCase) {
  const std::string store = dir_.at("store");
  for (const char* name : {"Zolk0001", "Zolk0003", "Zolk0002", "zolk0004"}) {
    testing_support::make_folders(store + "\\" + name);
  }
  {
    main_window& first = start();
    register_job(first, "empty", "c:\\e", dir_.at("nothing"));
    register_job(first, "kept", "c:\\k", store);
  }
  main_window& w = start();
  w.enter_restore_mode();
  w.restore_jobs.select(1);
  w.restore_job_picked();
  ASSERT_EQ(w.point_list.entries.size(), 4u);
  EXPECT_EQ(w.point_list.entries[0].substr(0, 6), "0004: ");
  EXPECT_EQ(w.point_list.entries[1].substr(0, 6), "0003: ");
  EXPECT_EQ(w.point_list.entries[2].substr(0, 6), "0002: ");
  EXPECT_EQ(w.point_list.entries[3].substr(0, 6), "0001: ");
  EXPECT_GT(w.point_list.entries[0].size(), 6u);  // the date of the folder follows
  EXPECT_EQ(w.point_list.selected, -1);
  EXPECT_EQ(w.point_list.text, "");

  // By folder: the same job stays chosen, the point list hides until the next pick.
  w.pick_job_by = 1;
  w.pick_by_changed();
  EXPECT_TRUE(w.browse_restore_source_visible);
  EXPECT_FALSE(w.point_list_visible);
  EXPECT_EQ(w.restore_jobs.entries, (std::vector<std::string>{"c:\\e", "c:\\k"}));
  EXPECT_EQ(w.restore_jobs.text, "c:\\k");
  // Entering restore mode again lists names, with Button3 still shown.
  w.enter_backup_mode();
  w.enter_restore_mode();
  EXPECT_EQ(w.restore_jobs.entries, (std::vector<std::string>{"empty", "kept"}));
  EXPECT_TRUE(w.browse_restore_source_visible);
  EXPECT_TRUE(w.point_list_visible);

  // A job without history replaces the listed points by the design-time text.
  w.restore_jobs.select(0);
  w.restore_job_picked();
  EXPECT_TRUE(w.point_list.entries.empty());
  EXPECT_EQ(w.store_folder, dir_.at("nothing"));
}

TEST_F(MainWindow, ChecksUseTheWindowStateAndReportThroughTheMessagePort) {
  main_window& w = start();
  register_job(w, "A", "c:\\data", "d:\\hist");
  w.new_job();
  w.form.set_source_field("C:\\DATA");
  EXPECT_FALSE(w.on_source_left());
  w.form.set_destination_field("c:\\data\\hist");
  w.form.set_source_field("c:\\data");
  EXPECT_FALSE(w.on_destination_left());
  ASSERT_EQ(messages_.texts.size(), 2u);
  EXPECT_NE(messages_.texts[0].find("c:\\data"), std::string::npos);
  EXPECT_EQ(messages_.texts[1],
            sj("バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを"
               "指定する事はできません。他のフォルダを指定して下さい。"));
  // The job shown is not its own duplicate.
  w.form.job_box.select(0);
  w.job_picked();
  EXPECT_TRUE(w.on_source_left());
  EXPECT_TRUE(w.on_destination_left());
  EXPECT_EQ(messages_.texts.size(), 2u);
}

// The rules every view follows when a field is left or takes Enter.
TEST_F(MainWindow, LeavingAFieldChecksOnlyTheFolderFieldsAndEnterStartsOnlyTheRestoreTarget) {
  using field = main_window::folder_field;
  main_window& w = start();
  register_job(w, "A", "c:\\data", "d:\\hist");
  w.new_job();
  w.form.set_source_field("C:\\DATA");
  w.form.set_destination_field("c:\\data\\hist");
  EXPECT_TRUE(w.field_left(field::other));
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_FALSE(w.field_left(field::source));
  EXPECT_FALSE(w.field_left(field::destination));
  EXPECT_EQ(messages_.texts.size(), 2u);
  for (field f : {field::source, field::destination, field::other}) {
    EXPECT_FALSE(w.enter_starts_restore(f));
  }
  w.enter_restore_mode();
  EXPECT_TRUE(w.enter_starts_restore(field::destination));
  EXPECT_FALSE(w.enter_starts_restore(field::source));
  EXPECT_FALSE(w.enter_starts_restore(field::other));
}

TEST_F(MainWindow, ChooserWritesIntoTheFieldOfItsTagAndClosesOnlyWhenAccepted) {
  main_window& w = start();
  w.browse_destination();
  EXPECT_TRUE(w.chooser.visible);
  EXPECT_EQ(w.chooser.tag, 2);
  EXPECT_EQ(w.chooser.prompt,
            sj("現在のディレクトリ・リストはバックアップ先フォルダに反映されます。"));
  w.chooser_moved("/");
  EXPECT_EQ(w.form.destination_field(), "/");
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_FALSE(w.chooser_decided("/"));
  EXPECT_TRUE(w.chooser.visible);
  EXPECT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(w.chooser_decided("/srv/keep"));
  EXPECT_FALSE(w.chooser.visible);
  EXPECT_EQ(w.form.destination_field(), "/srv/keep");

  w.browse_source();
  EXPECT_EQ(w.chooser.tag, 1);
  EXPECT_EQ(w.chooser.prompt,
            sj("現在のディレクトリ・リストはバックアップ元フォルダに反映されます。"));
  EXPECT_TRUE(w.chooser_decided("/home/u"));
  EXPECT_EQ(w.form.source_field(), "/home/u");
  EXPECT_EQ(w.form.destination_field(), "/srv/keep");
}

TEST_F(MainWindow, AFailedSaveIsToldOncePerSave) {
  testing_support::write_file(dir_.at("blocker"), "a file where a folder should be");
  main_window& w = start(dir_.at("blocker") + "\\Zcli.dat");
  ASSERT_EQ(messages_.texts.size(), 1u);  // the file could not be created at start
  messages_.texts.clear();
  register_job(w, "lost", "c:\\a", "d:\\a");
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_NE(messages_.texts[0].find(sj("を保存できませんでした。")), std::string::npos);
  EXPECT_EQ(w.form.job_box.entries.size(), 1u);  // the change lives on in memory
  w.new_job();
  w.delete_job();  // nothing to delete: nothing saved, nothing told
  EXPECT_EQ(messages_.texts.size(), 1u);
}

TEST_F(MainWindow, ALongPathIsUsedWholeAndAJobTheFileCannotHoldIsRefusedWithAMessage) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src\\a.txt"), "a");
  // Twelve nested Japanese names: past 255 bytes, where the twelfth would be cut off.
  std::string store = dir_.at("");
  for (int i = 1; i <= 12; ++i) store += sj("バックアップ保存フォルダ") + std::to_string(i) + "\\";
  store.pop_back();
  ASSERT_GT(store.size(), 300u);
  main_window& w = start();
  w.form.set_source_field(dir_.at("src"));
  w.form.set_destination_field(store);
  EXPECT_EQ(w.form.destination_field(), store);
  start_and_wait(w);
  EXPECT_EQ(testing_support::read_file(store + "\\Zolk0001\\a.txt"), "a");

  const std::string settings = testing_support::read_file(dir_.at("Zcli.dat"));
  w.form.set_job_name_text("deep");
  w.register_job();
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0].rfind(sj("バックアップ先フォルダが長すぎるため"), 0), 0u)
      << cp932::to_unicode(messages_.texts[0]);
  EXPECT_TRUE(w.form.job_box.entries.empty());
  EXPECT_EQ(testing_support::read_file(dir_.at("Zcli.dat")), settings);
  EXPECT_EQ(w.form.destination_field(), store);  // kept for the user to shorten
}

TEST_F(MainWindow, StartButtonRunsABackupOfTheFieldsThenARestoreOfTheChosenPoint) {
  testing_support::make_folders(dir_.at("src\\docs"));
  testing_support::write_file(dir_.at("src\\docs\\a.txt"), "first version");
  main_window& w = start();
  // Unregistered texts are backed up as they stand.
  w.form.set_source_field(dir_.at("src"));
  w.form.set_destination_field(dir_.at("store"));
  start_and_wait(w);
  EXPECT_EQ(run_.calls, (std::vector<std::string>{"show", "ended"}));
  EXPECT_FALSE(run_.log_.lines().empty());
  EXPECT_EQ(testing_support::read_file(dir_.at("store\\Zolk0001\\docs\\a.txt")), "first version");

  register_job(w, "job", dir_.at("src"), dir_.at("store"));
  w.enter_restore_mode();
  // The list was empty when the window started, so nothing is chosen until the user picks.
  EXPECT_EQ(w.restore_jobs.selected, -1);
  w.restore_jobs.select(0);
  w.restore_job_picked();
  ASSERT_EQ(w.point_list.entries.size(), 1u);
  // No point picked: the user is told, and no run window shows.
  w.form.set_destination_field(dir_.at("back"));
  const size_t lines_before = run_.log_.lines().size();
  const std::vector<std::string> calls_before = run_.calls;
  start_and_wait(w);
  EXPECT_EQ(messages_.texts, std::vector<std::string>{sj("復元する時点を選択してください。")});
  EXPECT_EQ(run_.calls, calls_before);
  EXPECT_EQ(run_.log_.lines().size(), lines_before);
  // Enter in the target field starts nothing either, and says the same.
  w.on_destination_enter();
  EXPECT_EQ(messages_.texts.size(), 2u);
  EXPECT_EQ(messages_.texts[1], messages_.texts[0]);
  EXPECT_EQ(run_.calls, calls_before);
  EXPECT_FALSE(host::default_host().exists(dir_.at("back")));
  w.point_list.select(0);
  // With a point, Enter in the target field first checks it as leaving it would.
  w.form.set_destination_field(k_root);
  w.on_destination_enter();
  EXPECT_EQ(messages_.texts.size(), 3u);
  EXPECT_EQ(run_.calls, calls_before);
  w.form.set_destination_field(dir_.at("back"));
  w.on_destination_enter();
  run_to_end(w);
  EXPECT_EQ(run_.calls.size(), calls_before.size() + 2);
  const std::vector<std::string>& texts = run_.log_.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), sj("-----* 処理の開始 *-----\r\n")), texts.end());
  EXPECT_EQ(testing_support::read_file(dir_.at("back\\docs\\a.txt")), "first version");
}

TEST_F(MainWindow, ARestoreIntoAFolderThatHoldsFilesIsAskedAboutFirst) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::write_file(dir_.at("src\\a.txt"), "backed up");
  main_window& w = start();
  register_job(w, "job", dir_.at("src"), dir_.at("store"));
  start_and_wait(w);
  w.enter_restore_mode();
  w.restore_jobs.select(0);
  w.restore_job_picked();
  w.point_list.select(0);
  run_.calls.clear();

  // A new target and an empty one: nothing to ask.
  w.form.set_destination_field(dir_.at("new"));
  start_and_wait(w);
  testing_support::make_folders(dir_.at("empty"));
  w.form.set_destination_field(dir_.at("empty"));
  start_and_wait(w);
  EXPECT_TRUE(messages_.questions.empty());
  EXPECT_EQ(testing_support::read_file(dir_.at("empty\\a.txt")), "backed up");

  // No: the run window is not even shown and the files stay.
  testing_support::write_file(dir_.at("new\\a.txt"), "edited since");
  run_.calls.clear();
  messages_.answer = false;
  w.form.set_destination_field(dir_.at("new"));
  start_and_wait(w);
  EXPECT_EQ(
      messages_.questions,
      std::vector<std::string>{sj(
          "復元先フォルダは空ではありません。同じ名前のファイルは上書きされます。続けますか？")});
  EXPECT_TRUE(run_.calls.empty());
  EXPECT_EQ(testing_support::read_file(dir_.at("new\\a.txt")), "edited since");
  // Yes: restored over them.
  messages_.answer = true;
  start_and_wait(w);
  EXPECT_EQ(messages_.questions.size(), 2u);
  EXPECT_EQ(run_.calls, (std::vector<std::string>{"show", "ended"}));
  EXPECT_EQ(testing_support::read_file(dir_.at("new\\a.txt")), "backed up");
  // A target the restore refuses anyway is not asked about.
  w.form.set_destination_field(dir_.at("store"));
  start_and_wait(w);
  EXPECT_EQ(messages_.questions.size(), 2u);
  EXPECT_TRUE(messages_.texts.empty());
}

using ui_testing::held_copy;

// Hands on the run's reports until the run waits in the held copy.
bool wait_until_reached(main_window& w, const held_copy& held) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!held.reached() && std::chrono::steady_clock::now() < give_up) {
    w.poll_run();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return held.reached();
}

class RunningWindow : public MainWindow {
 protected:
  // A source of three files; the copy of b.txt holds the first run.
  main_window& start_held_backup() {
    testing_support::make_folders(dir_.at("src"));
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      testing_support::write_file(dir_.at("src\\") + name, std::string("text of ") + name);
    }
    host_ = &host_under_test_;
    main_window& w = start();
    w.form.set_source_field(dir_.at("src"));
    w.form.set_destination_field(dir_.at("store"));
    held_ = std::make_unique<held_copy>(host_under_test_, "b.txt");
    w.start();
    EXPECT_TRUE(wait_until_reached(w, *held_));
    return w;
  }
  bool has_line(const std::string& utf8) const {
    const std::vector<std::string>& lines = run_.log_.lines();
    return std::find(lines.begin(), lines.end(), sj(utf8.c_str())) != lines.end();
  }
  // The held run's store and the copy are destroyed before the fault host.
  void TearDown() override {
    if (held_) held_->release();
    window_.reset();
  }
  std::unique_ptr<held_copy> held_;
};

TEST_F(RunningWindow, WhileARunWorksTheStartButtonIsDisabledAndStartsNothing) {
  main_window& w = start_held_backup();
  EXPECT_TRUE(w.run_working());
  EXPECT_FALSE(w.start_button.enabled);
  w.page_changed();  // a mode switch cannot enable it either
  EXPECT_FALSE(w.start_button.enabled);
  w.start();
  w.start();
  EXPECT_EQ(run_.calls, std::vector<std::string>{"show"});
  held_->release();
  run_to_end(w);
  EXPECT_EQ(run_.calls, (std::vector<std::string>{"show", "ended"}));
  EXPECT_EQ(run_.log_.lines().back(),
            sj("処理は終了しました。ログ保存終了か、終了ボタンを押してください。"));
  EXPECT_TRUE(w.start_button.enabled);
  // Exactly one point: nothing was kept for later.
  EXPECT_EQ(engine::restore_point_entries(host::default_host(), dir_.at("store")).size(), 1u);
  EXPECT_FALSE(w.poll_run());
  EXPECT_EQ(run_.calls.size(), 2u);
}

TEST_F(RunningWindow, StopIsAskedAndLeavesACutRunThatTheNextRunCompletes) {
  main_window& w = start_held_backup();
  messages_.answer = false;
  EXPECT_FALSE(w.stop_run());
  EXPECT_EQ(w.run.state(), run_state::running);
  messages_.answer = true;
  EXPECT_TRUE(w.stop_run());
  EXPECT_EQ(w.run.state(), run_state::stopping);
  EXPECT_FALSE(w.stop_run());  // already stopping: not asked again
  EXPECT_EQ(messages_.questions,
            std::vector<std::string>(
                2, sj("処理を中止しますか？ 中止した処理は次回のバックアップで完了されます。")));
  held_->release();
  run_to_end(w);
  EXPECT_TRUE(
      has_line("err:中止の指示により処理を止めました。次回のバックアップが続きを完了します。"));
  EXPECT_EQ(run_.log_.lines().back(),
            sj("処理は終了しました。ログ保存終了か、終了ボタンを押してください。"));
  EXPECT_TRUE(host::default_host().exists(dir_.at("store\\.zolk-run")));

  start_and_wait(w);
  EXPECT_FALSE(host::default_host().exists(dir_.at("store\\.zolk-run")));
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    // The completing run went on into the next point, which holds the whole source.
    EXPECT_EQ(testing_support::read_file(dir_.at("store\\Zolk0002\\") + name),
              std::string("text of ") + name);
  }
}

TEST_F(RunningWindow, TheStoppedRunsPointIsMarkedAndItsRestoreRefusedUntilTheNextRun) {
  main_window& w = start_held_backup();
  EXPECT_TRUE(w.stop_run());
  held_->release();
  run_to_end(w);
  register_job(w, "job", dir_.at("src"), dir_.at("store"));
  w.enter_restore_mode();
  w.restore_jobs.select(0);
  w.restore_job_picked();
  ASSERT_EQ(w.point_list.entries.size(), 1u);
  const std::string& entry = w.point_list.entries[0];
  const std::string mark = sj(" （未完了：中断されたバックアップ）");
  ASSERT_GT(entry.size(), mark.size());
  EXPECT_EQ(entry.substr(entry.size() - mark.size()), mark);

  // Refused before the run window shows: nothing is written.
  w.point_list.select(0);
  w.form.set_destination_field(dir_.at("back"));
  run_.calls.clear();
  w.start();
  EXPECT_FALSE(w.run_working());
  EXPECT_EQ(messages_.texts, std::vector<std::string>{
                                 sj("この時点のバックアップは中断されたため未完了で、復元出来ませ"
                                    "ん。もう一度バックアップを実行すると完了し、復元出来るよう"
                                    "になります。")});
  EXPECT_TRUE(run_.calls.empty());
  EXPECT_FALSE(host::default_host().exists(dir_.at("back")));

  // The next backup completes it: both points are offered and restore.
  w.enter_backup_mode();
  start_and_wait(w);
  w.enter_restore_mode();
  w.restore_jobs.select(0);
  w.restore_job_picked();
  ASSERT_EQ(w.point_list.entries.size(), 2u);
  EXPECT_EQ(w.point_list.entries[1].find(mark), std::string::npos);
  w.point_list.select(1);
  w.form.set_destination_field(dir_.at("back"));
  start_and_wait(w);
  EXPECT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(testing_support::read_file(dir_.at("back\\b.txt")), "text of b.txt");
}

TEST_F(RunningWindow, ClosingDuringARunAsksAndNoLetsTheRunGoOn) {
  main_window& w = start_held_backup();
  messages_.answer = false;
  EXPECT_EQ(w.ask_close(), close_answer::stay);
  EXPECT_EQ(w.run.state(), run_state::running);
  messages_.answer = true;
  EXPECT_EQ(w.ask_close(), close_answer::after_run);
  EXPECT_EQ(w.run.state(), run_state::stopping);
  EXPECT_EQ(w.ask_close(), close_answer::after_run);
  EXPECT_EQ(messages_.questions.size(), 2u);
  held_->release();
  run_to_end(w);
  EXPECT_EQ(w.ask_close(), close_answer::close_now);
  EXPECT_EQ(messages_.questions.size(), 2u);
}

TEST_F(RunningWindow, EndingTheProgramDuringARunWaitsForTheRunAndThenEndsOnce) {
  main_window& w = start_held_backup();
  messages_.answer = false;
  EXPECT_FALSE(w.end_asked());
  EXPECT_FALSE(w.take_end_due());  // the user let the run go on
  messages_.answer = true;
  EXPECT_FALSE(w.end_asked());
  EXPECT_FALSE(w.take_end_due());  // not before the run has ended
  held_->release();
  run_to_end(w);
  EXPECT_TRUE(w.take_end_due());
  EXPECT_FALSE(w.take_end_due());
  EXPECT_TRUE(w.end_asked());  // no run: ends at once, nothing asked
  EXPECT_EQ(messages_.questions.size(), 2u);
}

TEST_F(MainWindow, ARefusedRunSoundsOnceItHasEnded) {
  testing_support::make_folders(dir_.at("src"));
  main_window& w = start();
  w.form.set_source_field(dir_.at("src"));
  w.form.set_destination_field(dir_.at("src\\store"));  // inside the source
  start_and_wait(w);
  EXPECT_EQ(run_.calls, (std::vector<std::string>{"show", "alert", "ended"}));
}

}  // namespace
}  // namespace ui
