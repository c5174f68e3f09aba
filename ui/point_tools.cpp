#include "ui/point_tools.h"

#include "engine/common/messages.h"
#include "engine/history/point_changes.h"
#include "engine/history/point_walk.h"
#include "engine/restore/restore_rollback.h"
#include "ui/window_texts.h"

namespace ui {
namespace {

wt kind_text(engine::change_kind kind) {
  switch (kind) {
    case engine::change_kind::new_folder:
    case engine::change_kind::new_file:
      return wt::change_new;
    case engine::change_kind::changed:
      return wt::change_changed;
    case engine::change_kind::deleted:
      return wt::change_deleted;
    case engine::change_kind::became_folder:
    case engine::change_kind::became_file:
      return wt::change_type;
  }
  return wt::change_new;
}

std::string change_line(const engine::point_change& change) {
  std::string line = text(kind_text(change.kind)) + " " + engine::change_log_key(change.path);
  if (change.folder) line += '\\';
  return line;
}

}  // namespace

changes_page point_changes_page(host::host& h, const std::string& store,
                                const engine::store_point& point) {
  using state = engine::point_changes_result::state;
  changes_page page;
  const engine::point_changes_result found = engine::read_point_changes(h, store, point.number);
  page.title = engine::point_list_entry(point) + text(wt::changes_title);
  for (const engine::point_change& change : found.changes)
    page.lines.push_back(change_line(change));
  switch (found.outcome) {
    case state::read:
      if (page.lines.empty()) page.note = text(wt::no_changes);
      break;
    case state::unreadable:
      page.note = text(wt::change_log_cut);
      break;
    case state::busy:
      page.note = engine::text(engine::msg::store_busy);
      break;
    case state::no_store:
    case state::no_point:
    case state::no_log:
      page.note = text(wt::no_change_log);
      break;
  }
  return page;
}

bool restore_path_accepted(const std::string& cp932_path) {
  return engine::entry_key(cp932_path).has_value();
}

}  // namespace ui
