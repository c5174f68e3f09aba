#include "ui/job_form.h"

#include <utility>

#include "platform/cp932.h"

namespace ui {
namespace {

// Indexed by job_text; table_text keeps the two in step.
constexpr const char* k_utf8[] = {
    "新規作成状態です。設定して登録して下さい。",
    "履歴バックアップを行います。",
    "新規作成",
    "登録",
    "現在の設定を保存します。",
    "修正反映",
    "現在の設定を上書き保存（修正）します。",
    "削除",
    "クリア",
};

std::string utf8_to_cp932(const char* utf8) { return cp932::from_unicode(utf8); }

}  // namespace

const std::string& text_of(job_text id) { return cp932::table_text(k_utf8, id); }

std::string save_problem_text(jobs::save_status status, const std::string& path) {
  switch (status) {
    case jobs::save_status::saved:
      return std::string();
    case jobs::save_status::refused_unreadable:
      return utf8_to_cp932("設定ファイル ") + path +
             utf8_to_cp932(
                 " は起動時に読めなかったため、上書きしませんでした。"
                 "\r\n今回の変更は保存されていません。");
    case jobs::save_status::create_failed:
    case jobs::save_status::write_failed:
    case jobs::save_status::replace_failed:
      break;
  }
  return utf8_to_cp932("設定ファイル ") + path +
         utf8_to_cp932(" を保存できませんでした。\r\n今回の変更は保存されていません。");
}

std::string unsavable_field_text(job_field field, const std::string& text) {
  if (jobs::fits_settings_text(text)) return std::string();
  static const char* const k_labels[] = {"履歴ジョブ名", "今回の処理に対するコメント",
                                         "バックアップ元フォルダ", "バックアップ先フォルダ"};
  const std::string label = utf8_to_cp932(k_labels[static_cast<int>(field)]);
  if (text.find('\0') != std::string::npos) {
    return label + utf8_to_cp932(
                       "に保存できない文字（NUL）が含まれているため、ジョブを保存できません。"
                       "\r\nこの文字を取り除いて下さい。");
  }
  return label + utf8_to_cp932("が長すぎるため、ジョブを保存できません（") +
         std::to_string(text.size()) +
         utf8_to_cp932(" バイト）。\r\n設定ファイルに保存できるのは ") +
         std::to_string(jobs::k_max_text_length) +
         utf8_to_cp932(" バイトまでです。短くして下さい。");
}

std::string load_problem_text(jobs::load_status status, const std::string& path) {
  switch (status) {
    case jobs::load_status::loaded:
    case jobs::load_status::created:
    case jobs::load_status::missing:
      return std::string();
    case jobs::load_status::create_failed:
      return utf8_to_cp932("設定ファイル ") + path +
             utf8_to_cp932(" を作成できませんでした。\r\n登録したジョブは保存されません。");
    case jobs::load_status::damaged:
      return utf8_to_cp932("設定ファイル ") + path +
             utf8_to_cp932(
                 " の一部が壊れていました。\r\n読めたジョブだけを表示します。"
                 "\r\n元のファイルは、次に保存するときに .damaged を付けた名前で残します。");
    case jobs::load_status::unreadable:
      return utf8_to_cp932("設定ファイル ") + path +
             utf8_to_cp932(" を読めませんでした。\r\nこのファイルは上書きせずに残します。");
  }
  return std::string();
}

void job_combo_model::select(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) {
    selected = -1;
    text.clear();
    return;
  }
  selected = index;
  text = entries[static_cast<size_t>(index)];
}

void job_combo_model::type(const std::string& typed) {
  text = typed;
  selected = -1;
}

void fill_job_combo(job_combo_model& combo, unsigned char kind, const jobs::job_list& list,
                    int text_number) {
  const std::string remembered = combo.text;
  combo.entries.clear();
  combo.select(-1);
  if (list.empty()) {
    combo.chosen_index = -1;
    return;
  }
  int n = 0;
  for (const jobs::job_record* r = list.first(); r != nullptr; r = r->next) {
    if (r->job_kind != kind) continue;
    const std::string& shown = r->text(text_number);
    if (shown == remembered) combo.chosen_index = n;
    combo.entries.push_back(shown);
    ++n;
  }
  combo.select(combo.chosen_index == -2 ? 0 : combo.chosen_index);
}

job_state_view view_of(job_state state) {
  job_state_view v;
  const bool chosen = state == job_state::job_chosen;
  v.mode_heading = text_of(chosen ? job_text::st01_job_chosen : job_text::st01_new_job);
  v.new_job_enabled = chosen;
  v.touroku_enabled = !chosen;
  v.syusei_enabled = chosen;
  v.sakujo_enabled = true;
  v.sakujo_caption = text_of(chosen ? job_text::sakujo_delete : job_text::sakujo_clear);
  return v;
}

job_form::job_form(host::host& h, std::string settings_path) : host_(h) {
  settings_.path = std::move(settings_path);
}

void job_form::set_comment_field(const std::string& text) { comment_field_ = text; }
void job_form::set_source_field(const std::string& text) { source_field_ = text; }
void job_form::set_destination_field(const std::string& text) { destination_field_ = text; }

const std::string& job_form::field_text(job_field field) const {
  switch (field) {
    case job_field::job_name:
      break;
    case job_field::comment:
      return comment_field_;
    case job_field::source_folder:
      return source_field_;
    case job_field::destination_folder:
      return destination_field_;
  }
  return job_box.text;
}

// A text cut to fit would name another folder than the one the user typed (the store made in
// a folder of its parent), or another job: the register is refused instead.
bool job_form::fields_fit() {
  for (const job_field field : {job_field::job_name, job_field::comment, job_field::source_folder,
                                job_field::destination_folder}) {
    if (!jobs::fits_settings_text(field_text(field))) {
      refused_field_ = field;
      return false;
    }
  }
  return true;
}

std::vector<const jobs::job_record*> job_form::history_jobs() const {
  std::vector<const jobs::job_record*> out;
  for (const jobs::job_record* r = list_.first(); r != nullptr; r = r->next) {
    if (r->job_kind == jobs::k_history_backup_kind) out.push_back(r);
  }
  return out;
}

jobs::load_result job_form::load_settings() { return jobs::load_settings(host_, settings_, list_); }

jobs::load_result job_form::begin_start() {
  const jobs::load_result result = load_settings();
  job_box.chosen_index = -2;
  fill_job_combo(job_box, jobs::k_history_backup_kind, list_, jobs::k_job_name);
  return result;
}

void job_form::finish_start() {
  if (job_box.chosen_index == -1) new_job();
}

void job_form::new_job() {
  new_job_enabled_ = false;
  job_box.chosen_index = -1;
  job_box.select(-1);
  source_field_.clear();
  destination_field_.clear();
  comment_field_.clear();
  if (refresh_mode) refresh_mode();
}

void job_form::job_picked() {
  if (job_box.selected != -1) job_box.chosen_index = job_box.selected;
  const jobs::job_record* r = jobs::find_job(list_, job_box.selected, jobs::k_history_backup_kind);
  if (r == nullptr) return;
  comment_field_ = r->text(jobs::k_job_comment);
  source_field_ = r->text(jobs::k_source_folder);
  destination_field_ = r->text(jobs::k_destination_folder);
  new_job_enabled_ = true;
  if (refresh_mode) refresh_mode();
}

job_form::outcome job_form::register_job() {
  if (!fields_fit()) return outcome::refused_text;
  auto record = std::make_unique<jobs::job_record>();
  jobs::clear_job_record(*record);
  record->job_kind = jobs::k_history_backup_kind;
  record->slot(jobs::k_job_name) = job_box.text;
  record->slot(jobs::k_job_comment) = comment_field_;
  record->slot(jobs::k_source_folder) = source_field_;
  record->slot(jobs::k_destination_folder) = destination_field_;
  if (list_.empty()) record->first_job_mark = 1;
  list_.append(std::move(record));
  fill_job_combo(job_box, jobs::k_history_backup_kind, list_, jobs::k_job_name);
  return save();
}

job_form::outcome job_form::update_job() {
  jobs::job_record* r = jobs::find_job(list_, job_box.chosen_index, jobs::k_history_backup_kind);
  if (r == nullptr) return outcome::nothing_done;
  if (!fields_fit()) return outcome::refused_text;
  jobs::replace_text(r->slot(jobs::k_job_name), job_box.text);
  jobs::replace_text(r->slot(jobs::k_job_comment), comment_field_);
  jobs::replace_text(r->slot(jobs::k_source_folder), source_field_);
  jobs::replace_text(r->slot(jobs::k_destination_folder), destination_field_);
  fill_job_combo(job_box, jobs::k_history_backup_kind, list_, jobs::k_job_name);
  return save();
}

job_form::outcome job_form::delete_job() {
  // In the new-job state the button reads "クリア": it must never delete the job that a
  // register just selected.
  if (state() == job_state::new_job) return outcome::nothing_done;
  jobs::job_record* r = jobs::find_job(list_, job_box.selected, jobs::k_history_backup_kind);
  if (r == nullptr) return outcome::nothing_done;
  if (r->next == nullptr && r->prev != nullptr) job_box.select(job_box.selected - 1);
  list_.erase(r);
  fill_job_combo(job_box, jobs::k_history_backup_kind, list_, jobs::k_job_name);
  job_picked();
  return save();
}

job_form::outcome job_form::save() {
  last_save_status_ = jobs::save_settings(host_, settings_, list_);
  return last_save_status_ == jobs::save_status::saved ? outcome::saved : outcome::save_failed;
}

}  // namespace ui
