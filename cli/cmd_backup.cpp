#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/console_run.h"
#include "engine/backup/backup_run.h"
#include "engine/store/history_store.h"
#include "platform/terminal.h"

namespace cli {

int run_backup(host::host& h, const std::string& source, const std::string& destination) {
  console_run run(run_kind::backup);
  return run.finish(
      engine::run_history_backup(h, source, destination, run.log(), run.progress(), run.stop()));
}

namespace {

// A JSON string of a CP932 text (in the terminal's encoding, UTF-8 on POSIX).
std::string json_string(const std::string& cp932_text) {
  std::string out = "\"";
  for (const char c : host::terminal_text(cp932_text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// One object a line, newest first; "finished" is false for the point of a cut run.
void print_points_json(const std::vector<engine::store_point>& points) {
  std::printf("[\n");
  for (size_t i = 0; i < points.size(); ++i) {
    const engine::store_point& p = points[i];
    std::printf("{\"point\": %s, \"folder\": %s, \"time\": %s, \"finished\": %s}%s\n",
                json_string(engine::point_digits(p)).c_str(), json_string(p.folder).c_str(),
                json_string(p.time).c_str(), p.finished ? "true" : "false",
                i + 1 < points.size() ? "," : "");
  }
  std::printf("]\n");
}

int list_points(host::host& h, const std::string& destination, bool json) {
  const std::vector<engine::store_point> points = engine::list_store_points(h, destination);
  if (points.empty()) {
    print_error("no restore points in " + host::terminal_text(destination));
    return k_exit_failed;
  }
  if (json) {
    print_points_json(points);
    return k_exit_ok;
  }
  for (const engine::store_point& point : points) {
    std::printf("%s\n", host::terminal_text(engine::point_list_entry(point)).c_str());
  }
  return k_exit_ok;
}

}  // namespace

void add_backup_commands(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string source, destination, store;
  static bool json = false;
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

  CLI::App* points = app.add_subcommand(
      "points",
      "List the restore points of DESTINATION, newest first. The point of a backup that was "
      "stopped or killed is marked （未完了：中断されたバックアップ） and cannot be restored until "
      "the next backup completes it");
  points->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  points->add_flag("--json", json,
                   "Print a JSON array instead: one object per point with point, folder, time "
                   "and finished (false for the point of a cut backup)");
  points->callback(
      [&h, &result] { result.status = list_points(h, host::path_from_terminal(store), json); });
}

}  // namespace cli
