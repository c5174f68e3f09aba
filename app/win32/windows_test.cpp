// The Win32 windows of the desktop program, created for real and driven with the messages a
// user's clicks, typing, picks and focus moves send; their runs work on the worker thread.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/program.h"
#include "jobs/job_list.h"
#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"
#include "ui/job_form.h"
#include "ui/run_testing.h"
#include "ui/window_texts.h"

namespace zolk_win32 {
namespace {

using testing_support::list_tree;
using testing_support::write_file;

std::string sj(const char* utf8) { return cp932::from_unicode(utf8); }
std::wstring w(const char* utf8) { return wide(sj(utf8)); }
std::wstring w(ui::wt id) { return wtext(id); }
// A path of the temporary folder as the windows show it, with the separators of Windows.
std::wstring shown(std::string cp932_path) {
  for (char& c : cp932_path) {
    if (c == '/') c = '\\';  // '/' is never the trail byte of a double-byte character
  }
  return wide(cp932_path);
}

class captured_messages : public ui::message_port {
 public:
  void show_message(const std::string& text) override { texts.push_back(wide(text)); }
  bool ask_yes_no(const std::string& text) override {
    questions.push_back(wide(text));
    return answer;
  }
  std::vector<std::wstring> texts;
  std::vector<std::wstring> questions;
  bool answer = true;
};

bool visible(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }
bool enabled(HWND control) { return IsWindowEnabled(control) != FALSE; }

class Win32Windows : public ::testing::Test {
 protected:
  void SetUp() override { prepare_controls(); }
  void TearDown() override {
    if (held_) held_->release();
    if (w_) pump_until([this] { return !main().logic().run_working(); });
    w_.reset();
  }

  void open() {
    w_ = std::make_unique<windows>(host_, dir_.at("Zcli.dat"), messages_);
    main().on_end = [this] { ++ended_; };
    ASSERT_NE(main().hwnd(), nullptr);
    ShowWindow(main().hwnd(), SW_SHOW);
    SetForegroundWindow(main().hwnd());
  }
  main_window_view& main() { return *w_->main_view; }
  folder_chooser& chooser() { return *w_->chooser; }
  run_window& run_view() { return *w_->run_view; }

  // Lets the windows handle their messages (timers, posted checks) for `ms` milliseconds.
  static void pump(int ms) {
    pump_until([] { return false; }, ms);
  }
  static bool pump_until(const std::function<bool()>& done, int ms = 120000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  bool wait_for_run() {
    return pump_until([this] { return !main().logic().run_working(); });
  }
  static void click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
  // What the user's typing leaves: the new text, and the notification of the change.
  static void type(HWND field, const std::string& cp932_text) {
    SetWindowTextW(field, wide(cp932_text).c_str());
    wchar_t name[32] = {};
    GetClassNameW(field, name, 32);
    const bool combo = lstrcmpiW(name, WC_COMBOBOXW) == 0;
    SendMessageW(GetParent(field), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(field), combo ? CBN_EDITCHANGE : EN_CHANGE),
                 reinterpret_cast<LPARAM>(field));
  }
  // The user picks an entry of a drop-down list.
  static void pick(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }
  static std::vector<std::wstring> entries(HWND combo) {
    std::vector<std::wstring> out;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
      out.push_back(text.c_str());
    }
    return out;
  }
  // Focus moves as the Tab key or a click makes them, and the checks they start.
  void move_focus(HWND from, HWND to) {
    SetFocus(from);
    pump(20);
    SetFocus(to);
    pump(50);
  }
  void register_job(const std::string& name, const std::string& source,
                    const std::string& destination) {
    type(main().job_name_box, name);
    type(main().comment_field, name + " comment");
    type(main().source_folder, source);
    type(main().destination_folder, destination);
    click(main().register_button);
  }

  testing_support::temp_folder dir_;
  host::fault_host host_{host::default_host()};
  captured_messages messages_;
  std::unique_ptr<windows> w_;
  std::unique_ptr<ui_testing::held_copy> held_;
  int ended_ = 0;
};

// What the user types reaches Zolk with its separators as separators, and every name the
// system gives (a character CP932 lacks, a 表 whose second byte is 0x5C) comes back the same.
TEST(Win32Text, TypedPathsKeepTheirSeparatorsAndEveryNameRoundTrips) {
  EXPECT_EQ(narrow(L"c:\\data\\x"), "c:\\data\\x");
  EXPECT_EQ(narrow(w("c:\\表\\予定")), "c:\\" + sj("表") + "\\" + sj("予定"));
  EXPECT_EQ(host::split_path(narrow(w("c:\\表\\予定"))).size(), 3u);
  for (const std::wstring& name :
       {std::wstring(L"caf\u00E9"), std::wstring(L"\U0001F600 emoji"),
        std::wstring{wchar_t(0xDC00), L'x'}, w("履歴バックアップ"), std::wstring(L"a/b")}) {
    EXPECT_EQ(wide(narrow(name)), name);
  }
}

TEST_F(Win32Windows, StartWithoutJobsShowsTheNewJobStateWithTheWindowsTexts) {
  open();
  main_window_view& m = main();
  EXPECT_EQ(window_text(m.hwnd()), w("Ｚ-ＯＬＫ"));
  EXPECT_EQ(window_text(m.backup_mode_button), w("履歴バックアップ"));
  EXPECT_EQ(window_text(m.restore_mode_button), w("復　　元"));
  EXPECT_EQ(window_text(m.mode_heading), w("新規作成状態です。設定して登録して下さい。"));
  EXPECT_EQ(window_text(m.delete_button), w("クリア"));
  EXPECT_EQ(window_text(m.destination_label), w("バックアップ先フォルダ"));
  EXPECT_EQ(window_text(m.browse_source), w("参  照"));
  EXPECT_EQ(window_text(m.start_button), w("現在の設定を実行"));
  EXPECT_EQ(m.hint_of(m.mode_status), w("現在のモードは、履歴バックアップです。"));
  EXPECT_EQ(m.hint_of(m.end_button), w("プログラムを終了します。（Alt+X）"));
  EXPECT_EQ(m.hint_of(m.backup_mode_button), w("履歴バックアップの処理を行います。（Alt+B）"));
  EXPECT_EQ(m.hint_of(m.register_button), w("現在の設定を保存します。（Alt+T）"));
  EXPECT_EQ(m.hint_of(m.start_button), w("（Alt+S）"));
  std::wstring status(200, L'\0');
  SendMessageW(m.status_bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(&status[0]));
  EXPECT_EQ(std::wstring(status.c_str()), w("ジョブ名は、設定を保存するのに利用されます。"));
  EXPECT_EQ(SendMessageW(m.backup_mode_button, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(enabled(m.new_job_button));
  EXPECT_FALSE(visible(m.restore_panel));
  EXPECT_FALSE(visible(m.point_list));
  EXPECT_FALSE(visible(m.store_folder));
  // A fixed frame with a minimise box only, and the client area of 554 x 327 at 96 dpi.
  const LONG_PTR style = GetWindowLongPtrW(m.hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  RECT client;
  GetClientRect(m.hwnd(), &client);
  EXPECT_EQ(client.right, scaled(554, dpi_of(m.hwnd())));
  EXPECT_EQ(client.bottom, scaled(327, dpi_of(m.hwnd())));
  // The chooser and the run window exist, hidden.
  EXPECT_FALSE(IsWindowVisible(chooser().hwnd()));
  EXPECT_FALSE(IsWindowVisible(run_view().hwnd()));
  EXPECT_EQ(window_text(run_view().hwnd()), w("実行画面"));
  EXPECT_EQ(window_text(run_view().stop_button), w("中止"));
  EXPECT_FALSE(enabled(run_view().save_log_button));
}

TEST_F(Win32Windows, TheTabKeyGoesThroughTheFieldsOfTheModeInForce) {
  open();
  main_window_view& m = main();
  auto order = [&](HWND first, int steps) {
    std::vector<HWND> seen;
    HWND at = first;
    for (int i = 0; i < steps; ++i) {
      at = GetNextDlgTabItem(m.hwnd(), at, FALSE);
      seen.push_back(at);
    }
    return seen;
  };
  EXPECT_EQ(order(m.job_name_box, 4), (std::vector<HWND>{m.comment_field, m.source_folder,
                                                         m.destination_folder, m.job_name_box}));
  click(m.restore_mode_button);
  EXPECT_EQ(
      order(m.destination_folder, 4),
      (std::vector<HWND>{m.by_job_name, m.restore_job_box, m.point_list, m.destination_folder}));
}

TEST_F(Win32Windows, AltAndALetterPressTheButtonOnShow) {
  open();
  main_window_view& m = main();
  auto alt = [&](wchar_t key) { SendMessageW(m.hwnd(), WM_SYSCOMMAND, SC_KEYMENU, key); };
  alt(L'r');
  EXPECT_EQ(m.logic().main_mode, ui::k_restore_mode);
  // In restore mode by job name neither browse button of the source is on show.
  alt(L'1');
  EXPECT_FALSE(IsWindowVisible(chooser().hwnd()));
  alt(L'2');
  EXPECT_TRUE(IsWindowVisible(chooser().hwnd()));
  EXPECT_EQ(m.logic().chooser.tag, 2);
  alt(L'B');
  EXPECT_EQ(m.logic().main_mode, ui::k_backup_mode);
  alt(L'1');
  EXPECT_EQ(m.logic().chooser.tag, 1);
  alt(L'x');
  EXPECT_EQ(ended_, 1);
}

TEST_F(Win32Windows, RegisterBackUpAndRestoreATreeWithJapaneseNames) {
  const std::string source = dir_.at(sj("元データ"));
  testing_support::make_folders(source + "\\" + sj("資料"));
  write_file(source + "\\" + sj("資料") + "\\" + sj("報告書.txt"), "report");
  write_file(source + "\\" + sj("表計算.csv"), "1,2,3");
  write_file(source + "\\a.txt", "a");
  open();
  main_window_view& m = main();
  register_job(sj("日本語ジョブ"), source, dir_.at(sj("履歴")));
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_EQ(entries(m.job_name_box), std::vector<std::wstring>{w("日本語ジョブ")});
  EXPECT_EQ(window_text(m.job_name_box), w("日本語ジョブ"));
  EXPECT_TRUE(testing_support::exists(dir_.at("Zcli.dat")));

  click(m.start_button);
  EXPECT_TRUE(IsWindowVisible(run_view().hwnd()));
  ASSERT_TRUE(wait_for_run());
  EXPECT_TRUE(testing_support::is_folder(dir_.at(sj("履歴") + "\\Zolk0001")));
  const std::vector<std::wstring> backup_lines = run_view().shown_lines();
  ASSERT_FALSE(backup_lines.empty());
  EXPECT_NE(
      std::find(backup_lines.begin(), backup_lines.end(), wide(ui::text(ui::wt::run_finished))),
      backup_lines.end());
  EXPECT_FALSE(enabled(run_view().stop_button));
  EXPECT_TRUE(enabled(run_view().save_log_button));
  EXPECT_TRUE(enabled(m.start_button));

  click(m.restore_mode_button);
  EXPECT_EQ(window_text(m.destination_label), w("復元先フォルダ"));
  EXPECT_EQ(window_text(m.mode_heading), w("復元を行います。"));
  EXPECT_EQ(m.hint_of(m.mode_status), w("現在のモードは、復元です。"));
  EXPECT_TRUE(visible(m.restore_panel));
  EXPECT_FALSE(visible(m.job_name_box));
  EXPECT_FALSE(enabled(m.register_button));
  EXPECT_EQ(window_text(m.destination_folder), L"");
  // The job registered in this session is listed; the user picks it.
  EXPECT_EQ(entries(m.restore_job_box), std::vector<std::wstring>{w("日本語ジョブ")});
  pick(m.restore_job_box, 0);
  EXPECT_EQ(window_text(m.restore_job_box), w("日本語ジョブ"));
  const std::vector<std::wstring> points = entries(m.point_list);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].substr(0, 6), L"0001: ");

  const std::string target = dir_.at(sj("復元先"));
  pick(m.point_list, 0);
  type(m.destination_folder, target);
  click(m.start_button);
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(list_tree(target), list_tree(source));
  EXPECT_EQ(list_tree(target).at(sj("資料") + "/" + sj("報告書.txt")), "report");
  // The log keeps the backup's lines above the restore's.
  const std::vector<std::wstring> all_lines = run_view().shown_lines();
  ASSERT_GT(all_lines.size(), backup_lines.size());
  EXPECT_TRUE(std::equal(backup_lines.begin(), backup_lines.end(), all_lines.begin()));

  // Back in history backup mode the job's own fields return.
  click(m.backup_mode_button);
  EXPECT_TRUE(visible(m.job_name_box));
  EXPECT_EQ(window_text(m.destination_folder), wide(dir_.at(sj("履歴"))));
}

TEST_F(Win32Windows, ARestoreOverFilesIsAskedAboutAndNoStartsNothing) {
  testing_support::make_folders(dir_.at("src"));
  testing_support::make_folders(dir_.at("target"));
  write_file(dir_.at("src\\a.txt"), "new");
  write_file(dir_.at("target\\a.txt"), "old");
  open();
  main_window_view& m = main();
  register_job("job", dir_.at("src"), dir_.at("store"));
  click(m.start_button);
  ASSERT_TRUE(wait_for_run());
  const size_t lines = run_view().shown_lines().size();
  ShowWindow(run_view().hwnd(), SW_HIDE);
  click(m.restore_mode_button);
  pick(m.restore_job_box, 0);
  pick(m.point_list, 0);
  type(m.destination_folder, dir_.at("target"));
  messages_.answer = false;
  click(m.start_button);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(messages_.questions[0], w(ui::wt::restore_over_files));
  EXPECT_FALSE(IsWindowVisible(run_view().hwnd()));
  EXPECT_EQ(testing_support::read_file(dir_.at("target\\a.txt")), "old");
  // Yes restores over the file; the run window shows again with the old log above.
  messages_.answer = true;
  click(m.start_button);
  EXPECT_TRUE(IsWindowVisible(run_view().hwnd()));
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(testing_support::read_file(dir_.at("target\\a.txt")), "new");
  EXPECT_GT(run_view().shown_lines().size(), lines);
  // 終了 hides the run window once the run has ended.
  click(run_view().close_button);
  EXPECT_FALSE(IsWindowVisible(run_view().hwnd()));
}

TEST_F(Win32Windows, LeavingAFolderFieldShowsTheCheckMessageAndKeepsTheFocus) {
  open();
  main_window_view& m = main();
  // An empty field is left without a word.
  move_focus(m.destination_folder, m.source_folder);
  EXPECT_TRUE(messages_.texts.empty());

  type(m.source_folder, "c:\\");
  move_focus(m.source_folder, m.destination_folder);
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0],
            w("バックアップ元フォルダにルートフォルダが指定されました。"
              "ルートフォルダの指定は現在サポートされていません。"
              "ルートディレクトリ以下の何れかのフォルダを指定するようにして下さい。"));
  EXPECT_EQ(GetFocus(), m.source_folder);

  type(m.source_folder, dir_.at("src"));
  type(m.destination_folder, dir_.at("src\\hist"));
  move_focus(m.destination_folder, m.source_folder);
  ASSERT_EQ(messages_.texts.size(), 2u);
  EXPECT_EQ(messages_.texts[1], w("バックアップ先フォルダに、バックアップ元フォルダのサブフォルダを"
                                  "指定する事はできません。他のフォルダを指定して下さい。"));
  EXPECT_EQ(GetFocus(), m.destination_folder);

  // In restore mode the target's root is told in the words of a restore.
  click(m.restore_mode_button);
  type(m.destination_folder, "d:\\");
  move_focus(m.destination_folder, m.point_list);
  ASSERT_EQ(messages_.texts.size(), 3u);
  EXPECT_EQ(
      messages_.texts[2].substr(0, w("復元先フォルダにルートフォルダが指定されました。").size()),
      w("復元先フォルダにルートフォルダが指定されました。"));
  // The start button without a picked point says so and starts nothing.
  click(m.start_button);
  ASSERT_EQ(messages_.texts.size(), 4u);
  EXPECT_EQ(messages_.texts[3], w("復元する時点を選択してください。"));
  EXPECT_FALSE(IsWindowVisible(run_view().hwnd()));
}

TEST_F(Win32Windows, AClickDuringARunIsDroppedAndStopAsksFirst) {
  testing_support::make_folders(dir_.at("src"));
  write_file(dir_.at("src\\a.txt"), "a");
  write_file(dir_.at("src\\held.txt"), "held");
  open();
  main_window_view& m = main();
  register_job("job", dir_.at("src"), dir_.at("store"));
  held_ = std::make_unique<ui_testing::held_copy>(host_, "held.txt");
  click(m.start_button);
  ASSERT_TRUE(pump_until([this] { return held_->reached(); }));
  EXPECT_FALSE(enabled(m.restore_mode_button));
  EXPECT_FALSE(enabled(m.start_button));
  EXPECT_FALSE(enabled(m.register_button));
  EXPECT_TRUE(enabled(run_view().stop_button));
  // Even a button forced back to life does nothing while the run works.
  for (HWND b : {m.restore_mode_button, m.register_button, m.start_button}) {
    EnableWindow(b, TRUE);
    click(b);
  }
  SendMessageW(m.hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 'r');
  EXPECT_EQ(m.logic().main_mode, ui::k_backup_mode);
  EXPECT_EQ(entries(m.job_name_box).size(), 1u);
  // 中止 asks, and No lets the run go on.
  messages_.answer = false;
  click(run_view().stop_button);
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(messages_.questions[0], w(ui::wt::stop_question_backup));
  EXPECT_EQ(m.logic().run.state(), ui::run_state::running);
  messages_.answer = true;
  click(run_view().stop_button);
  EXPECT_EQ(m.logic().run.state(), ui::run_state::stopping);
  EXPECT_FALSE(enabled(run_view().stop_button));
  held_->release();
  ASSERT_TRUE(wait_for_run());
  // Nothing was kept for later: the mode is the one before, and clicks work again.
  EXPECT_EQ(m.logic().main_mode, ui::k_backup_mode);
  EXPECT_TRUE(enabled(m.restore_mode_button));
  click(m.restore_mode_button);
  EXPECT_EQ(m.logic().main_mode, ui::k_restore_mode);
}

TEST_F(Win32Windows, TheEndButtonEndsOnlyAfterTheQuestionDuringARun) {
  testing_support::make_folders(dir_.at("src"));
  write_file(dir_.at("src\\held.txt"), "held");
  open();
  main_window_view& m = main();
  click(m.end_button);
  EXPECT_EQ(ended_, 1);
  register_job("job", dir_.at("src"), dir_.at("store"));
  held_ = std::make_unique<ui_testing::held_copy>(host_, "held.txt");
  click(m.start_button);
  ASSERT_TRUE(pump_until([this] { return held_->reached(); }));
  SendMessageW(m.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(ended_, 1);  // not before the run has ended
  held_->release();
  ASSERT_TRUE(wait_for_run());
  EXPECT_EQ(ended_, 2);
}

TEST_F(Win32Windows, TheChooserWritesEachMoveIntoTheFieldAndChecksOnDecide) {
  testing_support::make_folders(dir_.at(sj("保存")));
  testing_support::make_folders(dir_.at(sj("保存") + "\\" + sj("二〇二六")));
  testing_support::make_folders(dir_.at("other"));
  open();
  main_window_view& m = main();
  click(m.browse_destination);
  EXPECT_TRUE(IsWindowVisible(chooser().hwnd()));
  EXPECT_EQ(window_text(chooser().target_note),
            w("現在のディレクトリ・リストはバックアップ先フォルダに反映されます。"));
  EXPECT_EQ(window_text(chooser().decide_button), w("決定/閉じる"));
  EXPECT_FALSE(enabled(chooser().make_folder_button));
  EXPECT_GT(SendMessageW(chooser().drive_box, CB_GETCOUNT, 0, 0), 0);

  ASSERT_TRUE(chooser().go_to(dir_.at(sj("保存"))));
  EXPECT_EQ(window_text(m.destination_folder), shown(dir_.at(sj("保存"))));
  // The user moves down the tree: the field follows, unchecked.
  HTREEITEM here = TreeView_GetSelection(chooser().folder_view);
  TreeView_Expand(chooser().folder_view, here, TVE_EXPAND);
  HTREEITEM child = TreeView_GetChild(chooser().folder_view, here);
  ASSERT_NE(child, nullptr);
  TreeView_SelectItem(chooser().folder_view, child);
  EXPECT_EQ(window_text(m.destination_folder), shown(dir_.at(sj("保存") + "\\" + sj("二〇二六"))));
  EXPECT_TRUE(messages_.texts.empty());

  // "決定/閉じる" on a drive root: the message, and the chooser stays.
  std::wstring root = window_text(m.destination_folder).substr(0, 3);
  ASSERT_TRUE(chooser().go_to(narrow(root)));
  click(chooser().decide_button);
  ASSERT_EQ(messages_.texts.size(), 1u);
  EXPECT_EQ(messages_.texts[0].substr(
                0, w("バックアップ先フォルダにルートフォルダが指定されました。").size()),
            w("バックアップ先フォルダにルートフォルダが指定されました。"));
  EXPECT_TRUE(IsWindowVisible(chooser().hwnd()));
  ASSERT_TRUE(chooser().go_to(dir_.at("other")));
  click(chooser().decide_button);
  EXPECT_EQ(messages_.texts.size(), 1u);
  EXPECT_FALSE(IsWindowVisible(chooser().hwnd()));
  EXPECT_EQ(window_text(m.destination_folder), shown(dir_.at("other")));

  // Button1 fills the source field; the close box hides without a check.
  click(m.browse_source);
  EXPECT_EQ(window_text(chooser().target_note),
            w("現在のディレクトリ・リストはバックアップ元フォルダに反映されます。"));
  ASSERT_TRUE(chooser().go_to(dir_.at(sj("保存"))));
  EXPECT_EQ(window_text(m.source_folder), shown(dir_.at(sj("保存"))));
  SendMessageW(chooser().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(chooser().hwnd()));
  EXPECT_FALSE(m.logic().chooser.visible);
}

TEST_F(Win32Windows, TheRunLogShowsLineEndsKeepsItsLastLinesAndSavesTheWholeSession) {
  open();
  run_window& r = run_view();
  r.add_line(sj("-----* 処理の開始 *-----\r\n"));
  EXPECT_EQ(r.shown_lines(), (std::vector<std::wstring>{w("-----* 処理の開始 *-----"), L""}));
  ui::run_batch batch;
  for (int i = 0; i < run_window::k_kept_lines + 100; ++i)
    batch.texts.push_back("line " + std::to_string(i));
  r.show_batch(batch, 0);
  const std::vector<std::wstring> kept = r.shown_lines();
  EXPECT_EQ(kept.size(), static_cast<size_t>(run_window::k_kept_lines));
  EXPECT_EQ(kept.back(), L"line " + std::to_wstring(run_window::k_kept_lines + 99));
  ShowWindow(r.hwnd(), SW_SHOW);
  const std::string saved = dir_.at(sj("ログ.txt"));
  r.ask_save_path = [&] { return saved; };
  ASSERT_TRUE(r.save_log_and_close());
  EXPECT_FALSE(IsWindowVisible(r.hwnd()));
  const std::string bytes = testing_support::read_file(saved);
  EXPECT_EQ(
      bytes.substr(0, 39),
      "-----* \xE5\x87\xA6\xE7\x90\x86\xE3\x81\xAE\xE9\x96\x8B\xE5\xA7\x8B *-----\r\n\r\nline 0");
  EXPECT_NE(bytes.find("line 5099\r\n"), std::string::npos);
}

}  // namespace
}  // namespace zolk_win32
