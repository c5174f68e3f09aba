#include "engine/backup/backup_run.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "engine/backup/backup_steps.h"
#include "engine/backup/snapshot.h"
#include "engine/backup/stream_compare.h"
#include "engine/common/copy_batch.h"
#include "engine/common/file_copy.h"
#include "engine/common/messages.h"
#include "engine/common/paths.h"
#include "engine/common/progress_meter.h"
#include "engine/history/opened_store.h"
#include "engine/history/point_times.h"
#include "engine/history/prune_steps.h"
#include "engine/store/change_check.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"
#include "engine/store/run_marker.h"
#include "engine/store/store_fit.h"
#include "engine/store/store_lock.h"

namespace engine {
namespace {

enum class note { change_log_not_opened, no_changes };

// One run: the paths it works on, its sinks and what it has done so far.
class backup_run {
 public:
  backup_run(host::host& h, const std::string& source, run_log& log, progress_meter& meter)
      : h_(h), source_(source), log_(log), meter_(meter), batch_(h, meter.stop_source()) {}

  // Copies stamped at or after `unsure_from` are compared by content (change_check.h).
  void trust_times_before(uint32_t unsure_from) { unsure_from_ = unsure_from; }

  // Both history folders lie directly in the store (the destination), the base of every
  // change the run makes: nothing below it is followed as a link.
  void set_folders(const std::string& new_folder, const std::string& previous_folder) {
    new_folder_ = new_folder;
    previous_folder_ = previous_folder;
    const place newest = place_of(new_folder);
    store_ = newest.base;
    new_name_ = newest.relative;
    previous_name_ = place_of(previous_folder).relative;
  }
  // Everything in the new folder of a cut first run was copied by that run alone and belongs
  // to no point yet: what the source no longer holds goes, what it has changed is copied over.
  void set_completing_first_run() { completing_first_run_ = true; }
  // A cut later run copied some entries itself (its change log names them): they too belong to
  // no point yet, and are dropped or copied over in the same way.
  void note_cut_copies(const change_log& log);
  // Compares the newest history folder with the source, folder by folder, and applies the
  // differences: first every deletion, then every new and changed entry. `resuming` continues
  // the change log of a cut run instead of starting it, and leaves the report of unbackable
  // entries to the run that follows.
  int apply_differences(bool resuming);
  void report_unbackable(const comparison_survey& survey);
  // Links found in the copy were planted there: nothing is written through them, and each is
  // named once.
  void report_store_links(const comparison_survey& survey);
  // Removes the temporary files of cut copies from the newest history folder.
  void remove_leftovers(const comparison_survey& survey);
  // Applies one finding of the comparison.
  void apply_found(char kind, const folder_node& node);
  // True (and the run marked stopped) when the user asked the run to stop.
  bool stop_here();
  // A cut run may have moved entries into the previous folder without writing their lines:
  // they are logged now, so that a restore of the previous point finds them.
  void log_unlogged_moves();
  // Pushes the change log and the store to disk and removes the run marker. A run that was
  // asked to stop keeps its marker instead, as a cut run does, and says so; so does one that
  // left an unfinished copy it could not remove, silently (the copy's failure was reported).
  void finish(const std::string& destination);
  run_summary& summary() { return summary_; }
  bool stopped() const { return summary_.stopped; }
  // True when the comparison went through every folder of the source (none unreadable, not
  // stopped, the change log open): every entry of the copy was then found equal or copied.
  bool compared_whole() const { return compared_whole_ && !summary_.stopped; }

 private:
  int move_into_history(char kind, const folder_node& node);
  void copy_new_file(const folder_node& node);
  void replace_changed_file(const folder_node& node);
  void replace_cut_copy(char kind, const folder_node& node);
  bool is_cut_copy(const std::string& relative) const;
  // The lines and counts of a copy's result (k_copy_done, ...).
  void report_copy(char kind, int result, const folder_node& node);
  // After the store refused to make `target` (a file of `size` bytes, or a folder): an "err:"
  // line naming it when its file system cannot hold it there (store_fit.h). True when a twin
  // stands where its name leads.
  bool report_unfit(const place& target, uint64_t size);
  // The err line of a file that changed while it was copied; true when that was the failure.
  bool report_changed_while_copied(int copy_result, const std::string& source);
  // The line of a link the store cannot hold, counted as skipped; true when that was the result.
  bool report_link_not_stored(int copy_result, const std::string& source);
  // Writes one change-log line; one that cannot be written is named and counts as failed.
  bool note_change(const char* code, const std::string& relative);
  void report_change_log_failure();
  // Copies a new folder and all it holds. `in_place` (see copy_file_in_place) when a cut
  // run's completion already takes everything in it for that run's own copies.
  void copy_new_folder(const folder_node& node, bool with_change_log_line, bool in_place);
  void copy_folder_level(const folder_node* first, bool in_place);
  int copy_folder_file(const folder_node& node, const std::string& source, bool in_place);
  // Copies the small files from `first` on (see copy_batch) and returns the entry after the
  // last one it took. The first such batch goes to the helper, and the next one is copied
  // here while the helper works; lines come once both are done.
  const folder_node* copy_small_files(const folder_node* first);
  // Waits for the batch with the helper, if any, and reports it. Called before any other line
  // of a new folder is written, so that the lines keep the order of the entries.
  void drain();
  void report_batch(const std::vector<batch_file>& files);
  // The lines and counts of a copy of a new folder's file (`relative` in the change log's
  // form); `reason` is the host's for a failure.
  void report_folder_file(const std::string& source, const std::string& relative, int result,
                          const std::string& reason, uint64_t size);
  void log_unlogged_level(const std::string* relative,
                          const std::unordered_set<std::string>& logged);
  void report_apply_note(note kind, const std::string& change_log_name);
  void apply_entry(char kind, const folder_node& node);
  bool note_stopped_copy(int copy_result);
  void detail(const std::string& path) { log_.add_line(text(msg::detail_prefix) + path + "\r\n"); }
  // The system's reason for the failure just reported, for the views that show it.
  void why() { report_failure_reason(h_, log_); }
  // The same for a reason taken earlier (empty: none known).
  void why(const std::string& reason) {
    if (!reason.empty()) log_.add_reason(reason);
  }
  // detail() for an entry the system failed on: its reason comes between the "==> " line and
  // the empty line that closes the report.
  void failed_detail(const std::string& path, const std::string* reason = nullptr) {
    log_.add_line(text(msg::detail_prefix) + path);
    if (reason != nullptr) {
      why(*reason);
    } else {
      why();
    }
    log_.add_line("");
  }
  void detail(const std::string& path, bool failed) { failed ? failed_detail(path) : detail(path); }

  std::string source_path(const folder_node& n) const {
    return path_join(source_, n.folder_path ? piece(*n.folder_path) : std::nullopt, n.name);
  }
  std::string newest_path(const folder_node& n) const {
    return path_join(new_folder_, n.folder_path ? piece(*n.folder_path) : std::nullopt, n.name);
  }
  // The same places as relative paths beneath the store.
  place newest_place(const folder_node& n) const {
    return place{
        store_, path_join(new_name_, n.folder_path ? piece(*n.folder_path) : std::nullopt, n.name)};
  }
  std::string history_relative(const folder_node& n) const {
    return path_join(previous_name_, n.folder_path ? piece(*n.folder_path) : std::nullopt, n.name);
  }

  host::host& h_;
  const std::string& source_;
  run_log& log_;
  progress_meter& meter_;
  std::string new_folder_;
  std::string previous_folder_;
  bool completing_first_run_ = false;
  bool unfinished_copy_left_ = false;  // see copy_folder_file
  int folds_case_ = -1;  // whether the store's file system folds letter case; -1: not asked yet
  std::unordered_set<std::string> cut_copies_;  // files and whole folders, by relative path
  std::string store_;
  std::string new_name_;
  std::string previous_name_;
  change_log_writer change_log_;
  transfer_buffer buffer_;
  copy_batch batch_;          // the helper's batch waits for drain()
  uint32_t unsure_from_ = 0;  // no time is trusted until the store's record is read
  bool compared_whole_ = false;
  run_summary summary_;
};

void backup_run::report_apply_note(note kind, const std::string& change_log_name) {
  if (kind == note::change_log_not_opened) {
    log_.add_line(text(msg::change_log_not_opened));
    log_.add_line(text(msg::detail_prefix) + change_log_name);
    why();
    log_.add_line("");
  } else {
    log_.add_line(text(msg::no_changes) + "\r\n");
  }
}

void backup_run::report_unbackable(const comparison_survey& survey) {
  for (const std::string& path : survey.special_paths) {
    log_.add_line(text(msg::entry_not_backed_up));
    detail(path);
    ++summary_.failed;
  }
  // A link is no file data: a run that failed for it every time would teach its user to
  // overlook failures.
  for (const std::string& path : survey.unstored_link_paths) {
    log_.add_line(text(msg::link_not_stored));
    detail(path);
    ++summary_.skipped;
  }
  for (const std::string& relative : survey.leftover_paths) {
    log_.add_line(text(msg::reserved_name_not_backed_up));
    detail(path_join(source_, relative));
    ++summary_.failed;
  }
  for (const std::string& path : survey.unreadable_paths) {
    log_.add_line(text(msg::folder_not_read));
    detail(path);
    ++summary_.failed;
  }
}

void backup_run::report_store_links(const comparison_survey& survey) {
  for (const std::string& path : survey.store_link_paths) {
    log_.add_line(text(msg::link_in_store));
    detail(path);
  }
}

// Hands the findings of the comparison's passes to the run as they are found.
class applying_sink : public difference_sink {
 public:
  explicit applying_sink(backup_run& run) : run_(run) {}
  void found(char kind, const folder_node& node) override { run_.apply_found(kind, node); }
  bool stop() override { return run_.stop_here(); }

 private:
  backup_run& run_;
};

int backup_run::apply_differences(bool resuming) {
  // The survey reads both trees once, folder by folder: what is reported before anything
  // changes, the work for the progress view, and the differences themselves (or, past its
  // budget, where they lie, so that the two passes that apply them enter only those folders).
  log_.flush();
  comparison_survey survey = survey_comparison(h_, new_folder_, source_, unsure_from_);
  remove_leftovers(survey);
  const std::string change_log_name = new_folder_ + k_change_log_extension;
  if (resuming) {
    change_log_.open_append(h_, change_log_name);
    if (!previous_folder_.empty()) log_unlogged_moves();
  } else if (!change_log_.open(h_, store_, new_name_ + k_change_log_extension)) {
    report_apply_note(note::change_log_not_opened, change_log_name);
    summary_.failed++;
    return 1;
  }
  buffer_ = make_transfer_buffer();
  if (survey.differences == 0) report_apply_note(note::no_changes, change_log_name);
  if (!resuming) report_unbackable(survey);
  report_store_links(survey);
  meter_.plan(survey.entries, survey.bytes);
  applying_sink sink(*this);
  deliver_deleted_entries(h_, new_folder_, source_, survey, sink);
  if (!stop_here())
    deliver_new_and_changed_entries(h_, new_folder_, source_, unsure_from_, survey, sink);
  buffer_ = transfer_buffer();
  compared_whole_ = survey.unreadable_paths.empty();
  return 0;
}

void backup_run::apply_found(char kind, const folder_node& node) {
  if (kind == 'S') {
    // A new folder counts its own entries, one by one, as it copies them.
    copy_new_folder(node, true, false);
    drain();
    return;
  }
  meter_.begin_entry(source_path(node));
  apply_entry(kind, node);
  meter_.end_entry();
}

void backup_run::apply_entry(char kind, const folder_node& node) {
  if ((kind == 'D' || kind == 'N') && is_cut_copy(relative_path(node))) {
    replace_cut_copy(kind, node);
    return;
  }
  switch (kind) {
    case 'D':
      move_into_history('D', node);
      break;
    case 'N':
      replace_changed_file(node);
      break;
    default:
      copy_new_file(node);
      break;
  }
}

bool backup_run::stop_here() {
  if (!summary_.stopped && meter_.stop_requested()) summary_.stopped = true;
  return summary_.stopped;
}

// A copy cut short by a stop request is neither done nor failed: the next run copies it.
bool backup_run::note_stopped_copy(int copy_result) {
  if (copy_result != k_copy_stopped) return false;
  summary_.stopped = true;
  return true;
}

void backup_run::remove_leftovers(const comparison_survey& survey) {
  for (const std::string& relative : survey.store_leftovers) {
    h_.remove_file_beneath(store_, path_join(new_name_, relative));
  }
}

void backup_run::log_unlogged_moves() {
  std::unordered_set<std::string> logged;
  const change_log log = read_change_log(h_, new_folder_);
  for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
    if (line->code[0] == 'D') logged.insert(line->text);
  }
  log_unlogged_level(nullptr, logged);
}

void backup_run::log_unlogged_level(const std::string* relative_folder,
                                    const std::unordered_set<std::string>& logged) {
  const folder_tree level = scan_folder_level(h_, previous_folder_, relative_folder);
  for (const folder_node* n = level.first(); n != nullptr; n = n->next) {
    const std::string relative = relative_path(*n);
    if (logged.count(relative) != 0 || n->is_special) continue;
    // A folder may only be the parent made for a move: look inside. An empty one is such a
    // parent whose move never happened; naming it would stand for an emptied folder.
    if (n->is_folder()) {
      const std::string inner = level_path_of(*n);
      log_unlogged_level(&inner, logged);
    } else {
      note_change(k_code_deleted, relative);
    }
  }
}

void backup_run::finish(const std::string& destination) {
  if (!change_log_.close()) {
    report_change_log_failure();
    summary_.failed++;
  }
  set_point_times_back(h_, destination);
  log_.flush();
  if (!h_.sync_volume(destination)) summary_.failed++;
  if (summary_.stopped) {
    log_.add_line(text(msg::interrupted));
    log_.add_line(text(msg::run_stopped));
    return;
  }
  if (!unfinished_copy_left_) remove_run_marker(h_, destination);
}

bool backup_run::note_change(const char* code, const std::string& relative) {
  if (change_log_.write_line(code, relative)) return true;
  report_change_log_failure();
  summary_.failed++;
  return false;
}

void backup_run::report_change_log_failure() {
  log_.add_line(text(msg::change_log_not_written));
  failed_detail(new_folder_ + k_change_log_extension);
}

namespace {

// An entry at the top of the tree is written "\name", one below it "folder\name": without
// the separator the top one is also the first piece of every path beneath it.
std::string without_leading_separator(const std::string& relative) {
  return !relative.empty() && relative[0] == '\\' ? relative.substr(1) : relative;
}

}  // namespace

void backup_run::note_cut_copies(const change_log& log) {
  for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
    const std::string code(line->code, 4);
    if (code == k_code_new_file || code == k_code_changed || code == k_code_new_folder) {
      cut_copies_.insert(without_leading_separator(line->text));
    }
  }
}

bool backup_run::is_cut_copy(const std::string& relative) const {
  if (completing_first_run_) return true;
  for (std::string p = without_leading_separator(relative); !p.empty(); p = parent_folder(p)) {
    if (cut_copies_.count(p) != 0) return true;
  }
  return false;
}

void backup_run::replace_cut_copy(char kind, const folder_node& node) {
  if (kind == 'N') {
    report_copy('N',
                copy_file_with_progress(h_, meter_, buffer_, k_block_length, source_path(node),
                                        newest_path(node)),
                node);
    return;
  }
  const std::string newest = newest_path(node);
  if (remove_entry(h_, newest_place(node)) != 0) {
    log_.add_line(text(msg::deleted_not_moved));
    failed_detail(newest);
    summary_.failed++;
  }
}

int backup_run::move_into_history(char kind, const folder_node& node) {
  const std::string newest = newest_path(node);
  const int result =
      move_file_creating_folders(h_, store_, newest_place(node).relative, history_relative(node));
  bool noted = true;
  if (result == 0) {
    log_.add_line(text(kind == 'D' ? msg::deleted_moved : msg::changed_moved));
    noted =
        change_log_.write_line(kind == 'D' ? k_code_deleted : k_code_changed, relative_path(node));
    summary_.moved++;
  } else {
    log_.add_line(text(kind == 'D' ? msg::deleted_not_moved : msg::changed_not_moved));
    summary_.failed++;
  }
  detail(newest, result != 0);
  if (!noted) {
    report_change_log_failure();
    summary_.failed++;
  }
  return result;
}

// The new version is copied before the stored one moves, and the move happens once the copy
// is whole, just before it takes the name: a copy that fails or finds the file changing under
// it leaves the stored version whole in the newest folder, for the next run to compare again.
void backup_run::replace_changed_file(const folder_node& node) {
  int moved = 1;  // stays so when the copy failed before the move
  const auto move_stored_version = [&] {
    moved = move_into_history('N', node);
    return moved == 0;
  };
  const std::string from = source_path(node);
  const int result = copy_file_with_progress(h_, meter_, buffer_, k_block_length, from,
                                             newest_place(node), move_stored_version);
  if (moved < 0) {
    // Copying over the only stored copy of the old version would destroy it.
    log_.add_line(text(msg::changed_kept));
    detail(from);
    return;
  }
  report_copy('N', result, node);
}

void backup_run::copy_new_file(const folder_node& node) {
  // The line of a new file is written before the file takes its name: a crash between the two
  // then leaves a line for a missing file, which the next run copies again, never a file that
  // no line names.
  bool noted = true;
  const auto log_new_file = [&] {
    return noted = change_log_.write_line(k_code_new_file, relative_path(node));
  };
  report_copy('C',
              copy_file_with_progress(h_, meter_, buffer_, k_block_length, source_path(node),
                                      newest_place(node), log_new_file),
              node);
  if (!noted) report_change_log_failure();  // counted with the copy it failed
}

bool backup_run::report_changed_while_copied(int copy_result, const std::string& source) {
  if (copy_result != k_copy_source_changed) return false;
  log_.add_line(text(msg::changed_while_copied));
  detail(source);
  summary_.failed++;
  return true;
}

bool backup_run::report_link_not_stored(int copy_result, const std::string& source) {
  if (copy_result != k_copy_link_not_made) return false;
  log_.add_line(text(msg::link_not_stored));
  detail(source);
  summary_.skipped++;
  return true;
}

void backup_run::report_copy(char kind, int result, const folder_node& node) {
  const std::string source = source_path(node);
  if (note_stopped_copy(result) || report_changed_while_copied(result, source) ||
      report_link_not_stored(result, source)) {
    return;
  }
  if (result == 0) {
    log_.add_line(text(kind == 'C' ? msg::new_file_copied : msg::changed_copied));
    summary_.copied++;
  } else {
    log_.add_line(text(kind == 'C' ? msg::new_file_not_copied : msg::changed_not_copied));
    summary_.failed++;
  }
  detail(source, result != 0);
  if (result != 0) report_unfit(newest_place(node), node.size);
}

bool backup_run::report_unfit(const place& target, uint64_t size) {
  if (folds_case_ < 0) folds_case_ = store_folds_case(h_, new_folder_) ? 1 : 0;
  const store_fit fit = why_store_refused(h_, target, size, folds_case_ == 1);
  h_.take_failure_reason();  // the looks above explain nothing the lines would show
  if (fit == store_fit::fits) return false;
  log_.add_line(text(fit == store_fit::twin   ? msg::store_holds_twin
                     : fit == store_fit::name ? msg::store_forbids_name
                                              : msg::store_file_too_large));
  detail(target.path());
  return fit == store_fit::twin;
}

void backup_run::copy_new_folder(const folder_node& node, bool with_change_log_line,
                                 bool in_place) {
  meter_.begin_entry(source_path(node));
  if (with_change_log_line) {
    drain();
    log_.add_line(text(msg::new_folder));
    // The completion of a cut first run takes all of its folder for that run's copies; that
    // of a later run, all of each folder its change log names.
    in_place = note_change(k_code_new_folder, relative_path(node)) || previous_folder_.empty();
  }
  if (!node.is_folder()) {
    meter_.end_entry();
    return;
  }
  const std::string folder = newest_path(node);
  if (h_.create_folder_beneath(store_, newest_place(node).relative)) {
    // Made private; it takes the source folder's bits before anything goes into it. Should
    // that fail, it stays private, never more open than its source.
    give_folder_permissions(h_, source_path(node), newest_place(node), true);
  } else {
    // Taken before the batch with the helper ends, whose last files may be copied here.
    const std::string reason = h_.take_failure_reason();
    drain();
    log_.add_line(folder + text(msg::folder_not_created));
    why(reason);
    summary_.failed++;
    // What the file system took for this folder ("Docs" for "docs") is another entry:
    // nothing of this one is written into it.
    if (report_unfit(newest_place(node), 0)) {
      meter_.end_entry();
      return;
    }
    in_place = false;  // a folder this run did not make may hold what is not its own
  }
  meter_.end_entry();
  // One folder of the new subtree at a time: only it and the folders above it are held.
  const std::string inner = level_path_of(node);
  const folder_tree level = scan_folder_level(h_, source_, &inner);
  copy_folder_level(level.first(), in_place);
}

int backup_run::copy_folder_file(const folder_node& node, const std::string& source,
                                 bool in_place) {
  if (!in_place) {
    return copy_file_with_progress(h_, meter_, buffer_, k_block_length, source, newest_place(node));
  }
  const int result =
      copy_file_in_place(h_, meter_, buffer_, k_block_length, source, newest_place(node));
  if (result != k_copy_left_unfinished) return result;
  // Only the completion of this run copies that file again: its marker stays.
  unfinished_copy_left_ = true;
  return k_copy_failed;
}

void backup_run::copy_folder_level(const folder_node* first, bool in_place) {
  const folder_node* n = first;
  while (n != nullptr && !stop_here()) {
    if (n->is_special) {  // reported once, by report_unbackable
      n = n->next;
      continue;
    }
    if (in_place && batch_.shared() && !n->is_folder() && n->size <= k_batch_file_length) {
      n = copy_small_files(n);
      continue;
    }
    if (n->is_folder()) {
      copy_new_folder(*n, false, in_place);
    } else {
      const std::string source = source_path(*n);
      meter_.begin_entry(source);
      const int result = copy_folder_file(*n, source, in_place);
      meter_.end_entry();
      // Taken before the batch with the helper ends, whose last files may be copied here.
      const std::string reason = result != k_copy_done ? h_.take_failure_reason() : "";
      drain();
      report_folder_file(source, relative_path(*n), result, reason, n->size);
    }
    n = n->next;
  }
}

const folder_node* backup_run::copy_small_files(const folder_node* first) {
  std::vector<batch_file> files;
  const folder_node* n = first;
  for (; n != nullptr && files.size() < k_batch_files; n = n->next) {
    if (n->is_special) continue;
    if (n->is_folder() || n->size > k_batch_file_length) break;
    files.emplace_back();
    files.back().relative = relative_path(*n);
    files.back().source = source_path(*n);
    files.back().target = newest_place(*n);
  }
  if (!batch_.started()) {
    batch_.start(std::move(files));
    return n;
  }
  batch_.copy_here(files);
  drain();
  report_batch(files);
  return n;
}

void backup_run::drain() {
  if (batch_.started()) report_batch(batch_.finish());
}

void backup_run::report_batch(const std::vector<batch_file>& files) {
  // The files a batch started are its first ones; a stop request left the rest.
  for (size_t i = 0; i < files.size() && files[i].result != k_copy_not_started; ++i) {
    const batch_file& f = files[i];
    replay_progress(meter_, f, f.source);
    int result = f.result;
    if (result == k_copy_left_unfinished) {
      unfinished_copy_left_ = true;  // as in copy_folder_file
      result = k_copy_failed;
    }
    report_folder_file(f.source, f.relative, result, f.reason,
                       static_cast<uint64_t>(std::max<int64_t>(f.length, 0)));
  }
}

void backup_run::report_folder_file(const std::string& source, const std::string& relative,
                                    int result, const std::string& reason, uint64_t size) {
  if (note_stopped_copy(result) || report_changed_while_copied(result, source) ||
      report_link_not_stored(result, source)) {
    return;
  }
  log_.add_line(text(result == 0 ? msg::folder_file_copied : msg::folder_file_not_copied));
  if (result == 0) {
    detail(relative);
    summary_.copied++;
  } else {
    failed_detail(relative, &reason);
    summary_.failed++;
    report_unfit(place{store_, path_join(new_name_, relative)}, size);
  }
}

// Compared by real location, so that neither ".." nor a link makes one folder look like two.
bool within_by_real_location(host::host& h, const std::string& inner, const std::string& outer) {
  const std::string real_inner = h.real_path(inner);
  const std::string real_outer = h.real_path(outer);
  return !real_inner.empty() && !real_outer.empty() && path_is_within(real_inner, real_outer);
}

void refuse(run_log& log, std::initializer_list<msg> lines, run_summary& summary) {
  for (msg m : lines) log.add_line(text(m));
  summary.alert = true;
  summary.refused = true;
}

// The checks that refuse a run before anything is read or written. True when refused.
bool refused(host::host& h, const std::string& source, const std::string& destination, run_log& log,
             run_summary& summary) {
  if (!root_folder_check(source)) {
    refuse(log, {msg::interrupted, msg::source_is_root, msg::change_source, msg::source_root_note},
           summary);
  } else if (!root_folder_check(destination)) {
    refuse(log,
           {msg::interrupted, msg::destination_is_root, msg::change_destination,
            msg::destination_root_note},
           summary);
  } else if (path_is_within(destination, source) ||
             within_by_real_location(h, destination, source)) {
    // The history would be copied into itself, run after run.
    refuse(log, {msg::interrupted, msg::destination_inside_source, msg::change_destination_err},
           summary);
  }
  return summary.refused;
}

// Moves every entry of `from` into `to`; an entry that cannot move stays.
void move_entries(host::host& h, const std::string& from, const std::string& to) {
  std::vector<host::found_entry> entries;
  h.search(folder_search_pattern(from), entries);
  // Both folders lie in the store; an entry that is a link moves as the link.
  const place older = place_of(from);
  const std::string newer = place_of(to).relative;
  for (const host::found_entry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    h.rename_beneath(older.base, path_join(older.relative, entry.name),
                     path_join(newer, entry.name), false);
  }
}

}  // namespace

int carry_forward_newest(host::host& h, const std::string& previous_folder,
                         const std::string& new_folder) {
  if (!h.create_folder(new_folder)) return -1;
  move_entries(h, previous_folder, new_folder);
  return 0;
}

namespace {

// Writes the marker; one that cannot be written is named in the log.
bool mark(host::host& h, const std::string& destination, const run_marker& marker, run_log& log) {
  if (write_run_marker(h, destination, marker)) return true;
  log.add_line(text(msg::run_marker_not_written));
  log.add_line(text(msg::detail_prefix) + path_join(destination, k_run_marker_name));
  report_failure_reason(h, log);
  log.add_line("");
  return false;
}

// The marker as the store stands; a stale one (or one that does not read as a marker) is set
// aside with its line and never acted on. Empty when there is nothing to complete.
std::optional<run_marker> marker_to_complete(host::host& h, const std::string& destination,
                                             run_log& log, run_summary& summary) {
  std::optional<run_marker> marker = read_run_marker(h, destination);
  if (!marker && !run_marker_present(h, destination)) return std::nullopt;
  const marker_match match = marker
                                 ? match_run_marker(*marker, scan_history_folders(h, destination))
                                 : marker_match::stale;
  if (match == marker_match::complete) return marker;
  if (match == marker_match::unstarted) {
    remove_run_marker(h, destination);
  } else {
    log.add_line(text(msg::run_marker_set_aside));
    log.add_line(text(msg::detail_prefix) + set_aside_run_marker(h, destination) + "\r\n");
    summary.failed++;
  }
  return std::nullopt;
}

// Completes the run a matching marker tells of: its carry-forward, then its comparison against
// the source as it is now, appending to its change log. False when the run must stop because
// the completion could not record its progress.
bool complete_interrupted_run(host::host& h, const std::string& source,
                              const std::string& destination, uint32_t unsure_from, run_log& log,
                              progress_meter& meter, run_summary& summary) {
  std::optional<run_marker> marker = marker_to_complete(h, destination, log, summary);
  if (!marker) return true;
  const std::string new_folder = path_join(destination, marker->new_folder);
  const std::string previous_folder = marker->previous_folder.empty()
                                          ? std::string()
                                          : path_join(destination, marker->previous_folder);
  log.add_line(text(msg::resuming_run));
  log.add_line(text(msg::detail_prefix) + new_folder + "\r\n");
  if (!marker->carried && !previous_folder.empty()) {
    move_entries(h, previous_folder, new_folder);
    marker->carried = true;
    if (!mark(h, destination, *marker, log)) {
      summary.failed++;
      return false;
    }
  }
  backup_run run(h, source, log, meter);
  run.trust_times_before(unsure_from);
  run.set_folders(new_folder, previous_folder);
  if (previous_folder.empty()) {
    run.set_completing_first_run();
  } else {
    run.note_cut_copies(read_change_log(h, new_folder));
  }
  run.apply_differences(true);
  run.finish(destination);
  summary.copied += run.summary().copied;
  summary.moved += run.summary().moved;
  summary.failed += run.summary().failed;
  summary.stopped = run.stopped();
  return !run.stopped();
}

// `checked`: when the run began to compare.
void first_run(host::host& h, backup_run& run, const std::string& destination, run_log& log,
               uint32_t checked) {
  log.add_line(text(msg::first_run));
  const std::string new_folder = path_join(destination, k_first_history_folder);
  if (!mark(h, destination, run_marker{k_first_history_folder, std::string(), true}, log)) {
    remove_run_marker(h, destination);
    run.summary().refused = true;
    return;
  }
  // Whatever a cut first run copies, it copies from now on: its completion need not read the
  // files whose times lie before.
  write_check_record(h, destination, checked);
  if (!h.create_folder(new_folder)) {
    log.add_line(new_folder + text(msg::folder_not_created));
    remove_run_marker(h, destination);
    run.summary().refused = true;
    return;
  }
  run.set_folders(new_folder, std::string());
  run.apply_differences(false);
  run.finish(destination);
}

void later_run(host::host& h, backup_run& run, const std::string& destination,
               const folder_node& newest, run_log& log) {
  log.add_line(text(msg::later_run));
  run_marker marker{next_history_folder_name(&newest), newest.name, false};
  const std::string new_folder = path_join(destination, marker.new_folder);
  const std::string previous_folder = path_join(destination, newest.name);
  // After Zolk9999 the next name would be one no scan recognises: the store would silently
  // lose its newest point, so the run stops before it changes anything.
  const bool nameable = is_history_folder_name(marker.new_folder);
  if (nameable && !mark(h, destination, marker, log)) {
    remove_run_marker(h, destination);
    run.summary().refused = true;
    return;
  }
  if (!nameable || carry_forward_newest(h, previous_folder, new_folder) != 0) {
    log.add_line(text(msg::history_folder_not_created));
    log.add_line(previous_folder);
    if (nameable) report_failure_reason(h, log);
    log.add_line("");
    remove_run_marker(h, destination);
    run.summary().refused = true;
    return;
  }
  marker.carried = true;
  if (!mark(h, destination, marker, log)) {
    // The marker on disk still tells of the carry-forward: the next run completes this one.
    run.summary().failed++;
    return;
  }
  run.set_folders(new_folder, previous_folder);
  run.apply_differences(false);
  run.finish(destination);
}

// Opens the store with its lock for the whole run, creating the destination folder itself
// first if needed (nothing else is made before the lock is held). A run must find the store
// whole: a prune cut off half-way is completed as it opens. Nullopt when the run is refused.
std::optional<opened_store> open_destination(host::host& h, const std::string& destination,
                                             run_log& log, run_summary& summary) {
  const std::string lock_path = path_join(destination, k_store_lock_name);
  const std::vector<std::string> made = missing_folders(h, destination);
  create_parent_folders(h, lock_path);
  store_opening how;
  how.completion = store_completion::when_locked;
  opened_store store = open_store(h, destination, how, log);
  if (store.opened() == opened_store::state::busy) {
    report_store_busy(log, destination);
  } else if (store.opened() == opened_store::state::unlocked) {
    log.add_line(text(msg::store_not_locked));
    log.add_line(text(msg::detail_prefix) + lock_path);
    // Often a destination the system cannot hold (a name too long): the user must learn why.
    if (!store.status().reason.empty()) log.add_reason(store.status().reason);
    log.add_line("");
    remove_made_folders(h, made);
  }
  if (!store.locked()) {
    summary.alert = true;
    summary.refused = true;
    return std::nullopt;
  }
  return std::optional<opened_store>(std::move(store));
}

}  // namespace

run_summary run_history_backup(host::host& h, const std::string& source,
                               const std::string& destination, run_log& log, run_progress& progress,
                               const stop_request* stop) {
  const host::operation_folders folders(h);
  progress_meter meter(progress, stop);
  backup_run run(h, source, log, meter);
  run_summary& summary = run.summary();
  if (!refused(h, source, destination, log, summary)) {
    // Only the top is read here; the comparison reads the rest folder by folder.
    if (!scan_folder_level(h, source, nullptr).root_readable()) {
      // A missing source would otherwise read as "everything was deleted".
      refuse(log, {msg::interrupted, msg::source_missing}, summary);
      log.add_line(text(msg::detail_prefix) + source + "\r\n");
    } else if (const std::optional<opened_store> store =
                   open_destination(h, destination, log, summary)) {
      if (store->completed() == cut_prune::failed) {
        summary.failed++;
        summary.refused = true;
      } else {
        // Every comparison below starts at this moment or later.
        const uint32_t checked = h.current_time();
        const uint32_t unsure_from = read_check_record(h, destination);
        if (complete_interrupted_run(h, source, destination, unsure_from, log, meter, summary)) {
          run.trust_times_before(unsure_from);
          const folder_tree history = scan_history_folders(h, destination);
          if (history.empty()) {
            first_run(h, run, destination, log, checked);
          } else {
            later_run(h, run, destination, *history.first(), log);
          }
          // A record that cannot be written stays as it was: older, so only more is read.
          if (run.compared_whole()) write_check_record(h, destination, checked);
        }
      }
    }
  }
  return summary;
}

}  // namespace engine
