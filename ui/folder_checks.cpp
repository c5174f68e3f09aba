#include "ui/folder_checks.h"

#include "engine/common/paths.h"
#include "engine/restore/restore_target.h"
#include "platform/cp932.h"
#include "ui/window_texts.h"

namespace ui {
namespace {

unsigned char fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

// The first job, in list order, whose folder (picked by `folder`) equals `text`. While an
// existing job is shown, that job (by its exact name) is not its own duplicate.
const job_folders* find_duplicate(const folder_check_input& in, const std::string& text,
                                  std::string job_folders::*folder) {
  for (const job_folders& job : in.jobs) {
    if (!in.new_job_state && job.name == in.shown_job_name) continue;
    if (same_text_ignoring_case(job.*folder, text)) return &job;
  }
  return nullptr;
}

std::string root_message(wt first) {
  return text(first) + text(wt::root_unsupported) + text(wt::root_advice);
}

// Strictly below the source: the same folder is not "inside" it. Whether the source ends in
// a separator makes no difference, and `/` separates as `\` does.
bool strictly_within(const std::string& destination, const std::string& source) {
  return engine::path_is_within(destination, source) &&
         !engine::path_is_within(source, destination);
}

// "." and ".." taken away as text, so that "x\..\src\h" is seen below "src".
std::string reduced(const std::string& path) {
  return engine::joined_path(engine::reduce_path(path));
}

// By real location where the host can tell it; a link followed by ".." leads elsewhere than
// the text says.
bool inside_source(const folder_check_input& in) {
  if (in.source.empty()) return false;
  if (in.real_path) {
    const std::string source = in.real_path(in.source);
    const std::string destination = in.real_path(in.destination);
    if (!source.empty() && !destination.empty()) return strictly_within(destination, source);
  }
  return strictly_within(reduced(in.destination), reduced(in.source));
}

}  // namespace

bool same_text_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (cp932::is_lead_byte(ca) && i + 1 < a.size()) {
      // A double-byte character is compared whole: its trail byte may look like a letter.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (fold(ca) != fold(cb)) return false;
  }
  return true;
}

check_message check_source(const folder_check_input& in) {
  if (in.source.empty()) return std::nullopt;
  if (!engine::root_folder_check(in.source)) return root_message(wt::source_root);
  if (in.mode != k_backup_mode) return std::nullopt;
  if (const job_folders* job = find_duplicate(in, in.source, &job_folders::source)) {
    return text(wt::source_duplicate_1) + job->source + text(wt::source_duplicate_2) +
           text(wt::duplicate_advice);
  }
  return std::nullopt;
}

check_message check_destination(const folder_check_input& in) {
  if (!engine::root_folder_check(in.destination)) {
    return root_message(in.mode == k_backup_mode ? wt::destination_root : wt::target_root);
  }
  if (in.mode != k_backup_mode) return std::nullopt;
  if (const job_folders* job = find_duplicate(in, in.destination, &job_folders::destination)) {
    return text(wt::destination_duplicate_1) + job->destination +
           text(wt::destination_duplicate_2) + job->name + text(wt::destination_duplicate_3) +
           text(wt::duplicate_advice);
  }
  if (inside_source(in)) {
    return text(wt::subfolder_1) + text(wt::subfolder_2);
  }
  return std::nullopt;
}

}  // namespace ui
