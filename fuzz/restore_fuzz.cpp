// Change logs are untrusted: whatever they hold, a restore reads only inside the history
// folders and writes only inside its target. The input is split at its first 0xFF byte into
// the change logs of the two newer history folders of a small store, and the oldest point is
// restored through both.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/restore/restore_rollback.h"
#include "engine/restore/restore_run.h"
#include "engine/store/change_log.h"
#include "engine/testing/restore_test_tree.h"
#include "fuzz/fuzz_target.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::make_folders;
using testing_support::write_file;

const std::string k_hyo = "\x95\x5C";  // 表

struct fixture {
  testing_support::temp_folder tmp;
  std::string store = tmp.at("store");
  std::string target = tmp.at("target");
  restore_testing::tree outside;  // everything but the target and the fuzzed logs
  std::set<std::string> stored_bytes;

  fixture() {
    write_file(tmp.at("secret.txt"), "SECRET");
    make_folders(tmp.at("store/Zolk0001/docs"));
    make_folders(tmp.at("store/Zolk0001/" + k_hyo));
    make_folders(tmp.at("store/Zolk0002/docs/new"));
    make_folders(tmp.at("store/Zolk0003/docs/new"));
    make_folders(tmp.at("store/Zolk0003/c"));
    write_file(store + "/other.txt", "NOT HISTORY");
    put("Zolk0001/a.txt", "a1");
    put("Zolk0001/docs/x.txt", "x1");
    put("Zolk0001/" + k_hyo + "/s.txt", "s1");
    put("Zolk0002/b.txt", "b2");
    put("Zolk0002/docs/x.txt", "x2");
    put("Zolk0002/docs/new/y.txt", "y2");
    put("Zolk0003/a.txt", "a3");
    put("Zolk0003/docs/x.txt", "x3");
    put("Zolk0003/docs/new/y.txt", "y3");
    put("Zolk0003/c/z.txt", "z3");
    write_file(store + "/Zolk0001.Zcl", "C   \\a.txt\r\n");
    outside = restore_testing::tree_of(tmp.path());
  }

  void put(const std::string& relative, const std::string& bytes) {
    write_file(store + "/" + relative, bytes);
    stored_bytes.insert(bytes);
  }
};

fixture& shared() {
  static fixture f;
  return f;
}

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "restore_fuzz: %s\n", what);
  std::abort();
}

// The store's lock file is the one thing a restore may make outside its target.
bool is_fuzzed_or_target(const std::string& key) {
  return key == "target" || key.compare(0, 7, "target\\") == 0 || key == "store\\Zolk0002.Zcl" ||
         key == "store\\Zolk0003.Zcl" || key == "store\\.zolk-lock";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fixture& f = shared();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\xFF');
  write_file(f.store + "/Zolk0003.Zcl", input.substr(0, split));
  write_file(f.store + "/Zolk0002.Zcl", split == std::string::npos ? "" : input.substr(split + 1));

  // The reader and its index on their own: any bytes give lines, no line is lost.
  const engine::change_log log =
      engine::read_change_log(host::default_host(), f.store + "/Zolk0003");
  const engine::change_log_index index(log);
  check(index.size() <= log.size(), "more named paths than lines");

  // Every input restores over the tree the input before it left.
  engine::restore_request request{1, f.store, "src", f.target, true};
  engine::recording_log lines;
  engine::null_progress progress;
  engine::start_restore(host::default_host(), request, lines, progress);

  restore_testing::tree after = restore_testing::tree_of(f.tmp.path());
  for (auto it = after.begin(); it != after.end();) {
    if (is_fuzzed_or_target(it->first)) {
      it = after.erase(it);
    } else {
      ++it;
    }
  }
  check(after == f.outside, "something outside the target changed");
  for (const auto& entry : restore_testing::tree_of(f.target)) {
    if (entry.second == "<folder>") continue;
    const std::string bytes = entry.second.substr(entry.second.find(':') + 1);
    check(f.stored_bytes.count(bytes) != 0, "a restored file holds bytes from outside the history");
  }
  // The target is kept between inputs: whatever any input restored must pass the check.
  return 0;
}
