#include "ui/main_window.h"

#include <utility>

#include "engine/backup/backup_run.h"
#include "engine/store/history_store.h"
#include "ui/window_texts.h"

namespace ui {

main_window::main_window(host::host& h, std::string settings_path, message_port& messages,
                         run_window_port& run_window)
    : form(h, std::move(settings_path)), host_(h), messages_(messages), run_(run_window) {
  form.refresh_mode = [this] { refresh_mode(); };
  status_line.caption = text(wt::s_mes);
  destination_label.caption = text(wt::destination_label_backup);
  register_button.caption = text_of(job_text::register_button);
  register_button.hint = text_of(job_text::register_hint);
  update_button.caption = text_of(job_text::update_button);
  update_button.hint = text_of(job_text::syusei_hint);
  delete_button.caption = text_of(job_text::sakujo_delete);
  new_job_button.caption = text_of(job_text::new_job_button);
  start_button.caption = text(wt::startb01);
  show_changes_button.caption = text(wt::henkou);
  show_changes_button.hint = text(wt::henkou_hint);
  show_changes_button.visible = false;
  restore_entry_button.caption = text(wt::bubun);
  restore_entry_button.hint = text(wt::bubun_hint);
  restore_entry_button.visible = false;
  restore_jobs.text = text(wt::job_combo_s);
  restore_jobs.chosen_index = 0;
  point_list.text = text(wt::no_points);
  store_folder = text(wt::store_folder_placeholder);
}

void main_window::open() {
  const jobs::load_result loaded = form.begin_start();
  restore_panel_visible = false;
  mode_heading.caption = text(wt::st01_backup);
  fill_job_combo_s(jobs::k_job_name);
  form.job_picked();
  enter_backup_mode();
  form.finish_start();
  const std::string problem = load_problem_text(loaded.status, form.settings().path);
  if (!problem.empty()) messages_.show_message(problem);
}

void main_window::enter_backup_mode() {
  if (main_mode == k_restore_mode) {
    show_fields(backup_fields_);
    chooser.visible = false;
  }
  backup_mode_down = true;
  main_mode = k_backup_mode;
  refresh_mode();
}

void main_window::enter_restore_mode() {
  if (main_mode == k_backup_mode) {
    backup_fields_ = {form.job_box, form.comment_field(), form.source_field(),
                      form.destination_field()};
    chooser.visible = false;
  }
  backup_mode_down = false;
  main_mode = k_restore_mode;
  form.set_destination_field(std::string());
  fill_job_combo_s(jobs::k_job_name);
  restore_job_picked();
  refresh_mode();
}

void main_window::show_fields(const backup_fields& fields) {
  form.job_box = fields.job_box;
  form.set_comment_field(fields.comment_field);
  form.set_source_field(fields.source_field);
  form.set_destination_field(fields.destination_field);
}

void main_window::refresh_mode() {
  const bool backup = main_mode == k_backup_mode;
  job_rows_visible = backup;
  restore_panel_visible = !backup;
  point_label_visible = !backup;
  point_list_visible = !backup;
  show_changes_button.visible = !backup;
  restore_entry_button.visible = !backup;
  status_line.hint = text(backup ? wt::s_mes_hint_backup : wt::s_mes_hint_restore);
  destination_label.caption =
      text(backup ? wt::destination_label_backup : wt::destination_label_restore);
  new_job_button.enabled = form.new_job_enabled();
  if (backup) {
    const job_state_view view = form.state_view();
    mode_heading.caption = view.mode_heading;
    register_button.enabled = view.touroku_enabled;
    update_button.enabled = view.syusei_enabled;
    delete_button.enabled = view.sakujo_enabled;
    delete_button.caption = view.sakujo_caption;
  } else {
    register_button.enabled = false;
    update_button.enabled = false;
    delete_button.enabled = false;
    mode_heading.caption = text(wt::st01_restore);
  }
  page_changed();
}

void main_window::page_changed() {
  main_mode = backup_mode_down ? k_backup_mode : k_restore_mode;
  start_button.enabled = !run.working();
}

void main_window::start() {
  if (run.working()) return;
  if (main_mode == k_backup_mode) {
    run_.show_for_run();
    start_run([&h = host_, source = form.source_field(), destination = form.destination_field()](
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
  if (point_list.selected < 0 || point_list.selected >= static_cast<int>(points_.size())) {
    // The engine would return without a line: an empty run window tells the user nothing.
    messages_.show_message(text(wt::choose_point));
    return nullptr;
  }
  return &points_[static_cast<size_t>(point_list.selected)];
}

void main_window::start_restore_run(const engine::store_point& point,
                                    std::vector<std::string> paths) {
  engine::restore_request request;
  request.point = point.number;
  request.store = store_folder;
  request.source = form.source_field();
  request.target = form.destination_field();
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

void main_window::show_changes() {
  if (run.working() || tools_ == nullptr || main_mode != k_restore_mode) return;
  if (const engine::store_point* point = picked_point()) {
    tools_->show_changes(point_changes_page(host_, store_folder, *point));
  }
}

void main_window::restore_entry() {
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
  start_button.enabled = false;
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
  page_changed();
  return true;
}

bool main_window::stop_run() {
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

bool main_window::end_asked() {
  const close_answer answer = ask_close();
  if (answer == close_answer::after_run) end_after_run_ = true;
  return answer == close_answer::close_now;
}

bool main_window::take_end_due() {
  if (run_working() || !end_after_run_) return false;
  end_after_run_ = false;
  return true;
}

const std::string& main_window::stop_question() const {
  return text(running_mode_ == k_backup_mode ? wt::stop_question_backup
                                             : wt::stop_question_restore);
}

// The closing line tells the desktop user how to go on; a refusal also sounds.
void main_window::end_backup(const engine::run_summary& summary) {
  run_.log().add_line(text(wt::run_finished));
  if (summary.alert) run_.alert();
  run_.run_ended();
}

void main_window::new_job() { form.new_job(); }

void main_window::job_picked() { form.job_picked(); }

void main_window::register_job() { tell_save(form.register_job()); }

void main_window::update_job() { tell_save(form.update_job()); }

void main_window::delete_job() { tell_save(form.delete_job()); }

void main_window::tell_save(job_form::outcome outcome) {
  if (outcome == job_form::outcome::refused_text) {
    const job_field field = form.refused_field();
    messages_.show_message(unsavable_field_text(field, form.field_text(field)));
  }
  if (outcome != job_form::outcome::save_failed) return;
  messages_.show_message(save_problem_text(form.last_save_status(), form.settings().path));
}

void main_window::fill_job_combo_s(int text_number) {
  fill_job_combo(restore_jobs, jobs::k_history_backup_kind, form.list(), text_number);
}

void main_window::pick_by_changed() {
  list_restore_points(false);
  if (pick_job_by == 0 && chooser.tag == 1) chooser.visible = false;
  browse_restore_source_visible = pick_job_by != 0;
  fill_job_combo_s(pick_job_by == 0 ? jobs::k_job_name : jobs::k_source_folder);
}

void main_window::restore_job_picked() {
  if (restore_jobs.selected < 0) return;
  const jobs::job_record* job =
      jobs::find_job(form.list(), restore_jobs.selected, jobs::k_history_backup_kind);
  if (job == nullptr) return;
  // The pick is kept, so a refill by the other kind of text stays on the same job instead
  // of showing another job than the one whose store store_folder names.
  restore_jobs.chosen_index = restore_jobs.selected;
  form.set_source_field(job->text(jobs::k_source_folder));
  store_folder = job->text(jobs::k_destination_folder);
  list_restore_points(true);
}

void main_window::list_restore_points(bool show) {
  if (show) {
    points_ = engine::list_store_points(host_, store_folder);
    point_list.entries.clear();
    for (const engine::store_point& point : points_) {
      point_list.entries.push_back(engine::point_list_entry(point));
    }
    point_list.selected = -1;
    // A store without points says so rather than offering the points of another job.
    point_list.text = point_list.entries.empty() ? text(wt::no_points) : std::string();
  }
  point_label_visible = show;
  point_list_visible = show;
}

folder_check_input main_window::check_input() const {
  folder_check_input in;
  in.source = form.source_field();
  in.destination = form.destination_field();
  in.mode = main_mode;
  in.new_job_state = form.state() == job_state::new_job;
  in.shown_job_name = form.job_box.text;
  in.real_path = [this](const std::string& path) { return host_.real_path(path); };
  for (const jobs::job_record* job : form.history_jobs()) {
    in.jobs.push_back({job->text(jobs::k_job_name), job->text(jobs::k_source_folder),
                       job->text(jobs::k_destination_folder)});
  }
  return in;
}

bool main_window::accept_source() {
  const check_message message = ui::check_source(check_input());
  if (message) messages_.show_message(*message);
  return !message;
}

bool main_window::accept_destination() {
  const check_message message = ui::check_destination(check_input());
  if (message) messages_.show_message(*message);
  return !message;
}

bool main_window::accept_source_folder(const std::string& folder) {
  folder_check_input in = check_input();
  in.source = folder;
  const check_message message = ui::check_source(in);
  if (message) messages_.show_message(*message);
  return !message;
}

// An empty field is what a new job or restore mode starts with; refusing it on every change
// of focus would hold the user in it.
bool main_window::on_source_left() { return form.source_field().empty() || accept_source(); }

bool main_window::on_destination_left() {
  return form.destination_field().empty() || accept_destination();
}

bool main_window::field_left(folder_field left) {
  if (left == folder_field::source) return on_source_left();
  if (left == folder_field::destination) return on_destination_left();
  return true;
}

bool main_window::enter_starts_restore(folder_field f) const {
  return f == folder_field::destination && main_mode == k_restore_mode;
}

void main_window::on_destination_enter() {
  if (main_mode != k_restore_mode) return;
  // Asked in this order so that the user learns first what the start button would say.
  if (point_list.selected < 0) {
    messages_.show_message(text(wt::choose_point));
    return;
  }
  if (accept_destination()) start();
}

void main_window::browse_source() {
  chooser.prompt = text(wt::mes_01_source);
  chooser.tag = 1;
  chooser.visible = true;
}

void main_window::browse_destination() {
  chooser.prompt = text(wt::mes_01_destination);
  chooser.tag = 2;
  chooser.visible = true;
}

void main_window::chooser_moved(const std::string& folder) {
  if (chooser.tag != 1) {
    form.set_destination_field(folder);
  } else if (main_mode == k_backup_mode) {
    form.set_source_field(folder);
  } else {
    choose_job_by_folder(folder);
  }
}

// Tdirname is hidden in restore mode and names the source of the job whose store store_folder
// holds; a folder written there alone would pair one job's source with another's store.
void main_window::choose_job_by_folder(const std::string& folder) {
  const std::vector<const jobs::job_record*> jobs = form.history_jobs();
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (same_text_ignoring_case(jobs[i]->text(jobs::k_source_folder), folder)) {
      restore_jobs.select(static_cast<int>(i));
      restore_job_picked();
      return;
    }
  }
  restore_jobs.type(folder);
  // The points listed belong to a job the field no longer names.
  point_list.select(-1);
  list_restore_points(false);
}

bool main_window::chooser_decided(const std::string& folder) {
  chooser_moved(folder);
  bool accepted = false;
  if (chooser.tag != 1) {
    accepted = accept_destination();
  } else if (main_mode == k_backup_mode) {
    accepted = accept_source();
  } else {
    accepted = accept_source_folder(folder);
  }
  if (accepted) chooser.visible = false;
  return accepted;
}

}  // namespace ui
