// The subcommands of zolk-cli. Each file adds its own to the application.
#ifndef ZOLK_CLI_COMMANDS_H
#define ZOLK_CLI_COMMANDS_H

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/store/point_choice.h"
#include "platform/host.h"

namespace cli {

// What a subcommand's callback leaves for main: the exit status.
struct outcome {
  int status = 0;
};

// A history backup of source into destination (CP932 paths), printed as the run log.
// The one way zolk-cli runs a backup, whether named by folders or by job.
int run_backup(host::host& h, const std::string& source, const std::string& destination);

// backup SOURCE DESTINATION, points DESTINATION
void add_backup_commands(CLI::App& app, host::host& h, outcome& result);

// The point a POINT argument names: "latest" the newest, one to four digits (not all zero) the
// point of that number; nullopt when POINT names none.
std::optional<engine::point_choice> chosen_point(const std::string& point);

// A restore of the point POINT ("0002" or "latest") of the history in store into target;
// a target that already holds entries is refused unless `force`. `paths` (CP932, may be
// empty) restricts it to those entries of the point.
int run_restore(host::host& h, const std::string& store, const std::string& point,
                const std::string& target, bool force, const std::vector<std::string>& paths = {});

// log DESTINATION [POINT], versions DESTINATION PATH
void add_history_commands(CLI::App& app, host::host& h, outcome& result);

// restore DESTINATION POINT TARGET [--force] [--path SUB]...
void add_restore_command(CLI::App& app, host::host& h, outcome& result);

// jobs [--settings FILE], run JOB [--settings FILE]: the jobs of the desktop program's
// settings file; run backs up a job's folders through run_backup.
void add_job_commands(CLI::App& app, host::host& h, outcome& result);

// prune DESTINATION (--keep-last N | --keep-since DATE | --point NNNN) [--dry-run]
void add_prune_command(CLI::App& app, host::host& h, outcome& result);

// verify DESTINATION [--source SRC]
void add_verify_command(CLI::App& app, host::host& h, outcome& result);

}  // namespace cli

#endif
