#include "ui/qt/point_dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt/qt_text.h"

namespace zolk_qt {

point_changes_dialog::point_changes_dialog(QWidget* parent) : QDialog(parent, Qt::Window) {
  setObjectName("point_changes");
  setModal(false);
  resize(520, 360);
  auto* layout = new QVBoxLayout(this);
  note = new QLabel(this);
  note->setObjectName("note");
  note->setWordWrap(true);
  changes = new QListWidget(this);
  changes->setObjectName("changes");
  close_button = new QPushButton(qtext(ui::wt::close_button), this);
  close_button->setObjectName("close_button");
  layout->addWidget(note);
  layout->addWidget(changes);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_button);
  layout->addLayout(buttons);
  connect(close_button, &QPushButton::clicked, this, &QDialog::hide);
}

void point_changes_dialog::show_page(const ui::changes_page& page) {
  setWindowTitle(to_qstring(page.title));
  changes->clear();
  for (const std::string& line : page.lines) changes->addItem(to_qstring(line));
  note->setText(to_qstring(page.note));
  note->setVisible(!page.note.empty());
  show();
  raise();
  activateWindow();
}

restore_path_dialog::restore_path_dialog(QWidget* parent) : QDialog(parent) {
  setObjectName("restore_path");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  prompt = new QLabel(qtext(ui::wt::path_prompt), this);
  prompt->setObjectName("prompt");
  prompt->setWordWrap(true);
  path_field = new QLineEdit(this);
  path_field->setObjectName("path_field");
  path_field->setMinimumWidth(380);
  ok_button = new QPushButton(qtext(ui::wt::ok_button), this);
  ok_button->setObjectName("ok_button");
  ok_button->setDefault(true);
  cancel_button = new QPushButton(qtext(ui::wt::cancel_button), this);
  cancel_button->setObjectName("cancel_button");
  layout->addWidget(prompt);
  layout->addWidget(path_field);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_button);
  buttons->addWidget(cancel_button);
  layout->addLayout(buttons);
  connect(ok_button, &QPushButton::clicked, this, [this] { on_ok(); });
  connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);
}

void restore_path_dialog::prepare(const std::string& cp932_point_entry) {
  setWindowTitle(to_qstring(cp932_point_entry) + QStringLiteral("  ") + qtext(ui::wt::bubun));
  prompt->setText(qtext(ui::wt::path_prompt));
  path_field->clear();
  path_field->setFocus(Qt::OtherFocusReason);
}

std::string restore_path_dialog::path() const { return from_qstring(path_field->text()); }

void restore_path_dialog::on_ok() {
  if (ui::restore_path_accepted(path())) {
    accept();
    return;
  }
  prompt->setText(qtext(ui::wt::bad_path));
  path_field->setFocus(Qt::OtherFocusReason);
}

point_dialogs::point_dialogs(QWidget* parent)
    : changes_window(new point_changes_dialog(parent)),
      path_dialog(new restore_path_dialog(parent)) {}

void point_dialogs::show_changes(const ui::changes_page& page) { changes_window->show_page(page); }

std::optional<std::string> point_dialogs::ask_restore_path(const std::string& point_entry) {
  path_dialog->prepare(point_entry);
  if (path_dialog->exec() != QDialog::Accepted) return std::nullopt;
  return path_dialog->path();
}

}  // namespace zolk_qt
