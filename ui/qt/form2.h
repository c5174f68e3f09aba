// TForm2: the folder chooser. A drive box and a folder tree; every move in the tree is
// reported through `on_folder_changed`, "決定/閉じる" through `on_decide`. The window keeps
// its place in the tree between showings; it is hidden, never rebuilt. Escape closes it as its
// frame does.
#ifndef ZOLK_UI_QT_FORM2_H
#define ZOLK_UI_QT_FORM2_H

#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace zolk_qt {

class TForm2 : public QWidget {
 public:
  explicit TForm2(QWidget* parent = nullptr);

  // The folder the tree stands on, as Zolk names it (CP932, native separators).
  std::string current_folder() const;
  // Moves the tree to a folder given as a Qt path; reports the change like a user's move.
  void go_to(const QString& path);

  std::function<void(const std::string&)> on_folder_changed;  // DirList1Change
  std::function<void()> on_decide;                            // SpeedButton2Click
  std::function<void()> on_closed;  // closed by its frame: hidden without a check

  QComboBox* DriveCB1 = nullptr;
  QTreeView* DirList1 = nullptr;
  QLabel* mes_01 = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  QPushButton* SpeedButton1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fill_drives();
  void DriveCB1Change(int index);
  void DirList1Change();

  QFileSystemModel* model_ = nullptr;
  QString current_;
};

}  // namespace zolk_qt

#endif
