#include "ui/job_form.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "jobs/settings_bytes.h"
#include "platform/cp932.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using settings_bytes::block;
using settings_bytes::job_block;
using settings_bytes::le32;

using host::call_kind;
using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;
using ui::job_form;

const std::string k_header = settings_bytes::created_header();

std::string u(const char* utf8) { return cp932::from_unicode(utf8); }

// The window's start-up as far as the job fields go.
struct started {
  explicit started(host::host& h, const std::string& path) : form(h, path) {
    form.refresh_mode = [this] { ++refreshes; };
    load = form.begin_start();
    form.job_picked();
    form.finish_start();
  }
  job_form form;
  jobs::load_result load;
  int refreshes = 0;
};

// Picks entry `index` of job_combo, as the user does.
void pick(job_form& f, int index) {
  f.job_box.select(index);
  f.job_picked();
}

void enter(job_form& f, const std::string& name, const std::string& comment,
           const std::string& source, const std::string& destination) {
  f.set_job_name_text(name);
  f.set_comment_field(comment);
  f.set_source_field(source);
  f.set_destination_field(destination);
}

TEST(JobForm, FirstStartCreatesTheFileAndEntersTheNewJobState) {
  temp_folder tmp;
  started s(host::default_host(), tmp.at("Zcli.dat"));
  EXPECT_EQ(s.load.status, jobs::load_status::created);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header);
  EXPECT_EQ(s.form.state(), ui::job_state::new_job);
  EXPECT_EQ(s.form.current_job_index(), -1);
  EXPECT_EQ(s.form.job_box.text, "");
  EXPECT_GE(s.refreshes, 1);
  const ui::job_state_view v = s.form.state_view();
  EXPECT_EQ(v.mode_heading, u("新規作成状態です。設定して登録して下さい。"));
  EXPECT_EQ(v.sakujo_caption, u("クリア"));
  EXPECT_TRUE(v.touroku_enabled);
  EXPECT_FALSE(v.syusei_enabled);
  EXPECT_FALSE(v.new_job_enabled);
}

TEST(JobForm, StartShowsTheFirstJob) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                     job_block(0, "two", "c2", "s2", "d2"));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  EXPECT_EQ(s.form.job_box.entries, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(s.form.job_box.text, "one");
  EXPECT_EQ(s.form.current_job_index(), 0);
  EXPECT_EQ(s.form.comment_field(), "c1");
  EXPECT_EQ(s.form.source_field(), "s1");
  EXPECT_EQ(s.form.destination_field(), "d1");
  const ui::job_state_view v = s.form.state_view();
  EXPECT_EQ(v.mode_heading, u("履歴バックアップを行います。"));
  EXPECT_EQ(v.sakujo_caption, u("削除"));
  EXPECT_FALSE(v.touroku_enabled);
  EXPECT_TRUE(v.syusei_enabled);
}

TEST(JobForm, RegisteringMarksOnlyTheFirstJobAndWritesItsBytes) {
  temp_folder tmp;
  started s(host::default_host(), tmp.at("Zcli.dat"));
  enter(s.form, "", "", "", "");
  EXPECT_EQ(s.form.register_job(), job_form::outcome::saved);
  // Four empty fields: the 57-byte record, with first_job_mark 1.
  const std::string empty_job = std::string(
                                    "\x01\x00\x00\x00"
                                    "a",
                                    5) +
                                std::string("\x01\x00\x00\x00\x00", 5) +
                                std::string("\x01\x00\x00\x00\x00", 5) +
                                std::string("\x01\x00\x00\x00\x00", 5) +
                                std::string("\x01\x00\x00\x00\x00", 5) + std::string(32, '\0');
  ASSERT_EQ(read_file(tmp.at("Zcli.dat")), k_header + empty_job);
  EXPECT_EQ(empty_job.size(), 57u);

  enter(s.form, "\x95\x5C", "comment", "c:\\src", "d:\\dst");  // a name whose trail byte is 0x5C
  EXPECT_EQ(s.form.register_job(), job_form::outcome::saved);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")),
            k_header + empty_job + job_block(0, "\x95\x5C", "comment", "c:\\src", "d:\\dst"));
  EXPECT_EQ(s.form.job_box.selected, 1);
  EXPECT_EQ(s.form.current_job_index(), 1);
}

TEST(JobForm, RegisteringTwiceMakesTwoIdenticalJobsAndSelectsTheSecond) {
  temp_folder tmp;
  started s(host::default_host(), tmp.at("Zcli.dat"));
  enter(s.form, "same", "c", "s", "d");
  s.form.register_job();
  s.form.register_job();
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")),
            k_header + job_block(1, "same", "c", "s", "d") + job_block(0, "same", "c", "s", "d"));
  EXPECT_EQ(s.form.job_box.entries, (std::vector<std::string>{"same", "same"}));
  EXPECT_EQ(s.form.job_box.selected, 1);
  EXPECT_EQ(s.form.state(), ui::job_state::new_job);  // not refreshed until a job is picked
}

TEST(JobForm, ModifyRenamesTheJobAndRewritesTheFileEvenWhenNothingChanged) {
  temp_folder tmp;
  const std::string reserved = "kept";
  std::string header = std::string("Z-OLK Ver1.00") + '\0';
  for (int i = 14; i < 80; ++i) header += static_cast<char>(0xA0 + i);
  write_file(tmp.at("Zcli.dat"),
             header +
                 block(5, 'a',
                       {std::string("one"), std::string("c1"), std::string("s1"), std::string("d1"),
                        std::nullopt, reserved}) +
                 job_block(0, "two", "c2", "s2", "d2"));
  host::fault_host h(host::default_host());
  started s(h, tmp.at("Zcli.dat"));
  s.form.set_job_name_text("renamed");
  s.form.set_source_field("s1new");
  EXPECT_EQ(s.form.update_job(), job_form::outcome::saved);
  EXPECT_EQ(s.form.job_box.entries, (std::vector<std::string>{"renamed", "two"}));
  EXPECT_EQ(s.form.job_box.selected, 0);
  EXPECT_EQ(s.form.job_box.text, "renamed");
  const std::string expected =
      header +
      block(5, 'a',
            {std::string("renamed"), std::string("c1"), std::string("s1new"), std::string("d1"),
             std::nullopt, reserved}) +
      job_block(0, "two", "c2", "s2", "d2");
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), expected);
  const int replaces = h.calls(call_kind::replace);
  EXPECT_EQ(s.form.update_job(), job_form::outcome::saved);
  EXPECT_EQ(h.calls(call_kind::replace), replaces + 1);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), expected);
}

TEST(JobForm, RegisteringOrModifyingSelectsTheLaterOfTwoSameNames) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "dup", "c1", "s1", "d1") +
                                     job_block(0, "dup", "c2", "s2", "d2") +
                                     job_block(0, "other", "c3", "s3", "d3"));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  EXPECT_EQ(s.form.current_job_index(), 0);  // at start the first entry is shown
  pick(s.form, 2);
  s.form.set_job_name_text("dup");
  s.form.update_job();
  EXPECT_EQ(s.form.job_box.selected, 2);
  EXPECT_EQ(s.form.current_job_index(), 2);
  pick(s.form, 0);
  s.form.update_job();
  EXPECT_EQ(s.form.job_box.selected, 2);  // the last "dup"
}

TEST(JobForm, DeletingTheLastJobShowsTheOneBefore) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                     job_block(0, "two", "c2", "s2", "d2"));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  pick(s.form, 1);
  EXPECT_EQ(s.form.delete_job(), job_form::outcome::saved);
  EXPECT_EQ(s.form.job_box.entries, (std::vector<std::string>{"one"}));
  EXPECT_EQ(s.form.job_box.selected, 0);
  EXPECT_EQ(s.form.job_box.text, "one");
  EXPECT_EQ(s.form.source_field(), "s1");
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "one", "c1", "s1", "d1"));
}

TEST(JobForm, DeletingAMiddleJobShowsTheNextOrALaterNamesake) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                     job_block(0, "two", "c2", "s2", "d2") +
                                     job_block(0, "three", "c3", "s3", "d3"));
  {
    started s(host::default_host(), tmp.at("Zcli.dat"));
    pick(s.form, 1);
    s.form.delete_job();
    EXPECT_EQ(s.form.job_box.text, "three");
    EXPECT_EQ(s.form.current_job_index(), 1);
    EXPECT_EQ(s.form.comment_field(), "c3");
    EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                                 job_block(0, "three", "c3", "s3", "d3"));
  }
  write_file(tmp.at("Zcli.dat"),
             k_header + job_block(1, "a", "", "s1", "") + job_block(0, "b", "", "s2", "") +
                 job_block(0, "c", "", "s3", "") + job_block(0, "b", "", "s4", ""));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  pick(s.form, 1);
  s.form.delete_job();
  EXPECT_EQ(s.form.job_box.selected, 2);  // the later "b"
  EXPECT_EQ(s.form.source_field(), "s4");
}

TEST(JobForm, DeletingTheOnlyJobEmptiesListAndFileButKeepsTheFolderFields) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "only", "c", "s", "d"));
  host::fault_host h(host::default_host());
  started s(h, tmp.at("Zcli.dat"));
  EXPECT_EQ(s.form.delete_job(), job_form::outcome::saved);
  EXPECT_TRUE(s.form.list().empty());
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header);
  EXPECT_EQ(s.form.job_box.selected, -1);
  EXPECT_EQ(s.form.job_box.text, "");
  EXPECT_EQ(s.form.comment_field(), "c");
  EXPECT_EQ(s.form.source_field(), "s");
  EXPECT_EQ(s.form.destination_field(), "d");
  const int writes = h.calls(call_kind::open_write);
  EXPECT_EQ(s.form.update_job(), job_form::outcome::nothing_done);
  EXPECT_EQ(s.form.delete_job(), job_form::outcome::nothing_done);
  EXPECT_EQ(h.calls(call_kind::open_write), writes);
}

TEST(JobForm, ClearInTheNewJobStateNeverDeletesTheJustRegisteredJob) {
  temp_folder tmp;
  started s(host::default_host(), tmp.at("Zcli.dat"));
  enter(s.form, "new", "c", "s", "d");
  s.form.register_job();
  ASSERT_EQ(s.form.job_box.selected, 0);
  EXPECT_EQ(s.form.state_view().sakujo_caption, u("クリア"));
  EXPECT_EQ(s.form.delete_job(), job_form::outcome::nothing_done);
  EXPECT_EQ(s.form.list().size(), 1u);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "new", "c", "s", "d"));
}

TEST(JobForm, AForeignRecordIsNeitherShownNorCountedAndKeepsItsPlace) {
  temp_folder tmp;
  const std::string foreign = block(
      9, 'q',
      {std::string("hidden"), std::nullopt, std::string("x"), std::nullopt, std::string("r")});
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "one", "c1", "s1", "d1") + foreign +
                                     job_block(0, "two", "c2", "s2", "d2"));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  EXPECT_EQ(s.form.job_box.entries, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(s.form.history_jobs().size(), 2u);
  pick(s.form, 1);
  EXPECT_EQ(s.form.source_field(), "s2");
  s.form.set_comment_field("c2new");
  s.form.update_job();
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                               foreign + job_block(0, "two", "c2new", "s2", "d2"));
  s.form.new_job();
  enter(s.form, "three", "c3", "s3", "d3");
  s.form.register_job();
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                               foreign + job_block(0, "two", "c2new", "s2", "d2") +
                                               job_block(0, "three", "c3", "s3", "d3"));
  // Deleting the job after the foreign record moves the selection one entry up.
  pick(s.form, 2);
  s.form.delete_job();
  pick(s.form, 0);
  s.form.delete_job();
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")),
            k_header + foreign + job_block(0, "two", "c2new", "s2", "d2"));
  EXPECT_EQ(s.form.job_box.text, "two");
  EXPECT_EQ(s.form.source_field(), "s2");
}

TEST(JobForm, ChoosingAJobFillsTheFieldsAndNeverWrites) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "one", "c1", "s1", "d1") +
                                     job_block(0, "two", "c2", "s2", "d2"));
  host::fault_host h(host::default_host());
  started s(h, tmp.at("Zcli.dat"));
  s.form.new_job();
  EXPECT_EQ(s.form.source_field(), "");
  EXPECT_EQ(s.form.job_box.text, "");
  pick(s.form, 1);
  EXPECT_EQ(s.form.state(), ui::job_state::job_chosen);
  EXPECT_EQ(s.form.comment_field(), "c2");
  EXPECT_EQ(s.form.destination_field(), "d2");
  // Typing leaves no entry selected; the current job stays the one chosen last.
  s.form.set_job_name_text("typed");
  s.form.job_picked();
  EXPECT_EQ(s.form.current_job_index(), 1);
  EXPECT_EQ(s.form.destination_field(), "d2");
  EXPECT_EQ(h.mutations(), 0);
}

TEST(JobForm, AFailedSaveIsReportedAndTheChangeStaysInMemory) {
  temp_folder tmp;
  host::fault_host h(host::default_host());
  started s(h, tmp.at("Zcli.dat"));
  h.fail_call(call_kind::replace, 1);
  enter(s.form, "job", "", "s", "d");
  EXPECT_EQ(s.form.register_job(), job_form::outcome::save_failed);
  EXPECT_EQ(s.form.last_save_status(), jobs::save_status::replace_failed);
  EXPECT_FALSE(ui::save_problem_text(s.form.last_save_status(), tmp.at("Zcli.dat")).empty());
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header);
  EXPECT_EQ(s.form.list().size(), 1u);
  EXPECT_EQ(s.form.update_job(), job_form::outcome::saved);  // the next save carries it
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "job", "", "s", "d"));
}

TEST(JobForm, AnUnreadableFileIsNeverReplacedByLaterRegistrations) {
  temp_folder tmp;
  const std::string bytes = k_header + job_block(1, "precious", "", "s", "d");
  write_file(tmp.at("Zcli.dat"), bytes);
  host::fault_host h(host::default_host());
  h.fail_path(call_kind::open_read, "Zcli.dat");
  started s(h, tmp.at("Zcli.dat"));
  EXPECT_EQ(s.load.status, jobs::load_status::unreadable);
  EXPECT_FALSE(ui::load_problem_text(s.load.status, tmp.at("Zcli.dat")).empty());
  EXPECT_EQ(s.form.state(), ui::job_state::new_job);
  enter(s.form, "new", "", "", "");
  EXPECT_EQ(s.form.register_job(), job_form::outcome::save_failed);
  EXPECT_EQ(s.form.last_save_status(), jobs::save_status::refused_unreadable);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), bytes);
}

TEST(JobForm, FieldsKeepTheirWholeTextAndATextTheFileCannotHoldIsRefusedNotCut) {
  temp_folder tmp;
  started s(host::default_host(), tmp.at("Zcli.dat"));
  const std::string created = read_file(tmp.at("Zcli.dat"));
  std::string kanji_run;
  for (int i = 0; i < 200; ++i) kanji_run += "\x83\x5C";  // ソ: its trail byte is 0x5C
  enter(s.form, std::string(300, 'n'), "x" + kanji_run, kanji_run, std::string(256, 'd'));
  EXPECT_EQ(s.form.job_box.text, std::string(300, 'n'));
  EXPECT_EQ(s.form.comment_field(), "x" + kanji_run);
  EXPECT_EQ(s.form.source_field(), kanji_run);
  EXPECT_EQ(s.form.destination_field(), std::string(256, 'd'));

  // Each field in turn, as long as one is too long: nothing registered, nothing written.
  using field = ui::job_field;
  for (const field expected :
       {field::job_name, field::comment, field::source_folder, field::destination_folder}) {
    EXPECT_EQ(s.form.register_job(), job_form::outcome::refused_text);
    EXPECT_EQ(s.form.refused_field(), expected);
    EXPECT_TRUE(s.form.list().empty());
    EXPECT_EQ(read_file(tmp.at("Zcli.dat")), created);
    if (expected == field::job_name) s.form.set_job_name_text(std::string(255, 'n'));
    if (expected == field::comment) s.form.set_comment_field(kanji_run.substr(0, 254));
    if (expected == field::source_folder) s.form.set_source_field("s");
  }
  s.form.set_destination_field(std::string(255, 'd'));
  // A zero byte would end the text in the file: refused too.
  s.form.set_source_field(std::string("s\0t", 3));
  EXPECT_EQ(s.form.register_job(), job_form::outcome::refused_text);
  EXPECT_EQ(s.form.refused_field(), field::source_folder);
  EXPECT_FALSE(ui::unsavable_field_text(field::source_folder, s.form.source_field()).empty());
  s.form.set_source_field("s");
  EXPECT_EQ(s.form.register_job(), job_form::outcome::saved);
  EXPECT_EQ(s.form.job_box.text, std::string(255, 'n'));
  EXPECT_EQ(s.form.job_box.selected, 0);

  // Modifying is refused alike and leaves the job as it was.
  s.form.set_destination_field(std::string(400, 'e'));
  EXPECT_EQ(s.form.update_job(), job_form::outcome::refused_text);
  EXPECT_EQ(s.form.refused_field(), field::destination_folder);
  EXPECT_EQ(s.form.list().first()->text(jobs::k_destination_folder), std::string(255, 'd'));
  const std::string message =
      ui::unsavable_field_text(field::destination_folder, std::string(400, 'e'));
  EXPECT_NE(message.find(u("バックアップ先フォルダ")), std::string::npos);
  EXPECT_NE(message.find("400"), std::string::npos);
  EXPECT_NE(message.find("255"), std::string::npos);
}

TEST(JobForm, ALoadedTextLongerThanAFieldTakesIsShownAndWrittenBackWhole) {
  temp_folder tmp;
  const std::string long_source = "/" + std::string(600, 's');
  write_file(tmp.at("Zcli.dat"), k_header + job_block(1, "long", "c", long_source, "d") +
                                     job_block(0, "other", "", "s2", "d2"));
  started s(host::default_host(), tmp.at("Zcli.dat"));
  EXPECT_EQ(s.form.source_field(), long_source);
  pick(s.form, 1);
  EXPECT_EQ(s.form.delete_job(), job_form::outcome::saved);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat")), k_header + job_block(1, "long", "c", long_source, "d"));
  EXPECT_EQ(s.form.source_field(), long_source);
}

TEST(JobCombo, FillKeepsTheOldPositionWithoutAMatchAndSelectsNoneBeyondTheEntries) {
  jobs::job_list list;
  for (const char* n : {"a", "b"}) {
    auto r = std::make_unique<jobs::job_record>();
    r->job_kind = 'a';
    r->slot(1) = std::string(n);
    r->slot(3) = std::string("src-") + n;
    list.append(std::move(r));
  }
  ui::job_combo_model combo;
  combo.chosen_index = 1;
  combo.type("unknown");
  ui::fill_job_combo(combo, 'a', list, 1);
  EXPECT_EQ(combo.selected, 1);
  EXPECT_EQ(combo.text, "b");
  combo.chosen_index = 5;
  combo.type("unknown");
  ui::fill_job_combo(combo, 'a', list, 1);
  EXPECT_EQ(combo.selected, -1);
  EXPECT_EQ(combo.text, "");
  combo.chosen_index = -2;
  ui::fill_job_combo(combo, 'a', list, 3);
  EXPECT_EQ(combo.entries, (std::vector<std::string>{"src-a", "src-b"}));
  EXPECT_EQ(combo.selected, 0);
  EXPECT_EQ(combo.chosen_index, -2);
  ui::fill_job_combo(combo, 'a', jobs::job_list(), 1);
  EXPECT_EQ(combo.chosen_index, -1);
  EXPECT_TRUE(combo.entries.empty());
}

}  // namespace
