// A third front end's view of a store: every command through the one way into it, with only
// the engine's public entry points, the typed points and the opened store.
#include "engine/history/opened_store.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/backup/backup_run.h"
#include "engine/history/point_changes.h"
#include "engine/history/point_versions.h"
#include "engine/history/prune_run.h"
#include "engine/history/verify_store.h"
#include "engine/restore/restore_run.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;
using tree = std::map<std::string, std::string>;

class OpenedStoreApi : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  int clock_ = 0;
  int targets_ = 0;

  void file(const std::string& rel, const std::string& bytes) {
    testing_support::make_folders(src + "/docs");
    testing_support::write_file(src + "/" + rel, bytes);
    testing_support::set_time(src + "/" + rel,
                              host::pack_time(host::calendar_time{2024, 5, 1, 8, 0, 2 * ++clock_}));
  }
  engine::run_summary backup(engine::recording_log& log) {
    engine::null_progress progress;
    return engine::run_history_backup(h, src, dst, log, progress);
  }
  // The tree restored from point `number` into a fresh target; nullopt when refused.
  std::optional<tree> restored(int number, engine::recording_log& log) {
    engine::null_progress progress;
    engine::restore_request request{number, dst, src, tmp.at("t" + std::to_string(++targets_))};
    const engine::run_summary summary = engine::start_restore(h, request, log, progress);
    if (!summary.ok()) return std::nullopt;
    return list_tree(request.target);
  }
  std::vector<int> numbers(const engine::opened_store& store) {
    std::vector<int> out;
    for (const engine::store_point& point : store.points()) out.push_back(point.number);
    return out;
  }

  // Three points: 0001 a.txt and docs/b.txt; 0002 a.txt changed, docs/b.txt deleted,
  // docs/c.txt new; 0003 a.txt changed again.
  std::vector<tree> make_history() {
    std::vector<tree> sources;
    engine::recording_log log;
    file("a.txt", "one");
    file("docs/b.txt", "b");
    EXPECT_TRUE(backup(log).ok());
    sources.push_back(list_tree(src));
    file("a.txt", "two!");
    testing_support::remove_tree(src + "/docs/b.txt");
    file("docs/c.txt", "c");
    EXPECT_TRUE(backup(log).ok());
    sources.push_back(list_tree(src));
    file("a.txt", "three");
    EXPECT_TRUE(backup(log).ok());
    sources.push_back(list_tree(src));
    return sources;
  }
};

TEST_F(OpenedStoreApi, EveryCommandWorksThroughTheOpenedStore) {
  const std::vector<tree> sources = make_history();
  {
    const engine::opened_store store = engine::open_store_to_read(h, dst);
    ASSERT_EQ(store.opened(), engine::opened_store::state::open);
    EXPECT_EQ(numbers(store), (std::vector<int>{3, 2, 1}));
    for (const engine::store_point& point : store.points()) {
      EXPECT_TRUE(point.finished);
      EXPECT_EQ(engine::point_list_entry(point), engine::point_digits(point) + ": " + point.time);
    }
    // Log: what the run of a point changed.
    const engine::point_changes_result second = engine::read_point_changes(store, 2);
    ASSERT_EQ(second.outcome, engine::point_changes_result::state::read);
    std::map<std::string, engine::change_kind> kinds;
    for (const engine::point_change& change : second.changes) kinds[change.path] = change.kind;
    EXPECT_EQ(kinds, (std::map<std::string, engine::change_kind>{
                         {"\\a.txt", engine::change_kind::changed},
                         {"docs\\b.txt", engine::change_kind::deleted},
                         {"docs\\c.txt", engine::change_kind::new_file}}));
    EXPECT_EQ(second.point_entry.substr(0, 6), "0002: ");
    // Versions: a path at every point, newest first.
    const engine::path_versions_result a = engine::read_path_versions(store, "a.txt");
    ASSERT_EQ(a.outcome, engine::path_versions_result::state::read);
    ASSERT_EQ(a.versions.size(), 3u);
    EXPECT_EQ(a.versions[0].size, 5);
    EXPECT_EQ(a.versions[1].size, 4);
    EXPECT_EQ(a.versions[2].size, 3);
    EXPECT_EQ(a.versions[2].stored_in, "Zolk0001");
    const engine::path_versions_result b = engine::read_path_versions(store, "docs/b.txt");
    ASSERT_EQ(b.versions.size(), 3u);
    EXPECT_FALSE(b.versions[0].present);
    EXPECT_TRUE(b.versions[1].deleted);
    EXPECT_TRUE(b.versions[2].present);
  }
  engine::recording_log log;
  for (int point = 1; point <= 3; ++point) {
    EXPECT_EQ(restored(point, log), sources[static_cast<size_t>(point - 1)]) << point;
  }
  engine::recording_log verify_log;
  EXPECT_TRUE(engine::verify_store(h, dst, verify_log).healthy());

  // Thinning point 0002 out leaves two points, numbered anew; each restores as before.
  engine::prune_request thin;
  thin.store = dst;
  thin.how = engine::prune_request::rule::point;
  thin.point = 2;
  engine::recording_log prune_log;
  EXPECT_EQ(engine::prune_store(h, thin, prune_log).status, engine::prune_result::outcome::pruned);
  {
    const engine::opened_store store = engine::open_store_to_read(h, dst);
    EXPECT_EQ(numbers(store), (std::vector<int>{2, 1}));
    EXPECT_EQ(engine::read_path_versions(store, "a.txt").versions.size(), 2u);
    EXPECT_EQ(engine::read_point_changes(store, 2).outcome,
              engine::point_changes_result::state::read);
  }
  EXPECT_EQ(restored(1, log), sources[0]);
  EXPECT_EQ(restored(2, log), sources[2]);
  EXPECT_TRUE(engine::verify_store(h, dst, verify_log).healthy());
}

TEST_F(OpenedStoreApi, WhileOneHoldsTheStoreEveryOtherCommandIsRefusedAndNothingChanges) {
  make_history();
  const tree before = list_tree(dst);
  std::optional<engine::opened_store> holder(engine::open_store_to_read(h, dst));
  ASSERT_TRUE(holder->locked());
  EXPECT_TRUE(holder->status().ok());
  const engine::opened_store second = engine::open_store_to_read(h, dst);
  EXPECT_EQ(second.opened(), engine::opened_store::state::busy);
  EXPECT_EQ(second.status().what, engine::status::code::busy);
  EXPECT_EQ(second.status().message, engine::msg::store_busy);
  EXPECT_EQ(second.status().path, dst);

  file("a.txt", "four");
  engine::recording_log log;
  const engine::run_summary run = backup(log);
  EXPECT_TRUE(run.refused);
  EXPECT_EQ(restored(1, log), std::nullopt);
  engine::prune_request drop;
  drop.store = dst;
  drop.keep_last = 1;
  const engine::prune_result pruned = engine::prune_store(h, drop, log);
  EXPECT_EQ(pruned.status, engine::prune_result::outcome::refused);
  EXPECT_EQ(pruned.reason, "the store " + dst + " is in use by another run");
  const engine::verify_report report = engine::verify_store(h, dst, log);
  EXPECT_TRUE(report.refused);
  EXPECT_EQ(report.reason, "the store " + dst + " is in use by another run");
  EXPECT_EQ(engine::read_point_changes(h, dst, 1).outcome,
            engine::point_changes_result::state::busy);
  EXPECT_EQ(engine::read_path_versions(h, dst, "a.txt").outcome,
            engine::path_versions_result::state::busy);
  EXPECT_EQ(list_tree(dst), before);

  holder.reset();
  EXPECT_TRUE(backup(log).ok());
  EXPECT_EQ(numbers(engine::open_store_to_read(h, dst)), (std::vector<int>{4, 3, 2, 1}));
}

TEST_F(OpenedStoreApi, ARestoreNamesItsPointAndTheAnswerSaysWhatItNeeds) {
  const std::vector<tree> sources = make_history();
  engine::null_progress progress;
  engine::restore_request request;  // the newest, unless a number is given
  request.store = dst;
  request.target = tmp.at("target");
  EXPECT_EQ(engine::check_restore(h, request), engine::restore_check::ready);
  engine::recording_log log;
  EXPECT_TRUE(engine::start_restore(h, request, log, progress).ok());
  EXPECT_EQ(list_tree(request.target), sources[2]);

  // Into a target that holds entries: the answer asks for consent, and the request carries it.
  request.point = 1;
  EXPECT_EQ(engine::check_restore(h, request), engine::restore_check::needs_consent);
  engine::run_summary refused = engine::start_restore(h, request, log, progress);
  EXPECT_TRUE(refused.refused);
  EXPECT_TRUE(refused.needs_consent);
  EXPECT_FALSE(refused.no_points);
  request.overwrite = true;
  EXPECT_EQ(engine::check_restore(h, request), engine::restore_check::ready);
  EXPECT_TRUE(engine::start_restore(h, request, log, progress).ok());
  EXPECT_EQ(engine::check_restore(h, engine::restore_request{9, dst, src, tmp.at("new")}),
            engine::restore_check::refused);
  EXPECT_EQ(engine::read_point_changes(h, dst, engine::point_choice::newest()).point_entry,
            engine::read_point_changes(h, dst, 3).point_entry);
}

TEST_F(OpenedStoreApi, AFolderWithoutPointsIsAnsweredEmptyAndGainsNothing) {
  testing_support::make_folders(dst);
  const engine::opened_store store = engine::open_store_to_read(h, dst);
  EXPECT_EQ(store.opened(), engine::opened_store::state::empty);
  EXPECT_EQ(store.status().what, engine::status::code::no_points);
  EXPECT_FALSE(store.status().message.has_value());
  EXPECT_FALSE(store.locked());
  EXPECT_TRUE(store.points().empty());
  EXPECT_TRUE(list_tree(dst).empty());  // not even a lock file
  EXPECT_EQ(engine::read_point_changes(h, dst, 1).outcome,
            engine::point_changes_result::state::no_store);
  EXPECT_EQ(engine::read_path_versions(h, dst, "a.txt").outcome,
            engine::path_versions_result::state::no_store);
  // A restore of the newest point of no store: its own answer, no line, nothing made.
  engine::recording_log log;
  engine::null_progress progress;
  engine::restore_request request;
  request.store = dst;
  request.target = tmp.at("target");
  const engine::run_summary none = engine::start_restore(h, request, log, progress);
  EXPECT_TRUE(none.refused);
  EXPECT_TRUE(none.no_points);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(engine::check_restore(h, request), engine::restore_check::refused);
  EXPECT_TRUE(list_tree(dst).empty());
}

}  // namespace
