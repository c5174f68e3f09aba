#include <cstdio>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "engine/history/prune_run.h"
#include "platform/native_path.h"
#include "platform/terminal.h"

namespace cli {
namespace {

constexpr const char* k_loss_note =
    "Note: a point that goes takes with it the last stored copy of every file deleted, and of "
    "every version replaced, before the next point was made.";

// Written as run-log lines are: the system's separators, control characters of names written out.
void print(const std::string& cp932_text) {
  console_log out;
  out.add_line(cp932_text);
}

void print_plan(const engine::prune_result& r, bool dry_run) {
  const std::string verb = dry_run ? "would drop " : "dropped ";
  for (const std::string& point : r.dropped) print(verb + point);
  if (!r.thinned.empty()) print((dry_run ? "would thin " : "thinned ") + r.thinned);
  for (const auto& [from, to] : r.renumbered) {
    print(std::string(dry_run ? "would renumber " : "renumbered ") + from + " -> " + to);
  }
  std::printf("%s %lld %s, %lld bytes\n", dry_run ? "would free" : "freed",
              static_cast<long long>(r.files_freed), r.files_freed == 1 ? "file" : "files",
              static_cast<long long>(r.bytes_freed));
  std::printf("%s\n", k_loss_note);
}

int run_prune(host::host& h, const engine::prune_request& request) {
  console_log log;
  const engine::prune_result r = engine::prune_store(h, request, log);
  using outcome = engine::prune_result::outcome;
  switch (r.status) {
    case outcome::nothing_to_do:
      std::printf("nothing to prune\n");
      return k_exit_ok;
    case outcome::pruned:
      print_plan(r, request.dry_run);
      return k_exit_ok;
    case outcome::refused:
    case outcome::failed:
      break;
  }
  const std::string reason =
      r.cut_prune_waits ? text(ct::cut_prune_waits_1) + request.store + text(ct::cut_prune_waits_2)
                        : r.reason;
  print_error("prune: " + host::terminal_text(host::shown_text(reason)));
  return k_exit_failed;
}

}  // namespace

void add_prune_command(CLI::App& app, host::host& h, outcome& result) {
  // Option values must outlive this function: CLI11 writes them when it parses.
  static std::string store, since, point;
  static int keep_last = 0;
  static bool dry_run = false;
  CLI::App* prune = app.add_subcommand(
      "prune",
      "Drop the oldest points of the history in DESTINATION (--keep-last, --keep-since), or thin "
      "out one point (--point): its versions that the point before it also needs are kept there, "
      "so every point left restores exactly as before. The points left are numbered 0001, 0002, "
      "... again. A point that goes takes with it the last stored copy of every file deleted, and "
      "of every version replaced, before the next point was made. The newest point is never "
      "pruned; a store whose newest backup did not finish is refused until a backup completes it");
  prune->add_option("DESTINATION", store, "The folder that keeps the history")->required();
  CLI::Option* last = prune->add_option("--keep-last", keep_last, "Keep the N newest points")
                          ->check(CLI::PositiveNumber);
  CLI::Option* date = prune->add_option(
      "--keep-since", since,
      "Keep the points made on or after DATE (YYYY-MM-DD [HH:MM[:SS]]), and the newest");
  CLI::Option* one =
      prune->add_option("--point", point, "Prune the point with these four digits (0003)");
  last->excludes(date)->excludes(one);
  date->excludes(one);
  prune->add_flag("--dry-run", dry_run, "Only list what would go and how much space it frees");
  prune->callback([&h, &result, last, date, one] {
    engine::prune_request request;
    request.store = host::path_from_terminal(store);
    request.dry_run = dry_run;
    if (*last) {
      request.how = engine::prune_request::rule::keep_last;
      request.keep_last = keep_last;
    } else if (*date) {
      request.how = engine::prune_request::rule::keep_since;
      if (!engine::parse_prune_date(since, request.since)) {
        print_error("--keep-since takes a date such as 2026-12-01 or 2026-12-01 18:30");
        result.status = k_exit_usage;
        return;
      }
    } else if (*one) {
      request.how = engine::prune_request::rule::point;
      const bool digits =
          point.size() == 4 && point.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || point == "0000") {
        print_error("--point takes the four digits of a restore point (0003)");
        result.status = k_exit_usage;
        return;
      }
      request.point = std::stoi(point);
    } else {
      print_error("prune needs one of --keep-last, --keep-since or --point");
      result.status = k_exit_usage;
      return;
    }
    result.status = run_prune(h, request);
  });
}

}  // namespace cli
