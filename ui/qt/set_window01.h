// Tset_window01: the main window. Its widgets are bound to ui::main_window, which holds the
// whole window logic; this class places the widgets, copies what the user types or picks
// into the model, calls the handler and shows the model again.
#ifndef ZOLK_UI_QT_SET_WINDOW01_H
#define ZOLK_UI_QT_SET_WINDOW01_H

#include <QWidget>
#include <functional>
#include <string>

#include "platform/host.h"
#include "ui/main_window.h"

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

class TForm2;
class Trun_win;
class point_dialogs;

class Tset_window01 : public QWidget, private ui::run_window_port {
 public:
  // Builds the window and runs its FormCreate (which loads the job list from
  // `settings_path`). Messages go to `messages`.
  Tset_window01(host::host& h, const std::string& settings_path, ui::message_port& messages);
  ~Tset_window01() override;

  // The chooser and the run window, created after the main window; they must outlive it.
  void attach(TForm2* form2, Trun_win* run_win);

  ui::main_window& logic() { return *logic_; }
  // The windows of 変更内容 and 一部を復元.
  point_dialogs& tools() { return *tools_; }
  // Shows the model in the widgets (after a handler ran).
  void show_model();

  // What end_Button does: ends the event loop with status 0 (tests replace it). During a run
  // the user is asked first; after a stop the program ends once the run has ended.
  std::function<void()> on_end;

  // The handlers of the two folder fields' exits: true when accepted; on a refusal the
  // focus goes back to the field.
  bool TdirnameExit();
  bool BdirnameExit();

  // Controls, named as the window names them.
  QTabWidget* PageControl1 = nullptr;
  QWidget* ZOLK = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* run_mes = nullptr;
  QPushButton* run01B = nullptr;
  QLabel* s_mes = nullptr;
  QPushButton* run02B = nullptr;
  QLabel* st01 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* job_combo = nullptr;
  QPushButton* new_Button = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* zolk_comment = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Tdirname = nullptr;
  QPushButton* Button1 = nullptr;
  QFrame* Panel1 = nullptr;
  QGroupBox* JorF = nullptr;
  QRadioButton* JorF_name = nullptr;
  QRadioButton* JorF_folder = nullptr;
  QComboBox* job_combo_s = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* R_ListLabel = nullptr;
  QComboBox* R_ListBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Bdirname = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* touroku = nullptr;
  QPushButton* syusei = nullptr;
  QPushButton* sakujo = nullptr;
  QPushButton* henkou = nullptr;  // restore mode: the picked point's changes
  QPushButton* bubun = nullptr;   // restore mode: a restore of one entry of the point
  QLineEdit* Rdirname = nullptr;
  QPushButton* startb01 = nullptr;
  QPushButton* end_Button = nullptr;
  QStatusBar* st_main = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // run_window_port, forwarded to the attached run window.
  void show_for_run() override;
  void run_ended() override;
  engine::run_log& log() override;
  engine::run_progress& progress() override;
  void show_batch(const ui::run_batch& batch, double elapsed_seconds) override;
  void alert() override;

  // Hands the run's reports to the run window while it works (on a timer).
  void poll_run();
  void end_ButtonClick();

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

  std::unique_ptr<ui::main_window> logic_;
  std::unique_ptr<point_dialogs> tools_;
  TForm2* form2_ = nullptr;
  Trun_win* run_win_ = nullptr;
  QButtonGroup* mode_buttons_ = nullptr;
  QButtonGroup* jorf_buttons_ = nullptr;
  ui::message_port* messages_ = nullptr;
  QTimer* run_timer_ = nullptr;
  bool end_after_run_ = false;  // the user stopped the run to end the program
  bool showing_ = false;        // the model is being shown: widget signals are not the user's
  bool checking_ = false;       // a field check (and its message) is under way
};

}  // namespace zolk_qt

#endif
