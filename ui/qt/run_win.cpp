#include "ui/qt/run_win.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include "platform/native_path.h"
#include "ui/progress_text.h"
#include "ui/qt/qt_text.h"

namespace zolk_qt {

Trun_win::Trun_win(QWidget* parent) : QWidget(parent, Qt::Window) {
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
  status_label = new QLabel(qtext(ui::wt::run_win_Label1), this);
  status_label->setObjectName("Label1");
  file_bar = new QProgressBar(this);
  file_bar->setObjectName("ProgressBar1");
  file_bar->setRange(0, 100);
  file_bar->hide();
  stop_button = new QPushButton(qtext(ui::wt::stop_button), this);
  stop_button->setObjectName("StopButton");
  stop_button->setEnabled(false);
  connect(stop_button, &QPushButton::clicked, this, [this] {
    if (on_stop && on_stop()) stop_button->setEnabled(false);
  });
  save_log_button = new QPushButton(qtext(ui::wt::BitBtn1), this);
  save_log_button->setObjectName("BitBtn1");
  save_log_button->setEnabled(false);
  connect(save_log_button, &QPushButton::clicked, this, [this] { save_log_and_close(); });
  ask_save_path = [this] {
    return QFileDialog::getSaveFileName(this, qtext(ui::wt::BitBtn1),
                                        QStringLiteral("zolk-log.txt"),
                                        qtext(ui::wt::log_file_filter));
  };
  close_button = new QPushButton(qtext(ui::wt::BitBtn2), this);
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

Trun_win::~Trun_win() = default;

void Trun_win::add_line(const std::string& text) {
  QStringList lines;
  add_shown_lines(text, lines);
  append_lines(lines);
}

void Trun_win::add_message(engine::front_msg id) { add_line(ui::text(id)); }

void Trun_win::report(const engine::progress_facts& facts) {
  const bool was_visible = bar_.visible();
  bar_.show_facts(facts);
  if (bar_.visible() != was_visible) file_bar->setVisible(bar_.visible());
  if (bar_.visible()) render_bar();
}

void Trun_win::show_batch(const ui::run_batch& batch, double elapsed_seconds) {
  QStringList lines;
  for (const std::string& text : batch.texts) add_shown_lines(text, lines);
  if (!lines.isEmpty()) append_lines(lines);
  if (!batch.facts) return;
  report(*batch.facts);
  progress_line->setText(to_qstring(ui::progress_counts_text(*batch.facts, elapsed_seconds)));
  path_ = to_qstring(host::shown_text(batch.facts->current_path));
  show_path();
}

void Trun_win::show_path() {
  path_line->setText(
      path_line->fontMetrics().elidedText(path_, Qt::ElideMiddle, path_line->width()));
  path_line->setToolTip(path_);
}

void Trun_win::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  show_path();
}

// A reader scrolled up to earlier lines keeps their place; a view at the end follows the run.
void Trun_win::append_lines(const QStringList& lines) {
  QScrollBar* bar = log_view->verticalScrollBar();
  const bool at_end = bar->value() >= bar->maximum();
  const int kept = bar->value();
  log_view->appendPlainText(lines.join(QLatin1Char('\n')));
  bar->setValue(at_end ? bar->maximum() : kept);
  keep_in_file(lines);
  if (!has_log_) {
    has_log_ = true;
    refresh_buttons();
  }
}

// The session file is made with the first line. Text mode gives the system's line ends.
void Trun_win::keep_in_file(const QStringList& lines) {
  if (file_failed_) return;
  if (!session_log_) {
    session_log_ = std::make_unique<QTemporaryFile>();
    if (!session_log_->open()) {
      file_failed_ = true;
      return;
    }
    session_log_->setTextModeEnabled(true);
  }
  const QByteArray bytes = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
  if (session_log_->write(bytes) != bytes.size()) file_failed_ = true;
}

bool Trun_win::save_log_and_close() {
  if (!has_log_ || running_ || !ask_save_path) return false;
  const QString path = ask_save_path();
  if (path.isEmpty()) return false;
  if (!save_log(path)) {
    if (messages != nullptr) {
      messages->show_message(ui::text(ui::wt::log_save_failed) + from_qstring(path));
    }
    return false;
  }
  hide();
  return true;
}

// The whole session from its file; without one (it could not be made), what the view keeps.
bool Trun_win::save_log(const QString& path) {
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (file_failed_ || !session_log_) {
    out.setTextModeEnabled(true);
    out.write((log_view->toPlainText() + QLatin1Char('\n')).toUtf8());
    return out.commit();
  }
  if (!session_log_->flush() || !session_log_->seek(0)) return false;
  bool copied = true;
  while (copied && !session_log_->atEnd()) {
    const QByteArray block = session_log_->read(1 << 16);
    copied = !block.isEmpty() && out.write(block) == block.size();
  }
  session_log_->seek(session_log_->size());
  return copied && out.commit();
}

void Trun_win::refresh_buttons() { save_log_button->setEnabled(has_log_ && !running_); }

void Trun_win::show_for_run() {
  running_ = true;
  close_after_run_ = false;
  stop_button->setEnabled(true);
  refresh_buttons();
  show();
  raise();
}

void Trun_win::run_ended() {
  running_ = false;
  stop_button->setEnabled(false);
  refresh_buttons();
  if (close_after_run_) {
    close_after_run_ = false;
    hide();
  }
}

void Trun_win::closeEvent(QCloseEvent* event) {
  const ui::close_answer answer = running_ && on_close ? on_close() : ui::close_answer::close_now;
  if (answer == ui::close_answer::close_now) {
    event->accept();
    return;
  }
  if (answer == ui::close_answer::after_run) {
    close_after_run_ = true;
    stop_button->setEnabled(false);
  }
  event->ignore();
}

void Trun_win::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && !running_) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Trun_win::render_bar() {
  file_bar->setRange(bar_.bar_min(), bar_.bar_max());
  file_bar->setValue(bar_.bar_value());
}

}  // namespace zolk_qt
