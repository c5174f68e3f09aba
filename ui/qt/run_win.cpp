#include "ui/qt/run_win.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/native_path.h"
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
  (void)elapsed_seconds;
  QStringList lines;
  for (const std::string& text : batch.texts) add_shown_lines(text, lines);
  if (!lines.isEmpty()) append_lines(lines);
  if (batch.facts) report(*batch.facts);
}

// A reader scrolled up to earlier lines keeps their place; a view at the end follows the run.
void Trun_win::append_lines(const QStringList& lines) {
  QScrollBar* bar = Memo1->verticalScrollBar();
  const bool at_end = bar->value() >= bar->maximum();
  const int kept = bar->value();
  Memo1->appendPlainText(lines.join(QLatin1Char('\n')));
  bar->setValue(at_end ? bar->maximum() : kept);
}

void Trun_win::show_for_run() {
  running_ = true;
  close_after_run_ = false;
  StopButton->setEnabled(true);
  show();
  raise();
}

void Trun_win::run_ended() {
  running_ = false;
  StopButton->setEnabled(false);
  if (close_after_run_) {
    close_after_run_ = false;
    hide();
  }
}

void Trun_win::closeEvent(QCloseEvent* event) {
  const ui::close_answer answer =
      running_ && on_close ? on_close() : ui::close_answer::close_now;
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
