// The binding of the main window's widgets to its model.
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "ui/qt/form2.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/set_window01.h"

namespace zolk_qt {
namespace {

void show_text(QLineEdit* edit, const std::string& text) {
  const QString shown = to_qstring(text);
  if (edit->text() != shown) edit->setText(shown);
}

void show_control(QPushButton* button, const ui::control_state& state) {
  // A new caption takes the button's mnemonic as its shortcut; the assigned keys stay.
  const QKeySequence keys = button->shortcut();
  button->setText(to_qstring(state.caption));
  button->setShortcut(keys);
  button->setToolTip(hint_with_keys(to_qstring(state.hint), button->shortcut()));
  button->setEnabled(state.enabled);
}

// Touches the widget only where it differs from the model, so typing is never disturbed.
void show_combo(QComboBox* combo, const ui::job_combo_model& model) {
  QStringList entries;
  for (const std::string& entry : model.entries) entries << to_qstring(entry);
  QStringList shown;
  for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
  if (shown != entries) {
    combo->clear();
    combo->addItems(entries);
  }
  const QString text = to_qstring(model.text);
  if (model.selected >= 0 && combo->currentIndex() != model.selected) {
    combo->setCurrentIndex(model.selected);
  } else if (model.selected < 0 && combo->currentText() != text) {
    combo->setCurrentIndex(-1);
  }
  if (combo->currentText() != text) combo->setEditText(text);
}

// The user typed into a job list or the point list: the text is the model's, no entry stays
// picked. The text Qt shows while it picks an entry is left to the pick that follows.
void typed_into(QComboBox* combo, ui::job_combo_model& model, const QString& text) {
  const int index = combo->currentIndex();
  if (index >= 0 && index == model.selected && combo->itemText(index) == text) return;
  model.type(from_qstring(text));
}

}  // namespace

// While a run works the controls are disabled; whatever still reaches a handler is dropped,
// never kept for later.
void Tset_window01::handle(const std::function<void()>& handler) {
  if (logic_->run_working()) return;
  handler();
  show_model();
}

void Tset_window01::connect_controls() {
  connect(backup_mode_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->run01BClick(); }); });
  connect(restore_mode_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->run02BClick(); }); });
  connect(new_job_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->new_ButtonClick(); }); });
  connect(register_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->tourokuClick(); }); });
  connect(update_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->syuseiClick(); }); });
  connect(delete_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->sakujoClick(); }); });
  connect(start_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->startb01Click(); }); });
  connect(show_changes_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->henkouClick(); }); });
  connect(restore_entry_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->bubunClick(); }); });
  connect(end_button, &QPushButton::clicked, this, [this] { on_end_clicked(); });
  connect(browse_source, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->Button1Click(); }); });
  connect(browse_restore_source, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->Button1Click(); }); });
  connect(browse_destination, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->Button2Click(); }); });
  connect(pages, &QTabWidget::currentChanged, this,
          [this] { handle([this] { logic_->PageControl1Change(); }); });
  connect(jorf_buttons_, &QButtonGroup::idClicked, this, [this](int id) {
    logic_->JorF = id;
    handle([this] { logic_->JorFClick(); });
  });
}

void Tset_window01::connect_fields() {
  ui::main_window& m = *logic_;
  connect(job_name_box, &QComboBox::activated, this, [this, &m](int index) {
    if (showing_) return;
    m.form.job_combo.select(index);
    handle([&m] { m.job_comboChange(); });
  });
  connect(job_name_box, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (showing_) return;
    typed_into(job_name_box, m.form.job_combo, text);
    handle([&m] { m.job_comboChange(); });
  });
  connect(restore_job_box, &QComboBox::activated, this, [this, &m](int index) {
    if (showing_) return;
    m.job_combo_s.select(index);
    handle([&m] { m.job_combo_sChange(); });
  });
  connect(restore_job_box, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (!showing_) typed_into(restore_job_box, m.job_combo_s, text);
  });
  connect(point_list, &QComboBox::activated, this, [this, &m](int index) {
    if (!showing_) m.R_ListBox.select(index);
  });
  connect(point_list, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (!showing_) typed_into(point_list, m.R_ListBox, text);
  });
  connect(comment_field, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_zolk_comment(from_qstring(text)); });
  connect(source_folder, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_Tdirname(from_qstring(text)); });
  connect(destination_folder, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_Bdirname(from_qstring(text)); });
  for (QObject* field :
       std::initializer_list<QObject*>{job_name_box, job_name_box->lineEdit(), comment_field,
                                       source_folder, destination_folder}) {
    field->installEventFilter(this);
  }
}

void Tset_window01::connect_chooser() {
  if (form2_ == nullptr) return;
  form2_->on_folder_changed = [this](const std::string& folder) {
    handle([this, folder] { logic_->DirList1Change(folder); });
  };
  form2_->on_decide = [this] {
    const std::string folder = form2_->current_folder();
    checking_ = true;
    handle([this, folder] { logic_->SpeedButton2Click(folder); });
    checking_ = false;
  };
  form2_->on_closed = [this] { logic_->Form2.visible = false; };
}

// Enter in a field of history backup mode moves on as Tab does, so the field left is checked;
// it never picks a job by the typed name, which would load that job over what was typed. In
// the restore target it starts the restore, but only once a point is picked and the target
// passes its check (BdirnameEnter tells the user otherwise).
bool Tset_window01::enter_pressed(QObject* watched, const QKeyEvent& key) {
  if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
  if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  if (watched == destination_folder && logic_->main_mode == ui::k_restore_mode) {
    handle([this] { logic_->BdirnameEnter(); });
  } else {
    focusNextPrevChild(true);
  }
  return true;
}

bool Tset_window01::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && !showing_ && !checking_) {
    return enter_pressed(watched, *static_cast<QKeyEvent*>(event));
  }
  if (event->type() != QEvent::FocusOut || showing_ || checking_) return false;
  const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
  // Another window taking the focus (a message box, the chooser) does not leave the field.
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
  // The check runs once the focus has moved, so giving it back is not undone by the move.
  if (watched == source_folder) QTimer::singleShot(0, this, [this] { on_source_left(); });
  if (watched == destination_folder) QTimer::singleShot(0, this, [this] { on_destination_left(); });
  return false;
}

bool Tset_window01::on_source_left() {
  checking_ = true;
  const bool accepted = logic_->TdirnameExit();
  // Still checking: the field that loses the focus now was not left by the user.
  if (!accepted) source_folder->setFocus(Qt::OtherFocusReason);
  checking_ = false;
  show_model();
  return accepted;
}

bool Tset_window01::on_destination_left() {
  checking_ = true;
  const bool accepted = logic_->BdirnameExit();
  // Still checking: the field that loses the focus now was not left by the user.
  if (!accepted) destination_folder->setFocus(Qt::OtherFocusReason);
  checking_ = false;
  show_model();
  return accepted;
}

void Tset_window01::show_model() {
  showing_ = true;
  show_mode();
  show_fields();
  show_restore_side();
  show_chooser();
  showing_ = false;
}

void Tset_window01::show_mode() {
  const ui::main_window& m = *logic_;
  backup_mode_button->setChecked(m.run01B_down);
  restore_mode_button->setChecked(!m.run01B_down);
  mode_status->setToolTip(to_qstring(m.s_mes.hint));
  mode_heading->setText(to_qstring(m.st01.caption));
  mode_heading->adjustSize();
  destination_label->setText(to_qstring(m.Label2.caption));
  destination_label->adjustSize();
  show_control(register_button, m.touroku);
  show_control(update_button, m.syusei);
  show_control(delete_button, m.sakujo);
  for (const auto& [button, state] :
       {std::pair<QPushButton*, const ui::control_state&>{show_changes_button, m.henkou},
        {restore_entry_button, m.bubun}}) {
    show_control(button, state);
    button->setVisible(state.visible);
  }
  new_job_button->setEnabled(m.new_Button.enabled);
  start_button->setEnabled(m.startb01.enabled);
  pages->setEnabled(!m.run_working());
  for (QWidget* w :
       std::initializer_list<QWidget*>{job_name_label, job_name_box, new_job_button, comment_label,
                                       comment_field, source_label, source_folder, browse_source}) {
    w->setVisible(m.job_rows_visible);
  }
  restore_panel->setVisible(m.Panel1_visible);
  restore_panel->raise();
}

void Tset_window01::show_fields() {
  const ui::main_window& m = *logic_;
  show_combo(job_name_box, m.form.job_combo);
  show_text(comment_field, m.form.zolk_comment());
  show_text(source_folder, m.form.Tdirname());
  show_text(destination_folder, m.form.Bdirname());
  show_text(store_folder, m.Rdirname);
}

void Tset_window01::show_restore_side() {
  const ui::main_window& m = *logic_;
  (m.JorF == 0 ? by_job_name : by_source_folder)->setChecked(true);
  show_combo(restore_job_box, m.job_combo_s);
  browse_restore_source->setVisible(m.Button3_visible);
  show_combo(point_list, m.R_ListBox);
  point_label->setVisible(m.R_ListLabel_visible);
  point_list->setVisible(m.R_ListBox_visible);
}

void Tset_window01::show_chooser() {
  if (form2_ == nullptr) return;
  const ui::chooser_state& c = logic_->Form2;
  form2_->setEnabled(!logic_->run_working());  // it writes into the fields
  form2_->target_note->setText(to_qstring(c.mes_01));
  if (c.visible && !form2_->isVisible()) {
    form2_->show();
    form2_->raise();
  } else if (!c.visible && form2_->isVisible()) {
    form2_->hide();
  }
}

}  // namespace zolk_qt
