#include <cctype>

#include "cli/commands.h"
#include "cli/console.h"
#include "engine/history_store.h"
#include "engine/restore_run.h"
#include "platform/terminal.h"

namespace cli {
namespace {

// The four characters of a point: "latest" names the newest history folder, a number of up
// to four digits is padded ("2" is "0002"). Empty when POINT means nothing.
std::string point_digits(host::host& h, const std::string& store, const std::string& point) {
  if (point == "latest") {
    const engine::folder_tree history = engine::scan_history_folders(h, store);
    return history.empty() ? std::string() : history.first()->name.substr(4, 4);
  }
  if (point.empty() || point.size() > 4) return std::string();
  for (char c : point) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::string();
  }
  return std::string(4 - point.size(), '0') + point;
}

}  // namespace

int run_restore(host::host& h, const std::string& store, const std::string& point,
                const std::string& target, bool force) {
  if (point != "latest" && point_digits(h, store, point).empty()) {
    print_error("POINT is the four digits of a restore point (0002) or latest");
    return k_exit_usage;
  }
  if (engine::scan_history_folders(h, store).empty()) {
    print_error("no restore points in " + host::terminal_text(store));
    return k_exit_failed;
  }
  const std::string digits = point_digits(h, store, point);
  engine::restore_request request;
  request.point_entry = digits;
  request.point_index = 0;
  request.store = store;
  request.target = target;
  request.overwrite = force;
  // The opening line names the point as the point list shows it, date included.
  for (const std::string& entry : engine::restore_point_entries(h, store)) {
    if (entry.compare(0, 4, digits) == 0) request.point_entry = entry;
  }
  console_log log;
  console_progress progress;
  return exit_status(engine::start_restore(h, request, log, progress));
}

void add_restore_command(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string store, point, target;
  static bool force = false;
  CLI::App* restore = app.add_subcommand(
      "restore", "Rebuild in TARGET the tree as it stood at POINT of the history in DESTINATION");
  restore->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  restore->add_option("POINT", point, "The four digits of a restore point (0002), or latest")
      ->required();
  restore->add_option("TARGET", target, "The folder to rebuild the tree in")->required();
  restore->add_flag("--force", force,
                    "Restore into a TARGET that already holds files, overwriting those of the "
                    "same names");
  restore->callback([&h, &result] {
    result.status = run_restore(h, host::path_from_terminal(store), host::text_from_terminal(point),
                                host::path_from_terminal(target), force);
  });
}

}  // namespace cli
