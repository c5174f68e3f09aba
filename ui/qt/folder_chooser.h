// folder_chooser: the folder chooser. A drive box and a folder tree; every move in the tree is
// reported through `on_folder_changed`, "決定/閉じる" through `on_decide`. The window keeps
// its place in the tree between showings; it is hidden, never rebuilt. Escape closes it as its
// frame does.
//
// The controls by role, beside the names the window gives them (and their Qt object names):
//   drive_box DriveCB1, folder_view DirList1, target_note mes_01 (which field the tree fills),
//   decide_button SpeedButton2 (決定/閉じる), make_folder_button SpeedButton1 (フォルダ作成).
#ifndef ZOLK_UI_QT_FOLDER_CHOOSER_H
#define ZOLK_UI_QT_FOLDER_CHOOSER_H

#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace zolk_qt {

class folder_chooser : public QWidget {
 public:
  explicit folder_chooser(QWidget* parent = nullptr);

  // The folder the tree stands on, as Zolk names it (CP932, native separators).
  std::string current_folder() const;
  // Moves the tree to a folder given as a Qt path; reports the change like a user's move.
  void go_to(const QString& path);

  std::function<void(const std::string&)> on_folder_changed;  // main_window::chooser_moved
  std::function<void()> on_decide;                            // chooser_decided
  std::function<void()> on_closed;  // closed by its frame: hidden without a check

  QComboBox* drive_box = nullptr;
  QTreeView* folder_view = nullptr;
  QLabel* target_note = nullptr;
  QPushButton* decide_button = nullptr;
  QPushButton* make_folder_button = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fill_drives();
  void on_drive_chosen(int index);
  void on_tree_moved();

  QFileSystemModel* model_ = nullptr;
  QString current_;
};

}  // namespace zolk_qt

#endif
