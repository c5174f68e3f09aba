// The history tools of restore mode, toolkit-free: what the window of a point's changes shows,
// and the dialogs the main window opens for them (through point_tools_port).
#ifndef ZOLK_UI_POINT_TOOLS_H
#define ZOLK_UI_POINT_TOOLS_H

#include <optional>
#include <string>
#include <vector>

#include "engine/store/history_store.h"
#include "platform/host.h"

namespace ui {

// What the window of a point's changes shows (CP932 texts).
struct changes_page {
  std::string title;               // the point as the list shows it, then " 時点の変更内容"
  std::vector<std::string> lines;  // one per change: its kind, a blank and its path (a
                                   // folder's path ends with `\`)
  std::string note;                // empty, or why the list is empty or short
};

// The changes of `point` of the history in `store`, titled as the point list shows it. A point
// the store no
// longer has gives a page with no lines and the note that the run left no log.
changes_page point_changes_page(host::host& h, const std::string& store,
                                const engine::store_point& point);

// The secondary windows of the history tools as the main window drives them.
class point_tools_port {
 public:
  virtual ~point_tools_port() = default;
  // Shows the page in a window of its own, without blocking.
  virtual void show_changes(const changes_page& page) = 0;
  // Asks for the path of a file or folder inside the point `point_entry`; nullopt when the
  // user cancels. Returns only a path that names an entry (entry_key), or nullopt.
  virtual std::optional<std::string> ask_restore_path(const std::string& point_entry) = 0;
};

// True when the text typed in the path dialog names an entry inside a point.
bool restore_path_accepted(const std::string& cp932_path);

}  // namespace ui

#endif
