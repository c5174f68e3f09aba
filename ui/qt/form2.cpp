#include "ui/qt/form2.h"

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

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(qtext(ui::wt::Form2_caption));
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(420, 440);

  DriveCB1 = new QComboBox(this);
  DriveCB1->setObjectName("DriveCB1");
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  model_->setRootPath(QString());
  DirList1 = new QTreeView(this);
  DirList1->setObjectName("DirList1");
  DirList1->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) DirList1->hideColumn(column);
  DirList1->header()->hide();
  mes_01 = new QLabel(this);
  mes_01->setObjectName("mes_01");
  mes_01->setWordWrap(true);
  SpeedButton2 = new QPushButton(qtext(ui::wt::SpeedButton2), this);
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton1 = new QPushButton(qtext(ui::wt::SpeedButton1), this);
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton1->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SpeedButton1);
  buttons->addStretch(1);
  buttons->addWidget(SpeedButton2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DriveCB1);
  layout->addWidget(DirList1, 1);
  layout->addWidget(mes_01);
  layout->addLayout(buttons);

  fill_drives();
  connect(DriveCB1, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { DriveCB1Change(index); });
  connect(DirList1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { DirList1Change(); });
  // Folders are read in the background: keep the current one in view as they arrive.
  connect(model_, &QFileSystemModel::directoryLoaded, this,
          [this] { DirList1->scrollTo(DirList1->currentIndex()); });
  // Escape is the frame's close: hidden without a check.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
  connect(SpeedButton2, &QPushButton::clicked, this, [this] {
    if (on_decide) on_decide();
  });
  current_ = QDir::homePath();
  const QModelIndex start = model_->index(current_);
  DirList1->setCurrentIndex(start);
  DirList1->scrollTo(start);
}

void TForm2::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (on_closed) on_closed();
}

void TForm2::fill_drives() {
  QStringList roots;
  for (const QFileInfo& drive : QDir::drives())
    roots << QDir::toNativeSeparators(drive.absoluteFilePath());
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = QDir::toNativeSeparators(volume.rootPath());
    if (volume.isValid() && volume.isReady() && !roots.contains(root)) roots << root;
  }
  DriveCB1->addItems(roots);
}

void TForm2::DriveCB1Change(int index) {
  if (index >= 0) go_to(QDir::fromNativeSeparators(DriveCB1->itemText(index)));
}

void TForm2::go_to(const QString& path) {
  const QModelIndex target = model_->index(path);
  if (!target.isValid()) return;
  DirList1->setCurrentIndex(target);  // reports through DirList1Change
  DirList1->scrollTo(target);
}

void TForm2::DirList1Change() {
  const QModelIndex index = DirList1->currentIndex();
  if (!index.isValid()) return;
  current_ = model_->filePath(index);
  if (on_folder_changed) on_folder_changed(current_folder());
}

std::string TForm2::current_folder() const {
  return from_qstring(QDir::toNativeSeparators(current_));
}

}  // namespace zolk_qt
