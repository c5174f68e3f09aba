#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "engine/history/verify_store.h"
#include "platform/native_path.h"
#include "platform/terminal.h"

namespace cli {
namespace {

// Written as run-log lines are: the system's separators, control characters of names written out.
void print(const std::string& cp932_text) {
  console_log out;
  out.add_line(cp932_text);
}

size_t print_report(const engine::verify_report& r, const std::string& source) {
  size_t problems = r.store_problems.size();
  for (const std::string& p : r.store_problems) print("store: " + p);
  for (const engine::point_check& point : r.points) {
    print(point.point + (point.problems.empty() ? ": sound" : ": damaged"));
    for (const std::string& p : point.problems) print("  " + p);
    problems += point.problems.size();
  }
  if (r.compared) {
    print(r.differences.empty() ? "the newest point holds what " + source + " holds"
                                : "the newest point differs from " + source + ":");
    for (const std::string& d : r.differences) print("  " + d);
  }
  return problems;
}

int run_verify(host::host& h, const std::string& store, const std::string& source) {
  console_log log;
  engine::verify_report report = engine::verify_store(h, store, log);
  if (report.refused) {
    print_error("verify: " + host::terminal_text(host::shown_text(report.reason)));
    return k_exit_failed;
  }
  if (!source.empty()) engine::compare_with_source(h, store, source, report);
  const size_t problems = print_report(report, source);
  std::printf("%zu problems, %zu differences\n", problems, report.differences.size());
  return report.healthy() ? k_exit_ok : k_exit_failed;
}

}  // namespace

void add_verify_command(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string store, source;
  CLI::App* verify = app.add_subcommand(
      "verify",
      "Check that the history in DESTINATION is whole: its points numbered without a gap, every "
      "history folder and change log readable, every change-log line naming an entry that is "
      "there, no temporary files left. Each point is reported. With --source, the newest point "
      "is compared with SRC by content and the differences listed. Exit status 0 only when all "
      "is well");
  verify->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  verify->add_option("--source", source, "Compare the newest point with this folder");
  verify->callback([&h, &result] {
    result.status = run_verify(h, host::path_from_terminal(store),
                               source.empty() ? std::string() : host::path_from_terminal(source));
  });
}

}  // namespace cli
