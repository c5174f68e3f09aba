#include "ui/main_window.h"

#include <utility>

#include "engine/backup/backup_run.h"
#include "engine/store/history_store.h"
#include "engine/common/messages.h"
#include "ui/window_texts.h"

namespace ui {

main_window::main_window(host::host& h, std::string settings_path, message_port& messages,
                         run_window_port& run_window)
    : form(h, std::move(settings_path)), host_(h), messages_(messages), run_(run_window) {
  form.refresh_mode = [this] { refresh_mode(); };
  s_mes.caption = text(wt::s_mes);
  Label2.caption = text(wt::Label2_backup);
  touroku.caption = text_of(job_text::touroku);
  touroku.hint = text_of(job_text::touroku_hint);
  syusei.caption = text_of(job_text::syusei);
  syusei.hint = text_of(job_text::syusei_hint);
  sakujo.caption = text_of(job_text::sakujo_delete);
  new_Button.caption = text_of(job_text::new_Button);
  startb01.caption = text(wt::startb01);
  henkou.caption = text(wt::henkou);
  henkou.hint = text(wt::henkou_hint);
  henkou.visible = false;
  bubun.caption = text(wt::bubun);
  bubun.hint = text(wt::bubun_hint);
  bubun.visible = false;
  job_combo_s.text = text(wt::job_combo_s);
  job_combo_s.chosen_index = 0;
  R_ListBox.text = text(wt::R_ListBox);
  Rdirname = text(wt::Rdirname);
}

void main_window::FormCreate() {
  const jobs::load_result loaded = form.begin_start();
  Panel1_visible = false;
  st01.caption = text(wt::st01_backup);
  fill_job_combo_s(jobs::k_job_name);
  form.job_comboChange();
  run01BClick();
  form.finish_start();
  const std::string problem = load_problem_text(loaded.status, form.settings().path);
  if (!problem.empty()) messages_.show_message(problem);
}

void main_window::run01BClick() {
  if (main_mode == k_restore_mode) {
    show_fields(backup_fields_);
    Form2.visible = false;
  }
  run01B_down = true;
  main_mode = k_backup_mode;
  refresh_mode();
}

void main_window::run02BClick() {
  if (main_mode == k_backup_mode) {
    backup_fields_ = {form.job_combo, form.zolk_comment(), form.Tdirname(), form.Bdirname()};
    Form2.visible = false;
  }
  run01B_down = false;
  main_mode = k_restore_mode;
  form.set_Bdirname(std::string());
  fill_job_combo_s(jobs::k_job_name);
  job_combo_sChange();
  refresh_mode();
}

void main_window::show_fields(const backup_fields& fields) {
  form.job_combo = fields.job_combo;
  form.set_zolk_comment(fields.zolk_comment);
  form.set_Tdirname(fields.Tdirname);
  form.set_Bdirname(fields.Bdirname);
}

void main_window::refresh_mode() {
  const bool backup = main_mode == k_backup_mode;
  job_rows_visible = backup;
  Panel1_visible = !backup;
  R_ListLabel_visible = !backup;
  R_ListBox_visible = !backup;
  henkou.visible = !backup;
  bubun.visible = !backup;
  s_mes.hint = text(backup ? wt::s_mes_hint_backup : wt::s_mes_hint_restore);
  Label2.caption = text(backup ? wt::Label2_backup : wt::Label2_restore);
  new_Button.enabled = form.new_Button_enabled();
  if (backup) {
    const job_state_view view = form.state_view();
    st01.caption = view.st01;
    touroku.enabled = view.touroku_enabled;
    syusei.enabled = view.syusei_enabled;
    sakujo.enabled = view.sakujo_enabled;
    sakujo.caption = view.sakujo_caption;
  } else {
    touroku.enabled = false;
    syusei.enabled = false;
    sakujo.enabled = false;
    st01.caption = text(wt::st01_restore);
  }
  PageControl1Change();
}

void main_window::PageControl1Change() {
  main_mode = run01B_down ? k_backup_mode : k_restore_mode;
  startb01.enabled = !run.working();
}

void main_window::startb01Click() {
  if (run.working()) return;
  if (main_mode == k_backup_mode) {
    run_.show_for_run();
    start_run([&h = host_, source = form.Tdirname(), destination = form.Bdirname()](
                  engine::run_log& log, engine::run_progress& progress,
                  const engine::stop_request& stop) {
      return engine::run_history_backup(h, source, destination, log, progress, &stop);
    });
    return;
  }
  if (const engine::store_point* point = picked_point()) start_restore_run(*point, {});
}

const engine::store_point* main_window::picked_point() {
  // The point is taken from the entry picked in the list, never from text typed over it.
  if (R_ListBox.selected < 0 || R_ListBox.selected >= static_cast<int>(points_.size())) {
    // The engine would return without a line: an empty run window tells the user nothing.
    messages_.show_message(text(wt::choose_point));
    return nullptr;
  }
  return &points_[static_cast<size_t>(R_ListBox.selected)];
}

void main_window::start_restore_run(const engine::store_point& point,
                                    std::vector<std::string> paths) {
  engine::restore_request request;
  request.point = point.number;
  request.store = Rdirname;
  request.source = form.Tdirname();
  request.target = form.Bdirname();
  request.paths = std::move(paths);
  // Told before the run window shows; the restore itself would refuse it all the same.
  const engine::restore_check check = engine::check_restore(host_, request);
  if (check == engine::restore_check::point_unfinished) {
    messages_.show_message(text(wt::point_unfinished));
    return;
  }
  if (check == engine::restore_check::needs_consent &&
      !messages_.ask_yes_no(text(wt::restore_over_files))) {
    return;
  }
  // The user has chosen: what the target holds now is restored over.
  request.overwrite = true;
  run_.show_for_run();
  start_run([&h = host_, request](engine::run_log& log, engine::run_progress& progress,
                                  const engine::stop_request& stop) {
    return engine::start_restore(h, request, log, progress, &stop);
  });
}

void main_window::henkouClick() {
  if (run.working() || tools_ == nullptr || main_mode != k_restore_mode) return;
  if (const engine::store_point* point = picked_point()) {
    tools_->show_changes(point_changes_page(host_, Rdirname, *point));
  }
}

void main_window::bubunClick() {
  if (run.working() || tools_ == nullptr || main_mode != k_restore_mode) return;
  const engine::store_point* picked = picked_point();
  if (picked == nullptr) return;
  // Copied: the dialog runs an event loop, in which the point list may be filled anew.
  const engine::store_point point = *picked;
  const std::optional<std::string> path = tools_->ask_restore_path(engine::point_list_entry(point));
  if (!path || run.working()) return;
  start_restore_run(point, {*path});
}

void main_window::start_run(run_controller::work work) {
  running_mode_ = main_mode;
  run.start(std::move(work));
  startb01.enabled = false;
}

bool main_window::poll_run() {
  if (!run.working()) return false;
  const double elapsed = run.elapsed_seconds();
  const run_batch batch = run.take();
  run_.show_batch(batch, elapsed);
  if (!batch.ended) return false;
  if (running_mode_ == k_backup_mode) {
    end_backup(batch.summary);
  } else {
    run_.run_ended();
  }
  PageControl1Change();
  return true;
}

bool main_window::stopClick() {
  if (run.state() != run_state::running) return false;
  if (!messages_.ask_yes_no(stop_question())) return false;
  run.request_stop();
  return true;
}

close_answer main_window::ask_close() {
  switch (run.state()) {
    case run_state::idle:
      return close_answer::close_now;
    case run_state::stopping:
      return close_answer::after_run;
    case run_state::running:
      break;
  }
  if (!messages_.ask_yes_no(stop_question())) return close_answer::stay;
  run.request_stop();
  return close_answer::after_run;
}

const std::string& main_window::stop_question() const {
  return text(running_mode_ == k_backup_mode ? wt::stop_question_backup
                                             : wt::stop_question_restore);
}

// The closing line tells the desktop user how to go on; a refusal also sounds.
void main_window::end_backup(const engine::run_summary& summary) {
  run_.log().add_line(engine::text(engine::msg::run_finished));
  if (summary.alert) run_.alert();
  run_.run_ended();
}

void main_window::new_ButtonClick() { form.new_ButtonClick(); }

void main_window::job_comboChange() { form.job_comboChange(); }

void main_window::tourokuClick() { tell_save(form.tourokuClick()); }

void main_window::syuseiClick() { tell_save(form.syuseiClick()); }

void main_window::sakujoClick() { tell_save(form.sakujoClick()); }

void main_window::tell_save(job_form::outcome outcome) {
  if (outcome == job_form::outcome::refused_text) {
    const job_field field = form.refused_field();
    messages_.show_message(unsavable_field_text(field, form.field_text(field)));
  }
  if (outcome != job_form::outcome::save_failed) return;
  messages_.show_message(save_problem_text(form.last_save_status(), form.settings().path));
}

void main_window::fill_job_combo_s(int text_number) {
  fill_job_combo(job_combo_s, jobs::k_history_backup_kind, form.list(), text_number);
}

void main_window::JorFClick() {
  list_restore_points(false);
  if (JorF == 0 && Form2.tag == 1) Form2.visible = false;
  Button3_visible = JorF != 0;
  fill_job_combo_s(JorF == 0 ? jobs::k_job_name : jobs::k_source_folder);
}

void main_window::job_combo_sChange() {
  if (job_combo_s.selected < 0) return;
  const jobs::job_record* job =
      jobs::find_job(form.list(), job_combo_s.selected, jobs::k_history_backup_kind);
  if (job == nullptr) return;
  // The pick is kept, so a refill by the other kind of text stays on the same job instead
  // of showing another job than the one whose store Rdirname names.
  job_combo_s.chosen_index = job_combo_s.selected;
  form.set_Tdirname(job->text(jobs::k_source_folder));
  Rdirname = job->text(jobs::k_destination_folder);
  list_restore_points(true);
}

void main_window::list_restore_points(bool show) {
  if (show) {
    points_ = engine::list_store_points(host_, Rdirname);
    R_ListBox.entries.clear();
    for (const engine::store_point& point : points_) {
      R_ListBox.entries.push_back(engine::point_list_entry(point));
    }
    R_ListBox.selected = -1;
    // A store without points says so rather than offering the points of another job.
    R_ListBox.text = R_ListBox.entries.empty() ? text(wt::R_ListBox) : std::string();
  }
  R_ListLabel_visible = show;
  R_ListBox_visible = show;
}

folder_check_input main_window::check_input() const {
  folder_check_input in;
  in.source = form.Tdirname();
  in.destination = form.Bdirname();
  in.mode = main_mode;
  in.new_job_state = form.state() == job_state::new_job;
  in.shown_job_name = form.job_combo.text;
  in.real_path = [this](const std::string& path) { return host_.real_path(path); };
  for (const jobs::job_record* job : form.history_jobs()) {
    in.jobs.push_back({job->text(jobs::k_job_name), job->text(jobs::k_source_folder),
                       job->text(jobs::k_destination_folder)});
  }
  return in;
}

bool main_window::Tdirname_chak() {
  const check_message message = ui::Tdirname_chak(check_input());
  if (message) messages_.show_message(*message);
  return !message;
}

bool main_window::Bdirname_chak() {
  const check_message message = ui::Bdirname_chak(check_input());
  if (message) messages_.show_message(*message);
  return !message;
}

bool main_window::source_folder_chak(const std::string& folder) {
  folder_check_input in = check_input();
  in.source = folder;
  const check_message message = ui::Tdirname_chak(in);
  if (message) messages_.show_message(*message);
  return !message;
}

// An empty field is what a new job or restore mode starts with; refusing it on every change
// of focus would hold the user in it.
bool main_window::TdirnameExit() { return form.Tdirname().empty() || Tdirname_chak(); }

bool main_window::BdirnameExit() { return form.Bdirname().empty() || Bdirname_chak(); }

void main_window::BdirnameEnter() {
  if (main_mode != k_restore_mode) return;
  // Asked in this order so that the user learns first what the start button would say.
  if (R_ListBox.selected < 0) {
    messages_.show_message(text(wt::choose_point));
    return;
  }
  if (Bdirname_chak()) startb01Click();
}

void main_window::Button1Click() {
  Form2.mes_01 = text(wt::mes_01_source);
  Form2.tag = 1;
  Form2.visible = true;
}

void main_window::Button2Click() {
  Form2.mes_01 = text(wt::mes_01_destination);
  Form2.tag = 2;
  Form2.visible = true;
}

void main_window::DirList1Change(const std::string& folder) {
  if (Form2.tag != 1) {
    form.set_Bdirname(folder);
  } else if (main_mode == k_backup_mode) {
    form.set_Tdirname(folder);
  } else {
    choose_job_by_folder(folder);
  }
}

// Tdirname is hidden in restore mode and names the source of the job whose store Rdirname
// holds; a folder written there alone would pair one job's source with another's store.
void main_window::choose_job_by_folder(const std::string& folder) {
  const std::vector<const jobs::job_record*> jobs = form.history_jobs();
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (same_text_ignoring_case(jobs[i]->text(jobs::k_source_folder), folder)) {
      job_combo_s.select(static_cast<int>(i));
      job_combo_sChange();
      return;
    }
  }
  job_combo_s.type(folder);
  // The points listed belong to a job the field no longer names.
  R_ListBox.select(-1);
  list_restore_points(false);
}

bool main_window::SpeedButton2Click(const std::string& folder) {
  DirList1Change(folder);
  bool accepted = false;
  if (Form2.tag != 1) {
    accepted = Bdirname_chak();
  } else if (main_mode == k_backup_mode) {
    accepted = Tdirname_chak();
  } else {
    accepted = source_folder_chak(folder);
  }
  if (accepted) Form2.visible = false;
  return accepted;
}

}  // namespace ui
