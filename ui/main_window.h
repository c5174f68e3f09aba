// The main window main_view as toolkit-free logic over a plain model of its controls:
// the two modes, what the start button starts, the folder-field checks, the restore-side
// choice of job and point, and the folder chooser's link to the fields. The job fields and
// operations are the job_form's; this class drives it and tells the user of a failed save or
// of a text the settings file cannot hold.
//
// A view binds its widgets to the model: it writes what the user typed or picked into the
// model (CP932), calls the handler of the control, then shows the model again.
#ifndef ZOLK_UI_MAIN_WINDOW_H
#define ZOLK_UI_MAIN_WINDOW_H

#include <string>

#include "engine/common/run_sinks.h"
#include "engine/restore/restore_run.h"
#include "platform/host.h"
#include "ui/folder_checks.h"
#include "ui/job_form.h"
#include "ui/point_tools.h"
#include "ui/run_controller.h"

namespace ui {

// Shows one message in a box captioned "注意:Message" with an OK button only and no icon,
// and returns when the user has closed it. Tests capture the texts instead.
class message_port {
 public:
  virtual ~message_port() = default;
  virtual void show_message(const std::string& cp932_text) = 0;
  // Asks a question in a box with the same caption and Yes and No buttons; true only when
  // the user answered Yes (closing the box answers No).
  virtual bool ask_yes_no(const std::string& cp932_text) = 0;
};

// The run window as the start button needs it. Called on the view's thread only.
class run_window_port {
 public:
  virtual ~run_window_port() = default;
  virtual void show_for_run() = 0;  // shown without blocking; a run works from now on
  virtual void run_ended() = 0;     // the run has returned and all it wrote is shown
  virtual engine::run_log& log() = 0;
  virtual engine::run_progress& progress() = 0;
  // What the run reported since the last batch: its texts in order, then its newest facts,
  // `elapsed_seconds` after it started.
  virtual void show_batch(const run_batch& batch, double elapsed_seconds) {
    (void)elapsed_seconds;
    for (const std::string& t : batch.texts) log().add_line(t);
    if (batch.facts) progress().report(*batch.facts);
  }
  // The plain warning sound of the desktop.
  virtual void alert() = 0;
};

// What closing a window (or the end button) comes to.
enum class close_answer {
  close_now,  // no run works: the window closes
  after_run,  // the run was asked to stop: the window closes when it has ended
  stay,       // the user lets the run go on: the window stays
};

// What a view shows of one control.
struct control_state {
  std::string caption;  // CP932
  std::string hint;     // CP932; empty for none
  bool visible = true;
  bool enabled = true;
};

// The folder chooser as the main window drives it.
struct chooser_state {
  bool visible = false;
  int tag = 1;         // which field the tree fills: 1 the source folder, 2 the destination
  std::string prompt;  // the note naming the field the tree fills (CP932)
};

class main_window {
 public:
  main_window(host::host& h, std::string settings_path, message_port& messages,
              run_window_port& run);
  main_window(const main_window&) = delete;
  main_window& operator=(const main_window&) = delete;

  // --- The model ---
  job_form form;  // job_combo, zolk_comment, Tdirname, Bdirname, new_job_button
  int main_mode = k_backup_mode;
  bool backup_mode_down = true;  // the restore mode button is down when this is not
  control_state status_line, mode_heading, destination_label, register_button, update_button,
      delete_button, new_job_button, start_button;
  // Restore mode only: the point's changes, a restore of one entry of the point.
  control_state show_changes_button, restore_entry_button;
  bool job_rows_visible = true;  // job name, comment and source rows (under the panel)
  bool restore_panel_visible = false;
  bool point_label_visible = false;
  bool point_list_visible = false;
  bool browse_restore_source_visible = false;
  int pick_job_by = 0;           // 0 by job name, 1 by source folder
  job_combo_model restore_jobs;  // the restore-side job list
  job_combo_model point_list;    // the restore points; chosen_index unused
  std::string store_folder;      // destination folder of the job chosen for a restore
  chooser_state chooser;

  // --- Handlers ---
  // Loads the job list, fills both job lists, shows the first job and enters history backup
  // mode (or the new-job state without jobs). A settings file that could not be created,
  // was damaged or could not be read is told to the user.
  void open();
  // Enters history backup mode. Coming from restore mode, the job name, comment, source and
  // destination fields show again what they held when restore mode was entered (the chosen
  // job or the texts of the new-job state), so nothing restore mode put in them is backed up
  // into or stored. Either mode switch hides the folder chooser, which named a field of the
  // mode left.
  void enter_backup_mode();
  // Enters restore mode (empties Bdirname, takes up the restore-side job); the fields of
  // history backup mode are kept for enter_backup_mode.
  void enter_restore_mode();
  void refresh_mode();
  void page_changed();
  // Shows the run window and starts, on the run controller's worker, a history backup of
  // the texts of Tdirname and Bdirname (mode 1) or a restore of the chosen point into
  // Bdirname (mode 2). A restore without a picked point, or of the unfinished point of a
  // stopped backup (listed with its mark), is told to the user and starts nothing; a
  // restore into a folder that already holds files is asked about first, and No
  // starts nothing. While a run works this does nothing at all.
  void start();
  // Hands what the run reported since the last call to the run window. When the run has
  // ended: a backup's closing line, the alert of a refusal, the run window told, and the
  // controls enabled again. True when the run ended in this call.
  bool poll_run();
  // True while a run works: the window's controls (but the end button) are disabled.
  bool run_working() const { return run.working(); }
  // 中止: asks the user, and on Yes asks the working run to stop; true when it did.
  bool stop_run();
  // A window is to be closed (or the end button pressed): during a run the user is asked
  // whether to stop it; once a stop is under way, closing waits for the end without asking.
  close_answer ask_close();
  // The program is to end (the main window closed, or the end button): true when it ends now.
  // During a run the user is asked as ask_close asks; once the run was asked to stop, the
  // program ends when the run has (take_end_due).
  bool end_asked();
  // True once, after poll_run has seen the run end, when the program was to end with it.
  bool take_end_due();

  // The working (or last) run; the view drives poll_run on a timer while it works.
  run_controller run;

  void new_job();
  void job_picked();
  void register_job();
  void update_job();
  void delete_job();

  // Hides the point list and fills restore_jobs by pick_job_by; going back to job names also hides
  // a chooser open for browse_restore_source.
  void pick_by_changed();
  void restore_job_picked();
  // true: lists the restore points of store_folder, newest first, and shows the list (with the
  // design-time text when there is none); false: hides the list.
  void list_restore_points(bool show);

  // The windows of the history tools; without them (null) their buttons do nothing.
  void set_point_tools(point_tools_port* tools) { tools_ = tools; }
  // 変更内容: shows the changes of the picked point in their own window. Without a picked
  // point the user is told to pick one. Does nothing while a run works.
  void show_changes();
  // 一部を復元: asks for a path inside the picked point, then starts a restore of that entry
  // (with everything under it) into Bdirname as start_button starts a whole one. Without a
  // picked point the user is told to pick one; a cancelled dialog starts nothing.
  void restore_entry();

  // The checks with the window's inputs: true when accepted, false after the message was
  // shown (the view then gives the focus back to the field).
  bool accept_source();
  bool accept_destination();
  // Leaving a field: an empty field is not checked (the runs refuse an empty folder
  // themselves); otherwise its check.
  bool on_source_left();
  bool on_destination_left();
  // Enter in the restore target field: starts the restore as start_button does once a point is
  // picked and the target passes its check; otherwise the reason is shown and nothing starts.
  // Does nothing in history backup mode.
  void on_destination_enter();

  // The folder fields, for the rules every view follows when one is left or takes Enter.
  enum class folder_field { source, destination, other };
  // A field lost the focus to another control of the window (not to another window): the
  // source and destination folders are checked as above; true when accepted (always for
  // another field). A view gives the focus back to a field that was not accepted.
  bool field_left(folder_field left);
  // True when Enter in `f` starts the restore (on_destination_enter): in the restore target in
  // restore mode. Elsewhere Enter moves on as Tab does, so the field left is checked; it never
  // picks a job by the typed name, which would load that job over what was typed.
  bool enter_starts_restore(folder_field f) const;

  void browse_source();  // also browse_restore_source
  void browse_destination();
  // The chooser's tree moved to `folder`, unchecked. Tag 2 writes it into Bdirname. Tag 1
  // writes it into Tdirname in history backup mode; in restore mode (browse_restore_source, by
  // folder) it becomes the text of restore_jobs and picks the job registered with that source
  // folder (letters compared without case), or, with none, hides the point list and drops the
  // point.
  void chooser_moved(const std::string& folder);
  // "決定/閉じる" on `folder`: written as chooser_moved writes it and checked as the source or
  // the destination; the chooser hides when the check accepts. Returns the check's answer.
  bool chooser_decided(const std::string& folder);

  // The inputs of the folder checks as the window stands.
  folder_check_input check_input() const;

 private:
  // What history backup mode shows in its job rows and folder fields.
  struct backup_fields {
    job_combo_model job_box;
    std::string comment_field;
    std::string source_field;
    std::string destination_field;
  };

  void tell_save(job_form::outcome outcome);
  void start_run(run_controller::work work);
  // The picked point, or null (after telling the user) when none is picked.
  const engine::store_point* picked_point();
  void start_restore_run(const engine::store_point& point, std::vector<std::string> paths);
  const std::string& stop_question() const;
  void end_backup(const engine::run_summary& summary);
  void fill_job_combo_s(int text_number);
  void choose_job_by_folder(const std::string& folder);
  bool accept_source_folder(const std::string& folder);
  void show_fields(const backup_fields& fields);

  backup_fields backup_fields_;  // kept while restore mode is in force

  host::host& host_;
  message_port& messages_;
  run_window_port& run_;
  point_tools_port* tools_ = nullptr;
  std::vector<engine::store_point> points_;  // the points R_ListBox lists, in its order
  int running_mode_ = k_backup_mode;         // the mode of the working (or last) run
  bool end_after_run_ = false;               // the user stopped the run to end the program
};

}  // namespace ui

#endif
