// folder_chooser on Windows: the folder chooser. A drive box and a folder tree whose folders are
// read through the host when a branch is opened; every move in the tree is reported through
// `on_folder_changed`, "決定/閉じる" through `on_decide`. The window keeps its place in the tree
// between showings; it is hidden, never rebuilt. Escape and the close box hide it without a check.
//
// The controls by role: drive_box, folder_view, target_note (which field the tree fills),
// decide_button (決定/閉じる), make_folder_button (フォルダ作成).
#ifndef ZOLK_UI_WIN32_FOLDER_CHOOSER_H
#define ZOLK_UI_WIN32_FOLDER_CHOOSER_H

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/win32/win32_window.h"

#include <commctrl.h>

namespace zolk_win32 {

class folder_chooser : public window {
 public:
  explicit folder_chooser(host::host& h);
  ~folder_chooser() override;

  // The folder the tree stands on (CP932).
  const std::string& current_folder() const { return current_; }
  // Moves the drive box and the tree to `folder` (CP932), opening the branches on the way as
  // far as they exist; reports the change as a move of the user's. False when not even the
  // drive was found.
  bool go_to(const std::string& folder);
  // What the main window shows of the chooser: the text of target_note, shown or hidden, enabled.
  void show_state(const std::wstring& prompt_text, bool visible, bool enabled);

  std::function<void(const std::string&)> on_folder_changed;  // main_window::chooser_moved
  std::function<void()> on_decide;                            // chooser_decided
  std::function<void()> on_closed;  // closed by its frame or Escape: hidden without a check

  HWND drive_box = nullptr;
  HWND folder_view = nullptr;
  HWND target_note = nullptr;
  HWND decide_button = nullptr;
  HWND make_folder_button = nullptr;

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct node {
    std::string path;  // CP932
    bool listed = false;
  };

  void lay_out();
  void fill_drives();
  void on_drive_chosen();
  void on_tree_moved(HTREEITEM item);
  void show_drive(const std::string& root);
  HTREEITEM add_item(HTREEITEM parent, const std::string& name, const std::string& path);
  void list_children(HTREEITEM item);
  HTREEITEM child_named(HTREEITEM parent, const std::string& name);
  node* node_of(HTREEITEM item) const;
  void close_chooser();

  host::host& host_;
  std::deque<node> nodes_;  // stable addresses: tree items point at them
  std::vector<std::string> drives_;
  std::string current_;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  bool moving_ = false;  // go_to opens the branches: only its last move is reported
};

}  // namespace zolk_win32

#endif
