// A source and a store in a temporary folder, runs and restores through a fault host, for
// the tests of how runs keep their store.
#ifndef ZOLK_ENGINE_STORE_TEST_FIXTURE_H
#define ZOLK_ENGINE_STORE_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/backup/backup_run.h"
#include "engine/restore/restore_run.h"
#include "engine/store/history_store.h"
#include "engine/testing/point_text.h"
#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace store_test {

using testing_support::exists;
using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::remove_tree;
using testing_support::write_file;
using tree = std::map<std::string, std::string>;

inline std::string u(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

class store_fixture : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  host::fault_host faults{host::default_host()};
  int clock_ = 0;
  int restores_ = 0;

  void SetUp() override { make_folders(src); }

  // Writes a source file with a time of its own, so every write counts as a change.
  void file(const std::string& rel, const std::string& bytes) {
    write_file(src + "/" + rel, bytes);
    testing_support::set_time(src + "/" + rel, host::pack_time(host::calendar_time{
                                                   2022, 3, 1, 9, clock_ / 30, 2 * (clock_ % 30)}));
    ++clock_;
  }
  std::vector<std::string> run(engine::run_summary* summary = nullptr) {
    engine::recording_log log;
    engine::null_progress progress;
    const engine::run_summary s = engine::run_history_backup(faults, src, dst, log, progress);
    if (summary != nullptr) *summary = s;
    std::vector<std::string> lines;
    for (const std::string& line : log.lines()) lines.push_back(u(line));
    return lines;
  }
  tree restored(const std::string& point, engine::run_summary* summary = nullptr,
                std::vector<std::string>* lines = nullptr) {
    const std::string target = tmp.at("restore" + std::to_string(++restores_));
    engine::recording_log log;
    engine::null_progress progress;
    const engine::run_summary s = engine::start_restore(
        faults, engine::restore_request{testing_support::point_in_text(point), dst, src, target},
        log, progress);
    if (summary != nullptr) *summary = s;
    if (lines != nullptr) {
      for (const std::string& line : log.lines()) lines->push_back(u(line));
    }
    return list_tree(target);
  }
  std::vector<std::string> points() {
    return engine::restore_point_entries(host::default_host(), dst);
  }
  static bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

}  // namespace store_test

#endif
