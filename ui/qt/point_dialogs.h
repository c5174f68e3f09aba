// The windows of the history tools in restore mode: the list of a point's changes (shown
// without blocking, one window reused) and the dialog that asks for the path of a part
// restore. Thin views over ui/point_tools.h.
#ifndef ZOLK_UI_QT_POINT_DIALOGS_H
#define ZOLK_UI_QT_POINT_DIALOGS_H

#include <QDialog>

#include "ui/point_tools.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zolk_qt {

// 変更内容: the title names the point; the list holds one change a line; the note says why
// it is empty or short.
class point_changes_dialog : public QDialog {
 public:
  explicit point_changes_dialog(QWidget* parent);
  void show_page(const ui::changes_page& page);

  QLabel* note = nullptr;
  QListWidget* changes = nullptr;
  QPushButton* close_button = nullptr;
};

// 一部を復元: a path inside the point; ＯＫ takes only a path that names an entry (otherwise
// the prompt says what is wanted and the dialog stays).
class restore_path_dialog : public QDialog {
 public:
  explicit restore_path_dialog(QWidget* parent);
  // Empties the field and shows the point in the title.
  void prepare(const std::string& cp932_point_entry);
  // The path typed, CP932.
  std::string path() const;

  QLabel* prompt = nullptr;
  QLineEdit* path_field = nullptr;
  QPushButton* ok_button = nullptr;
  QPushButton* cancel_button = nullptr;

 private:
  void on_ok();
};

// The port the main window's logic drives, over the two windows above (children of
// `parent`, created once).
class point_dialogs : public ui::point_tools_port {
 public:
  explicit point_dialogs(QWidget* parent);
  void show_changes(const ui::changes_page& page) override;
  std::optional<std::string> ask_restore_path(const std::string& point_entry) override;

  point_changes_dialog* changes_window = nullptr;
  restore_path_dialog* path_dialog = nullptr;
};

}  // namespace zolk_qt

#endif
