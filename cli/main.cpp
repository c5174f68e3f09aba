// zolk-cli: the command-line front end over the same engine as the desktop program.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/host.h"
#include "platform/terminal.h"

#ifndef ZOLK_VERSION
#define ZOLK_VERSION "unknown"
#endif

int main(int argc, char** argv) {
  CLI::App app{"Zolk keeps a history backup of a folder tree and restores any earlier point.",
               "zolk-cli"};
  app.set_version_flag("--version", std::string("zolk-cli ") + ZOLK_VERSION);
  app.require_subcommand(1, 1);
  cli::outcome result;
  host::host& h = host::default_host();
  cli::add_backup_commands(app, h, result);
  cli::add_restore_command(app, h, result);
  cli::add_history_commands(app, h, result);
  cli::add_job_commands(app, h, result);
  cli::add_prune_command(app, h, result);
  cli::add_verify_command(app, h, result);
  try {
    std::vector<std::string> arguments = host::program_arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(&argument[0]);
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    // --help and --version are successes; every other parse error is a usage error.
    return code == 0 ? cli::k_exit_ok : cli::k_exit_usage;
  }
  return result.status;
}
