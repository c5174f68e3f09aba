// zolk-cli jobs and zolk-cli run: the jobs of the desktop program's settings file.
#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "jobs/settings_file.h"
#include "platform/terminal.h"

namespace cli {
namespace {

// A loaded settings file, or the exit status that ends the command.
struct loaded_jobs {
  std::string path;
  jobs::job_list list;
  int failure = -1;  // an exit status when the file could not be used
  bool damaged = false;
};

loaded_jobs load(host::host& h, const std::string& settings_argument) {
  loaded_jobs out;
  const bool named = !settings_argument.empty();
  out.path = named ? host::path_from_terminal(settings_argument) : jobs::default_settings_path(h);
  jobs::settings_file file{out.path};
  jobs::load_options options;
  options.create_when_missing = false;  // zolk-cli only reads the settings
  const jobs::load_result r = jobs::load_settings(h, file, out.list, options);
  switch (r.status) {
    case jobs::load_status::loaded:
    case jobs::load_status::created:
      break;
    case jobs::load_status::missing:
      // No file where the desktop program would keep one means no job yet; a file the user
      // named must be there.
      if (named) {
        print_error("no settings file " + host::terminal_text(out.path));
        out.failure = k_exit_usage;
      }
      break;
    case jobs::load_status::damaged:
      print_error("the settings file " + host::terminal_text(out.path) +
                  " is damaged; only its whole records are used");
      out.damaged = true;
      break;
    case jobs::load_status::unreadable:
    case jobs::load_status::create_failed:
      print_error("cannot read the settings file " + host::terminal_text(out.path));
      out.failure = k_exit_failed;
      break;
  }
  return out;
}

// A text as one tab-separated field: tabs and line breaks, which a field can hold only
// when pasted, would split the line, so they become spaces.
std::string field(const std::string& cp932_text) {
  std::string text = host::terminal_text(cp932_text);
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

int list_jobs(host::host& h, const std::string& settings_argument) {
  const loaded_jobs loaded = load(h, settings_argument);
  if (loaded.failure >= 0) return loaded.failure;
  for (const jobs::job_record* r = loaded.list.first(); r != nullptr; r = r->next) {
    if (r->job_kind != jobs::k_history_backup_kind) continue;
    std::printf("%s\t%s\t%s\t%s\n", field(r->text(jobs::k_job_name)).c_str(),
                field(r->text(jobs::k_source_folder)).c_str(),
                field(r->text(jobs::k_destination_folder)).c_str(),
                field(r->text(jobs::k_job_comment)).c_str());
  }
  return loaded.damaged ? k_exit_failed : k_exit_ok;
}

int run_job(host::host& h, const std::string& job_argument, const std::string& settings_argument) {
  const loaded_jobs loaded = load(h, settings_argument);
  if (loaded.failure >= 0) return loaded.failure;
  const std::string name = host::text_from_terminal(job_argument);
  for (const jobs::job_record* r = loaded.list.first(); r != nullptr; r = r->next) {
    if (r->job_kind == jobs::k_history_backup_kind && r->text(jobs::k_job_name) == name) {
      return run_backup(h, r->text(jobs::k_source_folder), r->text(jobs::k_destination_folder));
    }
  }
  print_error("no job named \"" + job_argument + "\" in " + host::terminal_text(loaded.path) +
              " (zolk-cli jobs lists them)");
  return k_exit_usage;
}

}  // namespace

void add_job_commands(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string list_settings, run_settings, job;
  const char* settings_help =
      "The settings file to read (default: Zcli.dat beside the program, else in the user's "
      "configuration folder, as the desktop program keeps it)";

  CLI::App* list = app.add_subcommand(
      "jobs",
      "List the history backup jobs, one a line: name, source, destination, comment "
      "(tab-separated)");
  list->add_option("--settings", list_settings, settings_help);
  list->callback([&h, &result] { result.status = list_jobs(h, list_settings); });

  CLI::App* run = app.add_subcommand(
      "run",
      "Back up the first job named JOB, exactly as backup would on its folders (the same "
      "summary line, the same Ctrl-C)");
  run->add_option("JOB", job, "The job's name")->required();
  run->add_option("--settings", run_settings, settings_help);
  run->callback([&h, &result] { result.status = run_job(h, job, run_settings); });
}

}  // namespace cli
