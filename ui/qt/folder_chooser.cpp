#include "ui/qt/folder_chooser.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/qt/qt_text.h"

namespace zolk_qt {

folder_chooser::folder_chooser(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(qtext(ui::wt::chooser_caption));
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(420, 440);

  drive_box = new QComboBox(this);
  drive_box->setObjectName("DriveCB1");
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  model_->setRootPath(QString());
  folder_view = new QTreeView(this);
  folder_view->setObjectName("DirList1");
  folder_view->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) folder_view->hideColumn(column);
  folder_view->header()->hide();
  target_note = new QLabel(this);
  target_note->setObjectName("mes_01");
  target_note->setWordWrap(true);
  decide_button = new QPushButton(qtext(ui::wt::decide_button), this);
  decide_button->setObjectName("SpeedButton2");
  make_folder_button = new QPushButton(qtext(ui::wt::make_folder_button), this);
  make_folder_button->setObjectName("SpeedButton1");
  make_folder_button->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(make_folder_button);
  buttons->addStretch(1);
  buttons->addWidget(decide_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(drive_box);
  layout->addWidget(folder_view, 1);
  layout->addWidget(target_note);
  layout->addLayout(buttons);

  fill_drives();
  connect(drive_box, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { on_drive_chosen(index); });
  connect(folder_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { on_tree_moved(); });
  // Folders are read in the background: keep the current one in view as they arrive.
  connect(model_, &QFileSystemModel::directoryLoaded, this,
          [this] { folder_view->scrollTo(folder_view->currentIndex()); });
  // Escape is the frame's close: hidden without a check.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
  connect(decide_button, &QPushButton::clicked, this, [this] {
    if (on_decide) on_decide();
  });
  current_ = QDir::homePath();
  const QModelIndex start = model_->index(current_);
  folder_view->setCurrentIndex(start);
  folder_view->scrollTo(start);
}

void folder_chooser::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (on_closed) on_closed();
}

void folder_chooser::fill_drives() {
  QStringList roots;
  for (const QFileInfo& drive : QDir::drives())
    roots << QDir::toNativeSeparators(drive.absoluteFilePath());
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = QDir::toNativeSeparators(volume.rootPath());
    if (volume.isValid() && volume.isReady() && !roots.contains(root)) roots << root;
  }
  drive_box->addItems(roots);
}

void folder_chooser::on_drive_chosen(int index) {
  if (index >= 0) go_to(QDir::fromNativeSeparators(drive_box->itemText(index)));
}

void folder_chooser::go_to(const QString& path) {
  const QModelIndex target = model_->index(path);
  if (!target.isValid()) return;
  folder_view->setCurrentIndex(target);  // reports through on_tree_moved
  folder_view->scrollTo(target);
}

void folder_chooser::on_tree_moved() {
  const QModelIndex index = folder_view->currentIndex();
  if (!index.isValid()) return;
  current_ = model_->filePath(index);
  if (on_folder_changed) on_folder_changed(current_folder());
}

std::string folder_chooser::current_folder() const {
  return from_qstring(QDir::toNativeSeparators(current_));
}

}  // namespace zolk_qt
