// main_window_view on Windows: the main window as native Win32 controls bound to ui::main_window,
// which holds the whole window logic. This class places the controls (in pixels laid out for
// 96 dpi, scaled to the monitor's dpi), copies what the user types or picks into the model,
// calls the handler and shows the model again, as the Qt view does.
#ifndef ZOLK_UI_WIN32_MAIN_WINDOW_VIEW_H
#define ZOLK_UI_WIN32_MAIN_WINDOW_VIEW_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/main_window.h"
#include "ui/run_window_link.h"
#include "ui/win32/win32_window.h"

namespace zolk_win32 {

class folder_chooser;
class run_window;

class main_window_view : public window {
 public:
  // Builds the window (hidden) and runs its open, which loads the job list from
  // `settings_path`. Messages go to `messages`.
  main_window_view(host::host& h, const std::string& settings_path, ui::message_port& messages);
  ~main_window_view() override;

  // The chooser and the run window, created after the main window; they must outlive it.
  void attach(folder_chooser* chooser, run_window* run_view);

  ui::main_window& logic() { return *logic_; }
  // Shows the model in the controls (after a handler ran).
  void show_model();

  // What end_button and closing the window do once no run works: ends the message loop with
  // status 0 (tests replace it). During a run the user is asked first; after a stop the
  // program ends once the run has ended.
  std::function<void()> on_end;

  // The checks run when a folder field is left: true when accepted; on a refusal the focus
  // goes back to the field.
  bool on_source_left();
  bool on_destination_left();

  // The controls (see the list above).
  HWND pages = nullptr, job_page = nullptr, mode_caption = nullptr, backup_mode_button = nullptr,
       mode_status = nullptr, restore_mode_button = nullptr, mode_heading = nullptr,
       job_name_label = nullptr, job_name_box = nullptr, new_job_button = nullptr,
       comment_label = nullptr, comment_field = nullptr, source_label = nullptr,
       source_folder = nullptr, browse_source = nullptr, restore_panel = nullptr,
       restore_by_group = nullptr, by_job_name = nullptr, by_source_folder = nullptr,
       restore_job_box = nullptr, browse_restore_source = nullptr, point_label = nullptr,
       point_list = nullptr, destination_label = nullptr, destination_folder = nullptr,
       browse_destination = nullptr, register_button = nullptr, update_button = nullptr,
       delete_button = nullptr, store_folder = nullptr, start_button = nullptr,
       end_button = nullptr, status_bar = nullptr;

  // The hint a control shows when the pointer rests on it (empty for none): its own words
  // followed by its keys, "（Alt+S）".
  std::wstring hint_of(HWND control) const;
  // Alt and a letter press a button (the browse buttons take the digit of the field they
  // fill); a key does nothing while its button is hidden or disabled. True when a button took
  // the key.
  bool press_key(wchar_t key);

  // Messages of the page and the panel, which pass them on to their window.
  LRESULT container_message(HWND container, UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void build();
  void build_page();
  void build_job_rows();
  void build_panel();
  void build_lower_rows();
  void build_bottom();
  void lay_out();
  void make_page_brush(int width, int height);
  void command(int id, int code, HWND control);
  void field_changed(int id);
  void combo_picked(int id);
  void combo_typed(int id);
  void field_left(int id);
  void enter_pressed();
  ui::main_window::folder_field field_of(HWND control) const;
  // `field` lost the focus: the model's check, and the focus back when it was not accepted.
  bool check_left(HWND field);
  void poll_run();
  void on_end_clicked();
  void close_asked();
  void show_mode();
  void show_fields();
  void show_restore_side();
  void show_chooser();
  void set_enabled(HWND control, bool enabled);
  void show_hint(HWND control, const std::wstring& words);
  std::wstring keys_of(HWND control) const;
  // Runs a handler of the model and shows the model again; while a run works the click is
  // dropped, never kept for later.
  void handle_click(const std::function<void()>& handler);

  ui::run_window_link run_link_;  // before logic_, which holds it
  std::unique_ptr<ui::main_window> logic_;
  ui::message_port* messages_ = nullptr;
  folder_chooser* chooser_ = nullptr;
  run_window* run_window_ = nullptr;
  std::vector<placement> page_places_;
  std::vector<placement> panel_places_;
  std::vector<std::pair<HWND, std::wstring>> hints_;
  HWND tooltips_ = nullptr;
  HFONT font_ = nullptr;
  HFONT small_font_ = nullptr;
  HBRUSH page_brush_ = nullptr;
  int dpi_ = 96;
  bool showing_ = false;   // the model is being shown: notifications are not the user's
  bool checking_ = false;  // a field check (and its message) is under way
};

}  // namespace zolk_win32

#endif
