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

#include "ui/qt/folder_chooser.h"
#include "ui/qt/main_window_view.h"
#include "ui/qt/qt_text.h"

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
void main_window_view::handle(const std::function<void()>& handler) {
  if (logic_->run_working()) return;
  handler();
  show_model();
}

void main_window_view::connect_controls() {
  connect(backup_mode_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->enter_backup_mode(); }); });
  connect(restore_mode_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->enter_restore_mode(); }); });
  connect(new_job_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->new_job(); }); });
  connect(register_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->register_job(); }); });
  connect(update_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->update_job(); }); });
  connect(delete_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->delete_job(); }); });
  connect(start_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->start(); }); });
  connect(show_changes_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->show_changes(); }); });
  connect(restore_entry_button, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->restore_entry(); }); });
  connect(end_button, &QPushButton::clicked, this, [this] { on_end_clicked(); });
  connect(browse_source, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->browse_source(); }); });
  connect(browse_restore_source, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->browse_source(); }); });
  connect(browse_destination, &QPushButton::clicked, this,
          [this] { handle([this] { logic_->browse_destination(); }); });
  connect(pages, &QTabWidget::currentChanged, this,
          [this] { handle([this] { logic_->page_changed(); }); });
  connect(jorf_buttons_, &QButtonGroup::idClicked, this, [this](int id) {
    logic_->pick_job_by = id;
    handle([this] { logic_->pick_by_changed(); });
  });
}

void main_window_view::connect_fields() {
  ui::main_window& m = *logic_;
  connect(job_name_box, &QComboBox::activated, this, [this, &m](int index) {
    if (showing_) return;
    m.form.job_box.select(index);
    handle([&m] { m.job_picked(); });
  });
  connect(job_name_box, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (showing_) return;
    typed_into(job_name_box, m.form.job_box, text);
    handle([&m] { m.job_picked(); });
  });
  connect(restore_job_box, &QComboBox::activated, this, [this, &m](int index) {
    if (showing_) return;
    m.restore_jobs.select(index);
    handle([&m] { m.restore_job_picked(); });
  });
  connect(restore_job_box, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (!showing_) typed_into(restore_job_box, m.restore_jobs, text);
  });
  connect(point_list, &QComboBox::activated, this, [this, &m](int index) {
    if (!showing_) m.point_list.select(index);
  });
  connect(point_list, &QComboBox::editTextChanged, this, [this, &m](const QString& text) {
    if (!showing_) typed_into(point_list, m.point_list, text);
  });
  connect(comment_field, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_comment_field(from_qstring(text)); });
  connect(source_folder, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_source_field(from_qstring(text)); });
  connect(destination_folder, &QLineEdit::textEdited, this,
          [&m](const QString& text) { m.form.set_destination_field(from_qstring(text)); });
  for (QObject* field :
       std::initializer_list<QObject*>{job_name_box, job_name_box->lineEdit(), comment_field,
                                       source_folder, destination_folder}) {
    field->installEventFilter(this);
  }
}

void main_window_view::connect_chooser() {
  if (chooser_ == nullptr) return;
  chooser_->on_folder_changed = [this](const std::string& folder) {
    handle([this, folder] { logic_->chooser_moved(folder); });
  };
  chooser_->on_decide = [this] {
    const std::string folder = chooser_->current_folder();
    checking_ = true;
    handle([this, folder] { logic_->chooser_decided(folder); });
    checking_ = false;
  };
  chooser_->on_closed = [this] { logic_->chooser.visible = false; };
}

// Enter moves on as Tab does, or starts the restore, by the model's rule.
bool main_window_view::enter_pressed(QObject* watched, const QKeyEvent& key) {
  if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
  if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  if (logic_->enter_starts_restore(field_of(watched))) {
    handle([this] { logic_->on_destination_enter(); });
  } else {
    focusNextPrevChild(true);
  }
  return true;
}

bool main_window_view::eventFilter(QObject* watched, QEvent* event) {
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

bool main_window_view::on_source_left() { return field_left(source_folder); }

bool main_window_view::on_destination_left() { return field_left(destination_folder); }

ui::main_window::folder_field main_window_view::field_of(const QObject* widget) const {
  if (widget == source_folder) return ui::main_window::folder_field::source;
  if (widget == destination_folder) return ui::main_window::folder_field::destination;
  return ui::main_window::folder_field::other;
}

bool main_window_view::field_left(QLineEdit* field) {
  checking_ = true;
  const bool accepted = logic_->field_left(field_of(field));
  // Still checking: the field that loses the focus now was not left by the user.
  if (!accepted) field->setFocus(Qt::OtherFocusReason);
  checking_ = false;
  show_model();
  return accepted;
}

void main_window_view::show_model() {
  showing_ = true;
  show_mode();
  show_fields();
  show_restore_side();
  show_chooser();
  showing_ = false;
}

void main_window_view::show_mode() {
  const ui::main_window& m = *logic_;
  backup_mode_button->setChecked(m.backup_mode_down);
  restore_mode_button->setChecked(!m.backup_mode_down);
  mode_status->setToolTip(to_qstring(m.status_line.hint));
  mode_heading->setText(to_qstring(m.mode_heading.caption));
  mode_heading->adjustSize();
  destination_label->setText(to_qstring(m.destination_label.caption));
  destination_label->adjustSize();
  show_control(register_button, m.register_button);
  show_control(update_button, m.update_button);
  show_control(delete_button, m.delete_button);
  for (const auto& [button, state] : {std::pair<QPushButton*, const ui::control_state&>{
                                          show_changes_button, m.show_changes_button},
                                      {restore_entry_button, m.restore_entry_button}}) {
    show_control(button, state);
    button->setVisible(state.visible);
  }
  new_job_button->setEnabled(m.new_job_button.enabled);
  start_button->setEnabled(m.start_button.enabled);
  pages->setEnabled(!m.run_working());
  for (QWidget* w :
       std::initializer_list<QWidget*>{job_name_label, job_name_box, new_job_button, comment_label,
                                       comment_field, source_label, source_folder, browse_source}) {
    w->setVisible(m.job_rows_visible);
  }
  restore_panel->setVisible(m.restore_panel_visible);
  restore_panel->raise();
}

void main_window_view::show_fields() {
  const ui::main_window& m = *logic_;
  show_combo(job_name_box, m.form.job_box);
  show_text(comment_field, m.form.comment_field());
  show_text(source_folder, m.form.source_field());
  show_text(destination_folder, m.form.destination_field());
  show_text(store_folder, m.store_folder);
}

void main_window_view::show_restore_side() {
  const ui::main_window& m = *logic_;
  (m.pick_job_by == 0 ? by_job_name : by_source_folder)->setChecked(true);
  show_combo(restore_job_box, m.restore_jobs);
  browse_restore_source->setVisible(m.browse_restore_source_visible);
  show_combo(point_list, m.point_list);
  point_label->setVisible(m.point_label_visible);
  point_list->setVisible(m.point_list_visible);
}

void main_window_view::show_chooser() {
  if (chooser_ == nullptr) return;
  const ui::chooser_state& c = logic_->chooser;
  chooser_->setEnabled(!logic_->run_working());  // it writes into the fields
  chooser_->target_note->setText(to_qstring(c.prompt));
  if (c.visible && !chooser_->isVisible()) {
    chooser_->show();
    chooser_->raise();
  } else if (!c.visible && chooser_->isVisible()) {
    chooser_->hide();
  }
}

}  // namespace zolk_qt
