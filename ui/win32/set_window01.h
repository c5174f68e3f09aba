// Tset_window01 on Windows: the main window as native Win32 controls bound to ui::main_window,
// which holds the whole window logic. This class places the controls (in pixels laid out for
// 96 dpi, scaled to the monitor's dpi), copies what the user types or picks into the model,
// calls the handler and shows the model again, as the Qt view does.
//
// The controls by role, beside the names the window gives them
// (ui::main_window keeps those names for its model of each control):
//   pages PageControl1, job_page ZOLK (the page holding the job rows), page_image Image1,
//   mode_caption run_mes, backup_mode_button run01B, restore_mode_button run02B,
//   mode_status s_mes, mode_heading st01, job_name_label Label3, job_name_box job_combo,
//   new_job_button new_Button, comment_label Label4, comment_field zolk_comment,
//   source_label Label1, source_folder Tdirname, browse_source Button1,
//   restore_panel Panel1 (the restore-side choice), restore_by_group JorF,
//   by_job_name JorF_name, by_source_folder JorF_folder, restore_job_box job_combo_s,
//   browse_restore_source Button3, point_label R_ListLabel, point_list R_ListBox,
//   destination_label Label2, destination_folder Bdirname, browse_destination Button2,
//   register_button touroku, update_button syusei, delete_button sakujo,
//   show_changes_button henkou, restore_entry_button bubun, store_folder Rdirname,
//   start_button startb01, end_button end_Button, status_bar st_main;
//   on_source_left TdirnameExit, on_destination_left BdirnameExit, on_end_clicked
//   end_ButtonClick.
#ifndef ZOLK_UI_WIN32_SET_WINDOW01_H
#define ZOLK_UI_WIN32_SET_WINDOW01_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/main_window.h"
#include "ui/win32/win32_window.h"

namespace zolk_win32 {

class TForm2;
class Trun_win;

class Tset_window01 : public window, private ui::run_window_port {
 public:
  // Builds the window (hidden) and runs its FormCreate, which loads the job list from
  // `settings_path`. Messages go to `messages`.
  Tset_window01(host::host& h, const std::string& settings_path, ui::message_port& messages);
  ~Tset_window01() override;

  // The chooser and the run window, created after the main window; they must outlive it.
  void attach(TForm2* form2, Trun_win* run_win);

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
  // run_window_port, forwarded to the attached run window.
  void show_for_run() override;
  void run_ended() override;
  engine::run_log& log() override;
  engine::run_progress& progress() override;
  void show_batch(const ui::run_batch& batch, double elapsed_seconds) override;
  void alert() override;

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

  std::unique_ptr<ui::main_window> logic_;
  ui::message_port* messages_ = nullptr;
  TForm2* form2_ = nullptr;
  Trun_win* run_win_ = nullptr;
  std::vector<placement> page_places_;
  std::vector<placement> panel_places_;
  std::vector<std::pair<HWND, std::wstring>> hints_;
  HWND tooltips_ = nullptr;
  HFONT font_ = nullptr;
  HFONT small_font_ = nullptr;
  HBRUSH page_brush_ = nullptr;
  int dpi_ = 96;
  bool end_after_run_ = false;  // the user stopped the run to end the program
  bool showing_ = false;        // the model is being shown: notifications are not the user's
  bool checking_ = false;       // a field check (and its message) is under way
};

}  // namespace zolk_win32

#endif
