// Test support for prunes: random histories of a random tree, backed up run by run, with the
// tree each point must restore to.
#ifndef ZOLK_ENGINE_PRUNE_TEST_HISTORY_H
#define ZOLK_ENGINE_PRUNE_TEST_HISTORY_H

#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/backup/backup_run.h"
#include "engine/common/run_sinks.h"
#include "engine/history/prune_run.h"
#include "engine/restore/restore_run.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace prune_testing {

using snapshot = std::map<std::string, std::string>;  // relative path -> "<folder>" or bytes@time

inline snapshot take(const std::string& root) {
  snapshot out;
  for (const auto& [relative, content] : testing_support::list_tree(root, true)) {
    out[relative] =
        content == "<folder>"
            ? content
            : content + "@" + std::to_string(testing_support::file_time(root + "/" + relative));
  }
  return out;
}

// A source tree changed at random between runs: files made, rewritten and deleted, folders
// made and deleted, files turned into folders and back. Names include 表 and ソ, whose
// second byte is 0x5C, so that no path is cut inside a character.
class random_source {
 public:
  random_source(const std::string& root, unsigned seed) : root_(root), rng_(seed) {
    testing_support::make_folders(root);
  }

  void change() {
    const int steps = 1 + pick(6);
    for (int i = 0; i < steps; ++i) step();
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string random_path() {
    static const char* names[] = {"a", "b", "c.txt", "\x95\x5C", "\x83\x5C.doc"};
    std::string path = names[pick(5)];
    for (int depth = pick(3); depth > 0; --depth) path += std::string("/") + names[pick(5)];
    return path;
  }

  // Clears the way for an entry at `relative`: a file standing where a folder on its way
  // must be is removed (the folder takes its place).
  void clear_parents(const std::string& relative) {
    for (size_t at = relative.find('/'); at != std::string::npos; at = relative.find('/', at + 1)) {
      const std::string parent = root_ + "/" + relative.substr(0, at);
      if (testing_support::exists(parent) && !testing_support::is_folder(parent)) {
        testing_support::remove_tree(parent);
      }
    }
    const size_t last = relative.rfind('/');
    if (last != std::string::npos)
      testing_support::make_folders(root_ + "/" + relative.substr(0, last));
  }

  void step() {
    const std::string relative = random_path();
    const std::string path = root_ + "/" + relative;
    switch (pick(4)) {
      case 0:
      case 1:
        clear_parents(relative);
        if (testing_support::is_folder(path)) testing_support::remove_tree(path);
        testing_support::write_file(
            path, "v" + std::to_string(++version_) + std::string(pick(3) * 7, 'x'));
        testing_support::set_time(path, next_time());
        break;
      case 2:
        clear_parents(relative);
        if (testing_support::exists(path) && !testing_support::is_folder(path))
          testing_support::remove_tree(path);
        testing_support::make_folders(path);
        break;
      default:
        if (testing_support::exists(path)) testing_support::remove_tree(path);
        break;
    }
  }

  // Every write gets a time of its own: a run tells versions apart by time and size.
  uint32_t next_time() {
    ++clock_;
    return host::pack_time(
        host::calendar_time{2023, 5, 1 + clock_ / 1800, (clock_ / 30) % 24, clock_ % 30, 0});
  }

  std::string root_;
  std::mt19937 rng_;
  int version_ = 0;
  int clock_ = 0;
};

inline void backup(host::host& h, const std::string& src, const std::string& dst) {
  engine::recording_log log;
  engine::null_progress progress;
  engine::run_history_backup(h, src, dst, log, progress);
}

inline snapshot restored(host::host& h, const std::string& dst, int point,
                         const std::string& target) {
  engine::restore_request request;
  request.point = point;
  request.store = dst;
  request.target = target;
  engine::recording_log log;
  engine::null_progress progress;
  engine::start_restore(h, request, log, progress);
  const snapshot out = take(target);
  testing_support::remove_tree(target);
  return out;
}

inline engine::prune_result prune(host::host& h, engine::prune_request request) {
  engine::recording_log log;
  return engine::prune_store(h, request, log);
}

}  // namespace prune_testing

#endif
