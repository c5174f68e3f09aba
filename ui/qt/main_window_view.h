// main_window_view: the main window. Its widgets are bound to ui::main_window, which holds the
// whole window logic; this class places the widgets, copies what the user types or picks
// into the model, calls the handler and shows the model again.
//
// The controls by role, each beside its Qt object name (the name the window has always given
// it, which tests and the screenshots look widgets up by):
//   pages PageControl1, job_page ZOLK (the page holding the job rows), page_image Image1,
//   mode_caption run_mes, backup_mode_button run01B, restore_mode_button run02B,
//   mode_status s_mes, mode_heading st01, job_name_label Label3, job_name_box job_combo,
//   new_job_button new_job_button, comment_label Label4, comment_field zolk_comment,
//   source_label Label1, source_folder Tdirname, browse_source Button1,
//   restore_panel Panel1 (the restore-side choice), restore_by_group JorF,
//   by_job_name JorF_name, by_source_folder JorF_folder, restore_job_box job_combo_s,
//   browse_restore_source Button3, point_label R_ListLabel, point_list R_ListBox,
//   destination_label Label2, destination_folder Bdirname, browse_destination Button2,
//   register_button touroku, update_button syusei, delete_button sakujo,
//   show_changes_button henkou, restore_entry_button bubun, store_folder Rdirname,
//   start_button startb01, end_button end_Button, status_bar st_main.
#ifndef ZOLK_UI_QT_MAIN_WINDOW_VIEW_H
#define ZOLK_UI_QT_MAIN_WINDOW_VIEW_H

#include <QWidget>
#include <functional>
#include <string>

#include "platform/host.h"
#include "ui/main_window.h"
#include "ui/run_window_link.h"

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace zolk_qt {

class folder_chooser;
class run_window;
class point_dialogs;

class main_window_view : public QWidget {
 public:
  // Builds the window and runs its open (which loads the job list from
  // `settings_path`). Messages go to `messages`.
  main_window_view(host::host& h, const std::string& settings_path, ui::message_port& messages);
  ~main_window_view() override;

  // The chooser and the run window, created after the main window; they must outlive it.
  void attach(folder_chooser* chooser, run_window* run_view);

  ui::main_window& logic() { return *logic_; }
  // The windows of 変更内容 and 一部を復元.
  point_dialogs& tools() { return *tools_; }
  // Shows the model in the widgets (after a handler ran).
  void show_model();

  // What end_button does: ends the event loop with status 0 (tests replace it). During a run
  // the user is asked first; after a stop the program ends once the run has ended.
  std::function<void()> on_end;

  // The handlers of the two folder fields' exits: true when accepted; on a refusal the
  // focus goes back to the field.
  bool on_source_left();
  bool on_destination_left();

  // The controls (see the list above).
  QTabWidget* pages = nullptr;
  QWidget* job_page = nullptr;
  QLabel* page_image = nullptr;
  QLabel* mode_caption = nullptr;
  QPushButton* backup_mode_button = nullptr;
  QLabel* mode_status = nullptr;
  QPushButton* restore_mode_button = nullptr;
  QLabel* mode_heading = nullptr;
  QLabel* job_name_label = nullptr;
  QComboBox* job_name_box = nullptr;
  QPushButton* new_job_button = nullptr;
  QLabel* comment_label = nullptr;
  QLineEdit* comment_field = nullptr;
  QLabel* source_label = nullptr;
  QLineEdit* source_folder = nullptr;
  QPushButton* browse_source = nullptr;
  QFrame* restore_panel = nullptr;
  QGroupBox* restore_by_group = nullptr;
  QRadioButton* by_job_name = nullptr;
  QRadioButton* by_source_folder = nullptr;
  QComboBox* restore_job_box = nullptr;
  QPushButton* browse_restore_source = nullptr;
  QLabel* point_label = nullptr;
  QComboBox* point_list = nullptr;
  QLabel* destination_label = nullptr;
  QLineEdit* destination_folder = nullptr;
  QPushButton* browse_destination = nullptr;
  QPushButton* register_button = nullptr;
  QPushButton* update_button = nullptr;
  QPushButton* delete_button = nullptr;
  QPushButton* show_changes_button = nullptr;   // restore mode: the picked point's changes
  QPushButton* restore_entry_button = nullptr;  // restore mode: a restore of one entry of the point
  QLineEdit* store_folder = nullptr;
  QPushButton* start_button = nullptr;
  QPushButton* end_button = nullptr;
  QStatusBar* status_bar = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Hands the run's reports to the run window while it works (on a timer).
  void poll_run();
  void on_end_clicked();

  void build_page();
  void build_job_rows();
  void build_panel();
  void build_lower_rows();
  void build_bottom();
  void set_tab_order();
  void assign_shortcuts();
  void connect_controls();
  void connect_fields();
  void connect_chooser();
  void show_mode();
  void show_fields();
  void show_restore_side();
  void show_chooser();
  // Runs a handler of the model and shows the model again.
  void handle(const std::function<void()>& handler);
  // Enter or Return in a field; true when it was taken.
  bool enter_pressed(QObject* watched, const QKeyEvent& key);
  ui::main_window::folder_field field_of(const QObject* widget) const;
  // `field` lost the focus: the model's check, and the focus back when it was not accepted.
  bool field_left(QLineEdit* field);

  ui::run_window_link run_link_;  // before logic_, which holds it
  std::unique_ptr<ui::main_window> logic_;
  std::unique_ptr<point_dialogs> tools_;
  folder_chooser* chooser_ = nullptr;
  run_window* run_window_ = nullptr;
  QButtonGroup* mode_buttons_ = nullptr;
  QButtonGroup* jorf_buttons_ = nullptr;
  ui::message_port* messages_ = nullptr;
  QTimer* run_timer_ = nullptr;
  bool showing_ = false;   // the model is being shown: widget signals are not the user's
  bool checking_ = false;  // a field check (and its message) is under way
};

}  // namespace zolk_qt

#endif
