#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/console_run.h"
#include "engine/backup_run.h"
#include "engine/history_store.h"
#include "platform/terminal.h"

namespace cli {

int run_backup(host::host& h, const std::string& source, const std::string& destination) {
  console_run run(run_kind::backup);
  return run.finish(
      engine::run_history_backup(h, source, destination, run.log(), run.progress(), run.stop()));
}

namespace {

int list_points(host::host& h, const std::string& destination) {
  const std::vector<std::string> points = engine::restore_point_entries(h, destination);
  if (points.empty()) {
    print_error("no restore points in " + host::terminal_text(destination));
    return k_exit_failed;
  }
  for (const std::string& point : points) std::printf("%s\n", host::terminal_text(point).c_str());
  return k_exit_ok;
}

}  // namespace

void add_backup_commands(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string source, destination, store;
  CLI::App* backup = app.add_subcommand(
      "backup",
      "Back up SOURCE into the history kept in DESTINATION. Prints the run log, then a summary "
      "line (コピー, 履歴へ移動, 失敗, 所要時間). Ctrl-C stops the run cleanly (exit status 1) and the "
      "next backup completes it; a second Ctrl-C ends zolk-cli at once");
  backup->add_option("SOURCE", source, "The folder to protect")->required();
  backup->add_option("DESTINATION", destination, "The folder that keeps its history")->required();
  backup->callback([&h, &result] {
    result.status =
        run_backup(h, host::path_from_terminal(source), host::path_from_terminal(destination));
  });

  CLI::App* points =
      app.add_subcommand("points", "List the restore points of DESTINATION, newest first");
  points->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  points->callback(
      [&h, &result] { result.status = list_points(h, host::path_from_terminal(store)); });
}

}  // namespace cli
