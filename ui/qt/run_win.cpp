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

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setMaximumBlockCount(k_kept_lines);
  ProgressText = new QLabel(this);
  ProgressText->setObjectName("ProgressText");
  CurrentPath = new QLabel(this);
  CurrentPath->setObjectName("CurrentPath");
  CurrentPath->setMinimumWidth(1);  // the path is elided to the width, never widens the window
  Label1 = new QLabel(qtext(ui::wt::run_win_Label1), this);
  Label1->setObjectName("Label1");
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->hide();
  StopButton = new QPushButton(qtext(ui::wt::stop_button), this);
  StopButton->setObjectName("StopButton");
  StopButton->setEnabled(false);
  connect(StopButton, &QPushButton::clicked, this, [this] {
    if (on_stop && on_stop()) StopButton->setEnabled(false);
  });
  BitBtn1 = new QPushButton(qtext(ui::wt::BitBtn1), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setEnabled(false);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  ask_save_path = [this] {
    return QFileDialog::getSaveFileName(this, qtext(ui::wt::BitBtn1),
                                        QStringLiteral("zolk-log.txt"),
                                        qtext(ui::wt::log_file_filter));
  };
  BitBtn2 = new QPushButton(qtext(ui::wt::BitBtn2), this);
  BitBtn2->setObjectName("BitBtn2");
  connect(BitBtn2, &QPushButton::clicked, this, [this] { close(); });

  auto* status_row = new QHBoxLayout;
  status_row->addWidget(Label1);
  status_row->addWidget(ProgressBar1, 1);
  auto* button_row = new QHBoxLayout;
  button_row->addWidget(StopButton);
  button_row->addStretch(1);
  button_row->addWidget(BitBtn1);
  button_row->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addWidget(ProgressText);
  layout->addWidget(CurrentPath);
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

void Trun_win::report(const engine::progress_facts& facts) {
  const bool was_visible = bar_.visible();
  bar_.show_facts(facts);
  if (bar_.visible() != was_visible) ProgressBar1->setVisible(bar_.visible());
  if (bar_.visible()) render_bar();
}

void Trun_win::show_batch(const ui::run_batch& batch, double elapsed_seconds) {
  QStringList lines;
  for (const std::string& text : batch.texts) add_shown_lines(text, lines);
  if (!lines.isEmpty()) append_lines(lines);
  if (!batch.facts) return;
  report(*batch.facts);
  ProgressText->setText(to_qstring(ui::progress_counts_text(*batch.facts, elapsed_seconds)));
  path_ = to_qstring(host::shown_text(batch.facts->current_path));
  show_path();
}

void Trun_win::show_path() {
  CurrentPath->setText(
      CurrentPath->fontMetrics().elidedText(path_, Qt::ElideMiddle, CurrentPath->width()));
  CurrentPath->setToolTip(path_);
}

void Trun_win::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  show_path();
}

// A reader scrolled up to earlier lines keeps their place; a view at the end follows the run.
void Trun_win::append_lines(const QStringList& lines) {
  QScrollBar* bar = Memo1->verticalScrollBar();
  const bool at_end = bar->value() >= bar->maximum();
  const int kept = bar->value();
  Memo1->appendPlainText(lines.join(QLatin1Char('\n')));
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

bool Trun_win::BitBtn1Click() {
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
    out.write((Memo1->toPlainText() + QLatin1Char('\n')).toUtf8());
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

void Trun_win::refresh_buttons() { BitBtn1->setEnabled(has_log_ && !running_); }

void Trun_win::show_for_run() {
  running_ = true;
  close_after_run_ = false;
  StopButton->setEnabled(true);
  refresh_buttons();
  show();
  raise();
}

void Trun_win::run_ended() {
  running_ = false;
  StopButton->setEnabled(false);
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
    StopButton->setEnabled(false);
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
  ProgressBar1->setRange(bar_.bar_min(), bar_.bar_max());
  ProgressBar1->setValue(bar_.bar_value());
}

}  // namespace zolk_qt
