#include <cctype>
#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/console_run.h"
#include "cli/typed_names.h"
#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "platform/terminal.h"

namespace cli {

std::optional<engine::point_choice> chosen_point(const std::string& point) {
  if (point == "latest") return engine::point_choice::newest();
  if (point.empty() || point.size() > 4) return std::nullopt;
  for (char c : point) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  const int number = std::stoi(point);
  if (number == 0) return std::nullopt;
  return engine::point_choice(number);
}

int run_restore(host::host& h, const std::string& store, const std::string& point,
                const std::string& target, bool force, const std::vector<std::string>& paths) {
  const std::optional<engine::point_choice> chosen = chosen_point(point);
  if (!chosen) {
    print_error("POINT is the four digits of a restore point (0002) or latest");
    return k_exit_usage;
  }
  engine::restore_request request;
  request.point = *chosen;
  request.store = store;
  request.target = target;
  request.overwrite = force;
  request.paths = paths;
  console_run run(run_kind::restore);
  const engine::run_summary summary =
      engine::start_restore(h, request, run.log(), run.progress(), run.stop());
  const int status = run.finish(summary);
  // The engine says nothing of a store without points: the command line must.
  if (summary.no_points) {
    print_error("no restore points in " + host::terminal_text(store));
  }
  return status;
}

void add_restore_command(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string store, point, target;
  static bool force = false;
  static std::vector<std::string> paths;
  CLI::App* restore = app.add_subcommand(
      "restore",
      "Rebuild in TARGET the tree as it stood at POINT of the history in DESTINATION. Prints the "
      "restore's lines, then a summary line (復元, 失敗, 所要時間). Ctrl-C stops the restore "
      "(exit status 1), leaving part of the point in TARGET");
  restore->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  restore->add_option("POINT", point, "The four digits of a restore point (0002), or latest")
      ->required();
  restore->add_option("TARGET", target, "The folder to rebuild the tree in")->required();
  restore->add_flag("--force", force,
                    "Restore into a TARGET that already holds files, overwriting those of the "
                    "same names");
  restore->add_option("--path", paths,
                      "Restore only this file or folder of the point (a path inside it, such as "
                      "docs/report.txt), with everything under it, at its place in TARGET; may be "
                      "given more than once. A path the point does not hold stops the restore "
                      "before anything is written. " +
                          typed_entry_path_help());
  restore->callback([&h, &result] {
    std::vector<std::string> chosen;
    for (const std::string& path : paths) {
      const std::optional<std::string> typed = typed_entry_path(path);
      if (!typed) {
        print_error(typed_entry_path_rule());
        result.status = k_exit_usage;
        return;
      }
      chosen.push_back(*typed);
    }
    result.status = run_restore(h, host::path_from_terminal(store), host::text_from_terminal(point),
                                host::path_from_terminal(target), force, chosen);
  });
}

}  // namespace cli
