#include "ui/qt/run_win.h"

#include <QCoreApplication>
#include <QHBoxLayout>
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
  BitBtn1 = new QPushButton(qtext(ui::wt::BitBtn1), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setEnabled(false);
  BitBtn2 = new QPushButton(qtext(ui::wt::BitBtn2), this);
  BitBtn2->setObjectName("BitBtn2");
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

  auto* status_row = new QHBoxLayout;
  status_row->addWidget(Label1);
  status_row->addWidget(ProgressBar1, 1);
  auto* button_row = new QHBoxLayout;
  button_row->addStretch(1);
  button_row->addWidget(BitBtn1);
  button_row->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addLayout(status_row);
  layout->addLayout(button_row);
}

void Trun_win::BitBtn2Click() { hide(); }

void Trun_win::add_line(const std::string& text) {
  for (const std::string& line : engine::split_log_text(text)) {
    Memo1->appendPlainText(to_qstring(host::shown_text(line)));
  }
  repaint_if_due();
}

void Trun_win::report(const engine::progress_facts& facts) {
  const bool was_visible = bar_.visible();
  bar_.show_facts(facts);
  if (bar_.visible() != was_visible) ProgressBar1->setVisible(bar_.visible());
  if (bar_.visible()) render_bar();
  repaint_if_due();
}

void Trun_win::show_for_run() {
  show();
  raise();
  throttle_.reset();
  repaint_if_due();
}

void Trun_win::run_ended() {
  throttle_.reset();
  repaint_if_due();
}

void Trun_win::render_bar() {
  ProgressBar1->setRange(bar_.bar_min(), bar_.bar_max());
  ProgressBar1->setValue(bar_.bar_value());
}

void Trun_win::repaint_if_due() {
  if (!throttle_.due()) return;
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
  // The run holds the only thread; painting without user input keeps the window alive
  // while no button can start a second run or close a window under the first.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  throttle_.mark();
}

}  // namespace zolk_qt
