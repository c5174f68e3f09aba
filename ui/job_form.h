// The job operations of the main window as toolkit-free logic over a small field model.
//
// The Qt window (or any other view) binds its widgets to a job_form: it copies what the user
// typed or picked into the model (CP932), calls the handler of the control, then shows the
// model again. The model owns the job list and its settings file for the life of the window.
//
// Every handler here runs on the user-interface thread, reports nothing itself, and returns
// what happened to the settings file so the window can tell the user of a failed save.
#ifndef ZOLK_UI_JOB_FORM_H
#define ZOLK_UI_JOB_FORM_H

#include <functional>
#include <string>
#include <vector>

#include "jobs/job_list.h"
#include "jobs/settings_file.h"
#include "platform/host.h"

namespace ui {

// A job drop-down list (job_combo, restore_jobs): its entries, the selected entry, the text of
// its edit field, and the chosen index the list keeps beside its entries (for job_combo this
// is current_job_index; the restore side keeps its own).
struct job_combo_model {
  std::vector<std::string> entries;  // CP932, in list order
  int selected = -1;                 // the selected entry; -1 for none
  std::string text;                  // the edit field's text (typed or selected)
  int chosen_index = -1;             // -1 none; -2 only during the start-up

  // Selects entry `index` and shows its text; -1, or an index outside the entries, selects
  // none and empties the text.
  void select(int index);
  // The user typed: the text changes, whole, and no entry is selected.
  void type(const std::string& typed);
};

// Rebuilds `combo` from the records of `kind` in `list`, showing text `text_number` (1 or 3)
// of each, in list order. The combo's text before the call is remembered;
// the last record whose shown text equals it byte for byte becomes the chosen index. Then the
// entry at the chosen index is selected (-2 selects entry 0 and leaves the index -2; an index
// of -1 or beyond the entries selects none). An empty list selects none and sets the chosen
// index to -1.
void fill_job_combo(job_combo_model& combo, unsigned char kind, const jobs::job_list& list,
                    int text_number);

// The four fields a job is registered from, in the window's order.
enum class job_field { job_name, comment, source_folder, destination_folder };

// The job state of the history backup mode.
enum class job_state {
  new_job,     // new_job_button disabled: a job is being entered
  job_chosen,  // new_job_button enabled: the fields show a registered job
};

// What refresh_mode shows of the job state in history backup mode. In restore mode the window
// disables register_button, update_button and delete_button whatever this says, and shows its own
// status line.
struct job_state_view {
  std::string mode_heading;  // the status line (CP932)
  bool new_job_enabled;
  bool touroku_enabled;
  bool syusei_enabled;
  bool sakujo_enabled;         // always true in history backup mode
  std::string sakujo_caption;  // "クリア" in the new-job state, "削除" when a job is chosen (CP932)
};
job_state_view view_of(job_state state);

class job_form {
 public:
  // The form keeps `h` for its loads and saves and uses `settings_path` for the settings
  // file (jobs::default_settings_path(h) for the desktop program). Nothing is read yet.
  job_form(host::host& h, std::string settings_path);

  // --- The fields (CP932). They hold the whole text: a run uses it as it stands, and a
  // register or modify refuses a text the settings file cannot hold (refused_text) rather than
  // cut it. The view should show the field again after setting it. ---
  job_combo_model job_box;  // job name field and its drop-down list; chosen_index is
                            // current_job_index
  const std::string& comment_field() const { return comment_field_; }
  const std::string& source_field() const { return source_field_; }
  const std::string& destination_field() const { return destination_field_; }
  void set_comment_field(const std::string& text);
  void set_source_field(const std::string& text);
  void set_destination_field(const std::string& text);
  void set_job_name_text(const std::string& text) { job_box.type(text); }

  int current_job_index() const { return job_box.chosen_index; }

  // new_job_button disabled means the new-job state.
  bool new_job_enabled() const { return new_job_enabled_; }
  job_state state() const { return new_job_enabled_ ? job_state::job_chosen : job_state::new_job; }
  job_state_view state_view() const { return view_of(state()); }

  // Called by new_job and job_picked after they changed the state: the window's
  // refresh_mode, which shows the job state (state_view()) in history backup mode. May be empty.
  std::function<void()> refresh_mode;

  // --- The list and its file ---
  const jobs::job_list& list() const { return list_; }
  const jobs::settings_file& settings() const { return settings_; }
  // The registered history backup jobs (kind 'a') in list order.
  std::vector<const jobs::job_record*> history_jobs() const;

  // Loads the list at start (creating a missing file, never replacing an unreadable one).
  // The window tells the user when the status is create_failed, damaged or unreadable
  // (load_problem_text). Call once, before the first fill_job_combo.
  jobs::load_result load_settings();

  // The start-up of the main window (its open) runs, in this order:
  //   1. begin_start(): load_settings, current_job_index := -2, fill_job_combo of job_combo
  //      with kind 'a' and text 1 (the first job is selected; the index stays -2);
  //   2. the window fills its restore-side list restore_jobs;
  //   3. job_picked() (shows the selected job and sets current_job_index);
  //   4. the window enters history backup mode (enter_backup_mode);
  //   5. finish_start(): new_job when current_job_index is then -1 (no job).
  jobs::load_result begin_start();
  void finish_start();

  // --- Handlers of the controls ---
  // Result of a handler that may save: nothing_done when it changed nothing and wrote nothing;
  // refused_text when a field's text could not be saved whole (refused_field() names the
  // first such field): then nothing changed and nothing was written.
  enum class outcome { nothing_done, saved, save_failed, refused_text };

  // new_job_button: enters the new-job state; current_job_index -1, no entry selected (the job
  // name field empties), comment, source and destination emptied; refresh_mode.
  void new_job();

  // The job name field changed (an entry picked, or typing): when an entry is selected it
  // becomes current_job_index; when it names a job, the comment, source and destination
  // fields show that job's texts 2, 3 and 4, new_job_button is enabled (job-chosen state) and
  // refresh_mode runs. Typing that leaves no entry selected changes nothing else.
  void job_picked();

  // register_button: registers the four fields as a new job at the end of the list (first_job_mark
  // 1 when the list was empty), nothing checked but that each text fits the file; refills
  // job_combo, which selects the new entry; saves. The job state is not changed, so pressing it
  // again registers an identical job.
  outcome register_job();

  // update_button: overwrites texts 1 to 4 of the job current_job_index names (a changed name
  // renames it), refills job_combo and saves even when nothing changed. nothing_done without a
  // current job; refused_text as register_button.
  outcome update_job();

  // delete_button: deletes the job selected in job_combo, without confirmation. The selection moves
  // one entry up when the last record was deleted; job_combo is refilled with the name shown
  // then, job_picked shows the job now selected, and the file is saved. nothing_done in
  // the new-job state (the caption then reads "クリア") and when no entry is selected.
  outcome delete_job();

  // How the last save went (saved until a save fails).
  jobs::save_status last_save_status() const { return last_save_status_; }
  // The field whose text the last refused_text outcome could not save.
  job_field refused_field() const { return refused_field_; }
  // The text the window shows in `field` (job_combo's text for the job name).
  const std::string& field_text(job_field field) const;

 private:
  outcome save();
  // False, with refused_field_ set, when a field's text cannot be saved whole.
  bool fields_fit();

  host::host& host_;
  jobs::settings_file settings_;
  jobs::job_list list_;
  std::string comment_field_;
  std::string source_field_;
  std::string destination_field_;
  bool new_job_enabled_ = true;
  jobs::save_status last_save_status_ = jobs::save_status::saved;
  job_field refused_field_ = job_field::job_name;
};

// --- The texts the job operations need, CP932 (UTF-8 in the source, converted once) ---
enum class job_text {
  st01_new_job,     // 新規作成状態です。設定して登録して下さい。
  st01_job_chosen,  // 履歴バックアップを行います。
  new_job_button,   // 新規作成
  register_button,  // 登録
  register_hint,    // 現在の設定を保存します。
  update_button,    // 修正反映
  syusei_hint,      // 現在の設定を上書き保存（修正）します。
  sakujo_delete,    // 削除
  sakujo_clear,     // クリア
  count_  // NOLINT(readability-identifier-naming): keep last; the number of texts, not one
};
const std::string& text_of(job_text id);

// A message for the user when a save did not reach the file; empty for saved (CP932).
std::string save_problem_text(jobs::save_status status, const std::string& path);
// A message for the user whose register or modify was refused because the text of `field`
// cannot be saved whole (too long, or holding a zero byte); empty when it can (CP932).
std::string unsavable_field_text(job_field field, const std::string& text);
// A message for the user about the settings file found at start; empty when there is
// nothing to tell (loaded, created, missing) (CP932).
std::string load_problem_text(jobs::load_status status, const std::string& path);

}  // namespace ui

#endif
