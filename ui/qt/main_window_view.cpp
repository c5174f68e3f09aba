#include "ui/qt/main_window_view.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "ui/qt/folder_chooser.h"
#include "ui/qt/point_dialogs.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/run_window.h"

namespace zolk_qt {
namespace {

constexpr int k_width = 554;
constexpr int k_height = 327;
constexpr int k_page_height = 265;

template <class W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

// Labels size themselves to their caption, as their left and top are all that is fixed.
QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  l->move(left, top);
  l->adjustSize();
  return l;
}

// The "speed buttons" of the window take no focus, so pressing one leaves a field without
// running its check.
QPushButton* speed_button(QWidget* parent, const char* name, const QString& caption, int left,
                          int top, int width, int height) {
  auto* b = place(new QPushButton(caption, parent), name, left, top, width, height);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

// A browse button takes the focus when clicked (so the field it stands beside is left and
// checked) but is passed over by the Tab key.
QPushButton* browse_button(QWidget* parent, const char* name, int left, int top, int height) {
  auto* b = place(new QPushButton(qtext(ui::wt::browse), parent), name, left, top, 60, height);
  b->setFocusPolicy(Qt::ClickFocus);
  return b;
}

// A drop-down list whose field takes exactly what is typed: no completion from the entries
// (a completed name would be registered as if typed) and no entry added by the Enter key.
QComboBox* editable_combo(QWidget* parent, const char* name, int left, int top, int width,
                          int height) {
  auto* combo = place(new QComboBox(parent), name, left, top, width, height);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  return combo;
}

QPixmap page_picture(int width, int height) {
  QPixmap picture(width, height);
  QPainter painter(&picture);
  QLinearGradient gradient(0, 0, 0, height);
  gradient.setColorAt(0.0, QColor(0xF4, 0xF7, 0xFC));
  gradient.setColorAt(1.0, QColor(0xD9, 0xE3, 0xF2));
  painter.fillRect(picture.rect(), gradient);
  return picture;
}

}  // namespace

main_window_view::main_window_view(host::host& h, const std::string& settings_path,
                                   ui::message_port& messages)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
  setObjectName("set_window01");
  setWindowTitle(qtext(ui::wt::main_caption));
  setFixedSize(k_width, k_height);
  move(208, 168);
  on_end = [] { QCoreApplication::exit(0); };
  build_page();
  build_job_rows();
  build_panel();
  build_lower_rows();
  build_bottom();
  set_tab_order();
  assign_shortcuts();
  run_link_.start_timer = [this] { run_timer_->start(); };
  run_link_.stop_timer = [this] { run_timer_->stop(); };
  run_link_.sound = [] { QApplication::beep(); };
  logic_ = std::make_unique<ui::main_window>(h, settings_path, messages, run_link_);
  tools_ = std::make_unique<point_dialogs>(this);
  logic_->set_point_tools(tools_.get());
  messages_ = &messages;
  run_timer_ = new QTimer(this);
  run_timer_->setInterval(50);
  connect(run_timer_, &QTimer::timeout, this, [this] { poll_run(); });
  connect_controls();
  connect_fields();
  logic_->open();
  show_model();
}

main_window_view::~main_window_view() = default;

void main_window_view::build_page() {
  pages = place(new QTabWidget(this), "PageControl1", 0, 0, k_width, k_page_height);
  job_page = new QWidget;
  job_page->setObjectName("ZOLK");
  pages->addTab(job_page, qtext(ui::wt::page_caption));
  pages->tabBar()->setFocusPolicy(Qt::NoFocus);  // the Tab key goes through the fields only
  page_image = place(new QLabel(job_page), "Image1", 0, 0, k_width, k_page_height);
  page_image->setPixmap(page_picture(k_width, k_page_height));
  mode_caption = label(job_page, "run_mes", qtext(ui::wt::run_mes), 24, 8);
  backup_mode_button =
      speed_button(job_page, "run01B", qtext(ui::wt::backup_mode), 233, 3, 100, 22);
  backup_mode_button->setToolTip(qtext(ui::wt::backup_mode_hint));
  mode_status = place(new QLabel(qtext(ui::wt::s_mes), job_page), "s_mes", 336, 5, 39, 13);
  mode_status->setAlignment(Qt::AlignCenter);
  restore_mode_button =
      speed_button(job_page, "run02B", qtext(ui::wt::restore_mode), 380, 3, 100, 22);
  restore_mode_button->setToolTip(qtext(ui::wt::restore_mode_hint));
  mode_buttons_ = new QButtonGroup(this);
  for (QPushButton* b : {backup_mode_button, restore_mode_button}) {
    b->setCheckable(true);
    mode_buttons_->addButton(b);
  }
  backup_mode_button->setChecked(true);
  mode_heading = label(job_page, "st01", QString(), 120, 32);
  mode_heading->setStyleSheet("color: blue;");
}

void main_window_view::build_job_rows() {
  job_name_label = label(job_page, "Label3", qtext(ui::wt::job_name_label), 8, 56);
  job_name_box = editable_combo(job_page, "job_combo", 168, 53, 297, 21);
  new_job_button =
      speed_button(job_page, "new_Button", to_qstring(ui::text_of(ui::job_text::new_job_button)),
                   472, 53, 60, 21);
  comment_label = label(job_page, "Label4", qtext(ui::wt::comment_label), 8, 80);
  comment_field = place(new QLineEdit(job_page), "zolk_comment", 168, 79, 297, 17);
  source_label = label(job_page, "Label1", qtext(ui::wt::source_label), 8, 105);
  source_folder = place(new QLineEdit(job_page), "Tdirname", 152, 105, 313, 17);
  browse_source = browse_button(job_page, "Button1", 472, 101, 21);
}

void main_window_view::build_panel() {
  restore_panel = place(new QFrame(job_page), "Panel1", 8, 53, 524, 69);
  restore_panel->setFrameShape(QFrame::StyledPanel);
  restore_panel->setAutoFillBackground(true);
  restore_by_group =
      place(new QGroupBox(qtext(ui::wt::pick_by), restore_panel), "JorF", 2, 0, 520, 42);
  QFont small = restore_by_group->font();
  // The long caption of the group fits the panel only a little smaller than the rest.
  if (small.pixelSize() > 0) {
    small.setPixelSize(small.pixelSize() - 1);
  } else {
    small.setPointSizeF(small.pointSizeF() * 0.9);
  }
  restore_by_group->setFont(small);
  by_job_name = place(new QRadioButton(qtext(ui::wt::pick_by_name), restore_by_group), "JorF_0", 10,
                      18, 140, 20);
  by_source_folder = place(new QRadioButton(qtext(ui::wt::pick_by_folder), restore_by_group),
                           "JorF_1", 170, 18, 140, 20);
  jorf_buttons_ = new QButtonGroup(this);
  jorf_buttons_->addButton(by_job_name, 0);
  jorf_buttons_->addButton(by_source_folder, 1);
  by_job_name->setChecked(true);
  restore_job_box = editable_combo(restore_panel, "job_combo_s", 6, 45, 450, 21);
  browse_restore_source = browse_button(restore_panel, "Button3", 460, 45, 21);
  browse_restore_source->hide();
  restore_panel->hide();
}

void main_window_view::build_lower_rows() {
  point_label = label(job_page, "R_ListLabel", qtext(ui::wt::point_list_label), 8, 128);
  point_list = editable_combo(job_page, "R_ListBox", 152, 124, 385, 21);
  destination_label = label(job_page, "Label2", qtext(ui::wt::destination_label_backup), 8, 152);
  destination_folder = place(new QLineEdit(job_page), "Bdirname", 152, 149, 313, 21);
  browse_destination = browse_button(job_page, "Button2", 472, 149, 22);
  register_button = speed_button(job_page, "touroku", QString(), 256, 207, 70, 22);
  update_button = speed_button(job_page, "syusei", QString(), 328, 207, 70, 22);
  delete_button = speed_button(job_page, "sakujo", QString(), 400, 207, 70, 22);
  // Left of the job buttons, which restore mode shows disabled.
  show_changes_button = speed_button(job_page, "henkou", QString(), 8, 207, 100, 22);
  restore_entry_button = speed_button(job_page, "bubun", QString(), 112, 207, 110, 22);
  store_folder = place(new QLineEdit(job_page), "Rdirname", 152, 230, 313, 17);
  store_folder->hide();
  store_folder->setEnabled(false);
}

void main_window_view::build_bottom() {
  start_button = speed_button(this, "startb01", qtext(ui::wt::startb01), 8, 272, 105, 28);
  end_button = speed_button(this, "end_Button", qtext(ui::wt::end_button), 448, 272, 97, 28);
  end_button->setToolTip(qtext(ui::wt::end_button_hint));
  status_bar = place(new QStatusBar(this), "st_main", 0, k_height - 19, k_width, 19);
  status_bar->setSizeGripEnabled(false);
  status_bar->showMessage(qtext(ui::wt::st_main));
}

void main_window_view::set_tab_order() {
  QWidget* const order[] = {job_name_box, comment_field,    source_folder,   destination_folder,
                            by_job_name,  by_source_folder, restore_job_box, point_list};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

// Alt and a letter press a button; the browse buttons take the digit of the field they fill
// (browse_source and browse_restore_source are never shown together). A key does nothing while its
// button is hidden or disabled.
void main_window_view::assign_shortcuts() {
  const std::pair<QPushButton*, const char*> keys[] = {
      {backup_mode_button, "Alt+B"},
      {restore_mode_button, "Alt+R"},
      {new_job_button, "Alt+N"},
      {browse_source, "Alt+1"},
      {browse_restore_source, "Alt+1"},
      {browse_destination, "Alt+2"},
      {register_button, "Alt+T"},
      {update_button, "Alt+M"},
      {delete_button, "Alt+D"},
      {start_button, "Alt+S"},
      {end_button, "Alt+X"},
      {show_changes_button, "Alt+H"},
      {restore_entry_button, "Alt+P"},
  };
  for (const auto& [button, key] : keys) {
    button->setShortcut(QKeySequence(QString::fromLatin1(key)));
    button->setToolTip(hint_with_keys(button->toolTip(), button->shortcut()));
  }
}

void main_window_view::attach(folder_chooser* chooser, run_window* run_view) {
  chooser_ = chooser;
  run_window_ = run_view;
  run_link_.attach(run_view);
  connect_chooser();
  run_window_->model.attach(*logic_, messages_);
}

void main_window_view::poll_run() {
  if (!logic_->poll_run()) return;
  show_model();
  if (logic_->take_end_due() && on_end) on_end();
}

// Closing the main window ends the program; during a run only once the run has ended.
void main_window_view::closeEvent(QCloseEvent* event) {
  if (logic_->end_asked()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void main_window_view::on_end_clicked() {
  if (logic_->end_asked() && on_end) on_end();
}

}  // namespace zolk_qt
