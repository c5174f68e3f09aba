// zolk-shots OUTPUT_FOLDER WORK_FOLDER: starts the program's windows on a settings file and a
// small folder tree in WORK_FOLDER, drives them as a user would and writes PNG pictures of
// the main window in both modes, the folder chooser and the run window (after two runs and
// in the middle of one) into OUTPUT_FOLDER.
// Meant for a display without a screen (scripts/screenshot runs it under Xvfb).
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTreeView>
#include <cstdio>
#include <string>

#include "app/program.h"
#include "engine/common/messages.h"
#include "platform/cp932.h"

namespace {

// Lets the windows map and paint.
void settle(int milliseconds = 400) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
}

// Lets a run started by the start button work to its end, the windows serviced meanwhile.
void wait_for_run(const ui::main_window& m) {
  while (m.run_working()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(10);
  }
}

bool save(const QPixmap& picture, const QString& folder, const char* name) {
  const QString path = QDir(folder).filePath(name);
  const bool saved = picture.save(path, "PNG");
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write",
               path.toLocal8Bit().constData());
  return saved;
}

void write_file(host::host& h, const std::string& path, const std::string& bytes) {
  if (auto file = h.open_write(path)) {
    file->write(bytes.data(), bytes.size());
    file->close();
  }
}

// A small tree to back up, in CP932 as Zolk names it.
std::string make_source(host::host& h, const std::string& work) {
  const std::string source = work + "/" + cp932::from_unicode("書類");
  h.create_folder(source);
  h.create_folder(source + "/" + cp932::from_unicode("見積"));
  write_file(h, source + "/" + cp932::from_unicode("予定表.txt"), "2026");
  write_file(h, source + "/" + cp932::from_unicode("見積/山田商店.txt"), "first");
  return source;
}

// The run window as it stands in the middle of a long first run: the log going on, the bar of
// a large file, the counts with the estimate, the current path and 中止. Shown from the facts
// such a run reports, so the picture does not hang on the speed of the machine.
void show_run_in_progress(zolk_qt::run_window& run_view, const std::string& source) {
  run_view.show_for_run();
  ui::run_batch batch;
  batch.texts.push_back(engine::text(engine::msg::first_run));
  const char* const names[] = {"見積/山田商店.txt", "見積/鈴木工業.txt", "予定表.txt",
                               "写真/2026/社員旅行.jpg"};
  for (const char* name : names) {
    batch.texts.push_back(engine::text(engine::msg::new_file_copied));
    batch.texts.push_back(engine::text(engine::msg::detail_prefix) + source + "\\" +
                          cp932::from_unicode(name) + "\r\n");
  }
  engine::progress_facts facts;
  facts.entries_done = 1234;
  facts.entries_total = 20000;
  facts.bytes_done = int64_t{1290} << 20;
  facts.bytes_total = int64_t{3800} << 20;
  facts.current_path = source + "\\" + cp932::from_unicode("写真/2026/社員旅行の動画.mp4");
  facts.file_bytes_total = int64_t{512} << 20;
  facts.file_bytes_done = int64_t{205} << 20;
  batch.facts = facts;
  run_view.show_batch(batch, 42);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: zolk-shots OUTPUT_FOLDER WORK_FOLDER\n");
    return 2;
  }
  zolk_app::prepare_application(app);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  host::host& h = host::default_host();
  const std::string work = cp932::from_unicode(argv[2]);
  const std::string source = make_source(h, work);
  const std::string store = work + "/" + cp932::from_unicode("履歴");

  zolk_app::windows w(h, work + "/Zcli.dat");
  zolk_qt::main_window_view& main = *w.main_view;
  ui::main_window& m = main.logic();
  main.show();
  m.form.set_job_name_text(cp932::from_unicode("書類の毎日の履歴"));
  m.form.set_comment_field(cp932::from_unicode("見積と予定表"));
  m.form.set_source_field(source);
  m.form.set_destination_field(store);
  m.register_job();
  m.form.job_box.select(0);
  m.job_picked();
  main.show_model();
  settle();
  bool ok = save(main.grab(), out, "main-backup.png");

  main.start_button->click();
  wait_for_run(m);
  QThread::sleep(2);  // file times count in steps of two seconds
  write_file(h, source + "/" + cp932::from_unicode("見積/山田商店.txt"), "second version");
  write_file(h, source + "/" + cp932::from_unicode("見積/鈴木工業.txt"), "new");
  main.start_button->click();
  wait_for_run(m);
  settle();
  ok = save(w.run_view->grab(), out, "run-window.png") && ok;
  w.run_view->hide();
  {
    // Drawn by a window of its own, so the log of the two runs above stays as it was.
    zolk_qt::run_window running;
    running.move(w.run_view->pos());
    show_run_in_progress(running, source);
    settle();
    ok = save(running.grab(), out, "run-window-running.png") && ok;
  }

  main.restore_mode_button->click();
  m.restore_jobs.select(0);
  m.restore_job_picked();
  main.show_model();
  main.activateWindow();
  settle();
  main.point_list->showPopup();
  settle();
  // The open point list is a window of its own: the screen holds both.
  const QRect frame = main.frameGeometry();
  ok = save(QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(),
                                                         frame.height()),
            out, "main-restore.png") &&
       ok;
  main.point_list->hidePopup();

  main.backup_mode_button->click();
  main.browse_destination->click();
  const QString work_folder = QString::fromStdString(cp932::to_unicode(work));
  w.chooser->go_to(work_folder + QString::fromUtf8("/書類/見積"));
  settle(800);
  // Scrolled as a user would, so the picture shows the folders of the example.
  auto* model = static_cast<QFileSystemModel*>(w.chooser->folder_view->model());
  w.chooser->folder_view->scrollTo(model->index(work_folder), QAbstractItemView::PositionAtTop);
  settle();
  ok = save(w.chooser->grab(), out, "chooser.png") && ok;
  return ok ? 0 : 1;
}
