// TForm2 on Windows: the folder chooser. A drive box (DriveCB1) and a folder tree (DirList1)
// whose folders are read through the host when a branch is opened; every move in the tree is
// reported through `on_folder_changed`, "決定/閉じる" through `on_decide`. The window keeps its
// place in the tree between showings; it is hidden, never rebuilt. Escape and the close box
// hide it without a check.
#ifndef ZOLK_UI_WIN32_FORM2_H
#define ZOLK_UI_WIN32_FORM2_H

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/win32/win32_window.h"

#include <commctrl.h>

namespace zolk_win32 {

class TForm2 : public window {
 public:
  explicit TForm2(host::host& h);
  ~TForm2() override;

  // The folder the tree stands on (CP932).
  const std::string& current_folder() const { return current_; }
  // Moves the drive box and the tree to `folder` (CP932), opening the branches on the way as
  // far as they exist; reports the change as a move of the user's. False when not even the
  // drive was found.
  bool go_to(const std::string& folder);
  // What the main window shows of the chooser: the text of mes_01, shown or hidden, enabled.
  void show_state(const std::wstring& mes_01_text, bool visible, bool enabled);

  std::function<void(const std::string&)> on_folder_changed;  // DirList1Change
  std::function<void()> on_decide;                            // SpeedButton2Click
  std::function<void()> on_closed;  // closed by its frame or Escape: hidden without a check

  HWND DriveCB1 = nullptr;
  HWND DirList1 = nullptr;
  HWND mes_01 = nullptr;
  HWND SpeedButton2 = nullptr;
  HWND SpeedButton1 = nullptr;

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct node {
    std::string path;  // CP932
    bool listed = false;
  };

  void lay_out();
  void fill_drives();
  void DriveCB1Change();
  void DirList1Change(HTREEITEM item);
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
