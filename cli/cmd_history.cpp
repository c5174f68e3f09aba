// log and versions: what a point's run changed, and the versions of one path.
#include <cinttypes>
#include <cstdio>
#include <optional>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/typed_names.h"
#include "engine/history/point_changes.h"
#include "engine/history/point_versions.h"
#include "engine/restore/restore_rollback.h"
#include "platform/terminal.h"

namespace cli {
namespace {

void print_line(const std::string& utf8_line) {
  std::fwrite(utf8_line.data(), 1, utf8_line.size(), stdout);
  std::fputc('\n', stdout);
}

// As prune and verify say it: log and versions read under the store's lock too.
std::string store_busy_text(const std::string& store) {
  return "the store " + host::terminal_text(store) + " is in use by another run";
}

const char* kind_word(engine::change_kind kind) {
  switch (kind) {
    case engine::change_kind::new_folder:
    case engine::change_kind::new_file:
      return "new";
    case engine::change_kind::changed:
      return "changed";
    case engine::change_kind::deleted:
      return "deleted";
    case engine::change_kind::became_folder:
    case engine::change_kind::became_file:
      return "type change";
  }
  return "?";
}

// "docs/" for a folder, so a line tells a folder from a file, a deleted one too.
std::string change_line(const engine::point_change& change) {
  std::string path = engine::change_log_key(change.path);
  if (change.folder) path += '\\';
  char kind[16];
  std::snprintf(kind, sizeof kind, "%-11s ", kind_word(change.kind));
  return kind + shown_line(path);
}

int show_log(host::host& h, const std::string& store, const std::string& point) {
  const std::optional<engine::point_choice> chosen =
      point.empty() ? engine::point_choice::newest() : chosen_point(point);
  if (!chosen) {
    print_error("POINT is the four digits of a restore point (0002) or latest");
    return k_exit_usage;
  }
  using state = engine::point_changes_result::state;
  const engine::point_changes_result found = engine::read_point_changes(h, store, *chosen);
  if (found.outcome == state::no_store) {
    print_error("no restore points in " + host::terminal_text(store));
    return k_exit_failed;
  }
  if (found.outcome == state::busy) {
    print_error(store_busy_text(store));
    return k_exit_failed;
  }
  if (found.outcome == state::no_point) {
    print_error("no restore point " + point + " in " + host::terminal_text(store));
    return k_exit_failed;
  }
  if (found.outcome == state::no_log) {
    print_error("the run that made " + host::terminal_text(found.point_entry) +
                " left no change log: " + host::terminal_text(found.log_path));
    return k_exit_failed;
  }
  for (const engine::point_change& change : found.changes) print_line(change_line(change));
  std::fflush(stdout);
  if (found.outcome == state::unreadable) {
    print_error("the change log could not be read to its end: " +
                host::terminal_text(found.log_path));
    return k_exit_failed;
  }
  if (found.changes.empty())
    print_error("nothing changed at " + host::terminal_text(found.point_entry));
  return k_exit_ok;
}

std::string version_line(host::host& h, const engine::path_version& version) {
  std::string line = host::terminal_text(version.point_entry);
  if (!version.present) return line + (version.deleted ? "  deleted" : "  absent");
  char facts[96];
  if (version.is_folder) {
    std::snprintf(facts, sizeof facts, "  folder  packed 0x%08" PRIX32 "  in ", version.time);
  } else {
    std::snprintf(facts, sizeof facts, "  %" PRId64 " bytes  packed 0x%08" PRIX32 "  in ",
                  version.size, version.time);
  }
  return line + "  " + host::terminal_text(h.date_text(version.time)) + facts +
         host::terminal_text(version.stored_in);
}

int show_versions(host::host& h, const std::string& store, const std::string& typed) {
  using state = engine::path_versions_result::state;
  const std::optional<std::string> path = typed_entry_path(typed);
  if (!path) {
    print_error(typed_entry_path_rule());
    return k_exit_usage;
  }
  const engine::path_versions_result found = engine::read_path_versions(h, store, *path);
  switch (found.outcome) {
    case state::bad_path:
      print_error("PATH names a file or folder inside the points, such as docs/report.txt");
      return k_exit_usage;
    case state::no_store:
      print_error("no restore points in " + host::terminal_text(store));
      return k_exit_failed;
    case state::busy:
      print_error(store_busy_text(store));
      return k_exit_failed;
    case state::no_path:
      print_error(shown_line(*path) + " is in no restore point of " + host::terminal_text(store));
      // "docs\report.txt" typed on Linux names a carriage return, not a folder.
      if (host::k_backslash_in_names && typed.find('\\') != std::string::npos)
        print_error(typed_entry_path_rule());
      return k_exit_failed;
    case state::read:
      break;
  }
  for (const engine::path_version& version : found.versions) print_line(version_line(h, version));
  std::fflush(stdout);
  for (const std::string& log : found.unread_logs) {
    print_error("change log not read, the points older than it may be wrong: " +
                host::terminal_text(log));
  }
  return found.unread_logs.empty() ? k_exit_ok : k_exit_failed;
}

}  // namespace

void add_history_commands(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string log_store, log_point, versions_store, versions_path;
  CLI::App* log = app.add_subcommand(
      "log",
      "Show what the run that made POINT changed: one line per entry, its kind (new, changed, "
      "deleted, type change: a file became a folder or back) and its path; a folder's path ends "
      "with a separator, a deleted folder's too. A folder reads as changed where a prune thinned "
      "out the points at which it was a file");
  log->add_option("DESTINATION", log_store, "The folder that keeps the history")->required();
  log->add_option("POINT", log_point,
                  "The four digits of a restore point (0002), or latest (the default)");
  log->callback([&h, &result] {
    result.status =
        show_log(h, host::path_from_terminal(log_store), host::text_from_terminal(log_point));
  });

  CLI::App* versions = app.add_subcommand(
      "versions",
      "Show PATH at every restore point, newest first: the point, then the stored copy's time, "
      "size, packed time and the history folder holding it, or deleted (the run that made the "
      "point deleted it) or absent");
  versions->add_option("DESTINATION", versions_store, "The folder that keeps the history")
      ->required();
  versions
      ->add_option(
          "PATH", versions_path,
          "A file or folder inside the points, such as docs/report.txt. " + typed_entry_path_help())
      ->required();
  versions->callback([&h, &result] {
    result.status = show_versions(h, host::path_from_terminal(versions_store), versions_path);
  });
}

}  // namespace cli
