#include "ui/qt/run_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/cp932.h"
#include "platform/native_path.h"
#include "ui/progress_text.h"
#include "ui/qt/qt_text.h"

namespace zolk_qt {

run_window::run_window(QWidget* parent, host::host& h)
    : QWidget(parent, Qt::Window),
      model(h, cp932::from_unicode_name(QDir::tempPath().toStdString()), "\n") {
  setObjectName("run_win");
  setWindowTitle(qtext(ui::wt::run_win_caption));
  // Closing the run window only hides it; only the main window ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(560, 400);

  log_view = new QPlainTextEdit(this);
  log_view->setObjectName("Memo1");
  log_view->setReadOnly(true);
  log_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_view->setMaximumBlockCount(k_kept_lines);
  progress_line = new QLabel(this);
  progress_line->setObjectName("ProgressText");
  path_line = new QLabel(this);
  path_line->setObjectName("CurrentPath");
  path_line->setMinimumWidth(1);  // the path is elided to the width, never widens the window
  status_label = new QLabel(qtext(ui::wt::run_status_label), this);
  status_label->setObjectName("Label1");
  file_bar = new QProgressBar(this);
  file_bar->setObjectName("ProgressBar1");
  file_bar->setRange(0, 100);
  file_bar->hide();
  stop_button = new QPushButton(qtext(ui::wt::stop_button), this);
  stop_button->setObjectName("StopButton");
  stop_button->setEnabled(false);
  connect(stop_button, &QPushButton::clicked, this, [this] {
    if (model.stop_pressed()) show_buttons();
  });
  save_log_button = new QPushButton(qtext(ui::wt::save_log_button), this);
  save_log_button->setObjectName("BitBtn1");
  save_log_button->setEnabled(false);
  connect(save_log_button, &QPushButton::clicked, this, [this] { save_log_and_close(); });
  ask_save_path = [this] {
    return QFileDialog::getSaveFileName(this, qtext(ui::wt::save_log_button),
                                        QStringLiteral("zolk-log.txt"),
                                        qtext(ui::wt::log_file_filter));
  };
  close_button = new QPushButton(qtext(ui::wt::end_run_button), this);
  close_button->setObjectName("BitBtn2");
  connect(close_button, &QPushButton::clicked, this, [this] { close(); });

  auto* status_row = new QHBoxLayout;
  status_row->addWidget(status_label);
  status_row->addWidget(file_bar, 1);
  auto* button_row = new QHBoxLayout;
  button_row->addWidget(stop_button);
  button_row->addStretch(1);
  button_row->addWidget(save_log_button);
  button_row->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(log_view, 1);
  layout->addWidget(progress_line);
  layout->addWidget(path_line);
  layout->addLayout(status_row);
  layout->addLayout(button_row);
}

namespace {

// The lines a log text shows, with the host's separators.
void add_shown_lines(const std::string& text, QStringList& lines) {
  for (const std::string& line : engine::split_log_text(text)) {
    lines << to_qstring(host::shown_text(line));
  }
}

}  // namespace

run_window::~run_window() = default;

void run_window::add_line(const std::string& text) {
  QStringList lines;
  add_shown_lines(text, lines);
  append_lines(lines);
}

void run_window::add_message(engine::front_msg id) { add_line(ui::text(id)); }

void run_window::report(const engine::progress_facts& facts) {
  const bool was_visible = bar_.visible();
  bar_.show_facts(facts);
  if (bar_.visible() != was_visible) file_bar->setVisible(bar_.visible());
  if (bar_.visible()) render_bar();
}

void run_window::show_batch(const ui::run_batch& batch, double elapsed_seconds) {
  QStringList lines;
  for (const std::string& text : batch.texts) add_shown_lines(text, lines);
  if (!lines.isEmpty()) append_lines(lines);
  if (!batch.facts) return;
  report(*batch.facts);
  progress_line->setText(to_qstring(ui::progress_counts_text(*batch.facts, elapsed_seconds)));
  path_ = to_qstring(host::shown_text(batch.facts->current_path));
  show_path();
}

void run_window::show_path() {
  path_line->setText(
      path_line->fontMetrics().elidedText(path_, Qt::ElideMiddle, path_line->width()));
  path_line->setToolTip(path_);
}

void run_window::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  show_path();
}

// A reader scrolled up to earlier lines keeps their place; a view at the end follows the run.
void run_window::append_lines(const QStringList& lines) {
  QScrollBar* bar = log_view->verticalScrollBar();
  const bool at_end = bar->value() >= bar->maximum();
  const int kept = bar->value();
  log_view->appendPlainText(lines.join(QLatin1Char('\n')));
  bar->setValue(at_end ? bar->maximum() : kept);
  std::vector<std::string> utf8_lines;
  utf8_lines.reserve(static_cast<size_t>(lines.size()));
  for (const QString& line : lines) utf8_lines.push_back(line.toStdString());
  model.add_lines(utf8_lines);
  show_buttons();
}

bool run_window::save_log_and_close() {
  if (!model.save_enabled() || !ask_save_path) return false;
  const QString path = ask_save_path();
  if (path.isEmpty()) return false;
  if (!model.save_log(cp932::from_unicode_name(path.toStdString()))) return false;
  hide();
  return true;
}

void run_window::show_buttons() {
  stop_button->setEnabled(model.stop_enabled());
  save_log_button->setEnabled(model.save_enabled());
}

void run_window::show_for_run() {
  model.run_started();
  show_buttons();
  show();
  raise();
}

void run_window::run_ended() {
  const bool close_now = model.run_ended();
  show_buttons();
  if (close_now) hide();
}

void run_window::closeEvent(QCloseEvent* event) {
  if (model.close_asked()) {
    event->accept();
    return;
  }
  show_buttons();
  event->ignore();
}

void run_window::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && model.escape_closes()) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void run_window::render_bar() {
  file_bar->setRange(bar_.bar_min(), bar_.bar_max());
  file_bar->setValue(bar_.bar_value());
}

}  // namespace zolk_qt
