// window_bench CLI WORK FILES ROUNDS: times history backup runs of the desktop program's
// windows (offscreen, the start button pressed as a user would) against `zolk-cli backup` on
// the same changes: FILES files of 2 KiB in FILES/100 folders, every file changed before each
// of ROUNDS rounds. Prints both times, their ratio, and this process's memory after each
// window run. Run by bench/window, never by the tests.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/program.h"

namespace {

// Linux: the resident and peak resident memory of this process, in KiB.
struct memory_use {
  long rss_kib = -1;
  long peak_kib = -1;
};

memory_use memory_now() {
  memory_use m;
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return m;
  for (const QByteArray& line : status.readAll().split('\n')) {
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() < 2) continue;
    if (parts[0] == "VmRSS:") m.rss_kib = parts[1].toLong();
    if (parts[0] == "VmHWM:") m.peak_kib = parts[1].toLong();
  }
  return m;
}

void write_file(host::host& h, const std::string& path, size_t length, char fill) {
  const std::string bytes(length, fill);
  if (auto file = h.open_write(path)) {
    file->write(bytes.data(), bytes.size());
    file->close();
  }
}

// Every file gets a new length, so each counts as changed whatever the clock says.
void write_tree(host::host& h, const std::string& source, int files, int round) {
  const int per_folder = 100;
  for (int i = 0; i < files; ++i) {
    const std::string folder = source + "/d" + std::to_string(i / per_folder);
    if (i % per_folder == 0 && round == 0) h.create_folder(folder);
    write_file(h, folder + "/file" + std::to_string(i % per_folder) + ".bin", 2048 + round,
               static_cast<char>('a' + round));
  }
}

void sync_disk() { QProcess::execute(QStringLiteral("sync"), {}); }

double cli_seconds(const QString& cli, const std::string& source, const std::string& store) {
  sync_disk();
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  p.start(cli, {QStringLiteral("backup"), QString::fromStdString(source),
                QString::fromStdString(store)});
  p.waitForFinished(-1);
  sync_disk();
  return timer.nsecsElapsed() / 1e9;
}

// Presses the start button and serves the windows until the run has ended.
double window_seconds(zolk_app::windows& w) {
  sync_disk();
  QElapsedTimer timer;
  timer.start();
  w.main_view->start_button->click();
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (!w.main_view->logic().run_working()) loop.quit();
  });
  check.start(5);
  loop.exec();
  sync_disk();
  return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: window_bench CLI WORK FILES ROUNDS\n");
    return 2;
  }
  zolk_app::prepare_application(app);
  const QString cli = QString::fromLocal8Bit(argv[1]);
  const std::string work = argv[2];
  const int files = std::stoi(argv[3]);
  const int rounds = std::stoi(argv[4]);
  host::host& h = host::default_host();
  const std::string source = work + "/src";
  const std::string cli_store = work + "/store-cli";
  const std::string window_store = work + "/store-window";
  h.create_folder(source);
  write_tree(h, source, files, 0);

  zolk_app::windows w(h, work + "/Zcli.dat");
  w.main_view->show();
  ui::main_window& m = w.main_view->logic();
  m.form.set_source_field(source);
  m.form.set_destination_field(window_store);
  w.main_view->show_model();

  std::printf("first runs: zolk-cli %.2f s, window %.2f s\n", cli_seconds(cli, source, cli_store),
              window_seconds(w));
  double cli_total = 0;
  double window_total = 0;
  for (int round = 1; round <= rounds; ++round) {
    write_tree(h, source, files, round);
    // The two take turns going first, so neither always finds the other's data cached.
    double t_cli = 0;
    double t_window = 0;
    if (round % 2 == 1) {
      t_cli = cli_seconds(cli, source, cli_store);
      t_window = window_seconds(w);
    } else {
      t_window = window_seconds(w);
      t_cli = cli_seconds(cli, source, cli_store);
    }
    cli_total += t_cli;
    window_total += t_window;
    const memory_use mem = memory_now();
    std::printf(
        "round %d, %d files changed: zolk-cli %.2f s, window %.2f s, ratio %.2f; "
        "window process %ld KiB resident, peak %ld KiB\n",
        round, files, t_cli, t_window, t_window / t_cli, mem.rss_kib, mem.peak_kib);
    std::fflush(stdout);
  }
  std::printf("all rounds: zolk-cli %.2f s, window %.2f s, ratio %.2f (target <= 1.2)\n", cli_total,
              window_total, window_total / cli_total);
  std::printf("log lines the run window shows: %d (it keeps at most %d)\n",
              w.run_view->log_view->blockCount(), zolk_qt::run_window::k_kept_lines);
  return 0;
}
