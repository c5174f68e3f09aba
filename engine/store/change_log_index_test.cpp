#include "engine/store/change_log_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/testing/temp_folder.h"

namespace {

// Paths from a small alphabet, so that keys repeat, differ only in a leading separator, or
// are the folder of another key.
std::string random_path(std::mt19937& random) {
  static const char* const parts[] = {"a", "b", "\x95\x5C", "long name", "A"};
  std::string path = random() % 3 == 0 ? "" : "\\";
  const int depth = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < depth; ++i) {
    if (i > 0) path += '\\';
    path += parts[random() % 5];
  }
  return path;
}

// The index against two plain sets built from the same lines, over random logs read from
// the file, for every key the logs could name and some they cannot: held in memory, and
// spilled to a file past budgets that cut the logs into one run or dozens.
TEST(ChangeLogIndex, AgreesWithPlainSetsOnRandomLogs) {
  static const char* const codes[] = {"D   ", "D-C ", "C   ", "S   ", "N   ", "d   ", "D-C", ""};
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const engine::index_spill spill{&h, tmp.path(), "index.tmp", round % 3 == 1 ? 1u : 300u};
    std::string file;
    std::unordered_set<std::string> named, created, asked;
    const int lines = static_cast<int>(random() % 40);
    for (int i = 0; i < lines; ++i) {
      const std::string code = codes[random() % 8];
      const std::string path = random_path(random);
      file += code + path + (random() % 2 ? "\r\n" : "\n");
      const std::string key = engine::change_log_key(path);
      asked.insert(key);
      asked.insert("\\" + key);
      if (code.size() != 4 || key.empty()) continue;
      const bool creates = code == "C   " || code == "S   ";
      if (creates || code == "D   " || code == "D-C ") named.insert(key);
      if (creates) created.insert(key);
    }
    testing_support::write_file(tmp.at("Zolk0002.Zcl"), file);
    engine::change_log_state state = engine::change_log_state::missing;
    const engine::change_log_index index = engine::change_log_index::read(
        h, tmp.at("Zolk0002"), state, round % 3 == 0 ? nullptr : &spill);
    ASSERT_EQ(state, engine::change_log_state::read);
    EXPECT_FALSE(index.failed());
    EXPECT_EQ(index.size(), named.size());
    EXPECT_EQ(index.created_count(), created.size());
    for (const std::string& key : asked) {
      EXPECT_EQ(index.named(key), named.count(key) != 0) << key;
      EXPECT_EQ(index.created(key), created.count(key) != 0) << key;
      // The same key asked as a folder and a name in it.
      const size_t cut = key.rfind('\\');
      if (cut == std::string::npos || cut == 0) continue;
      const std::string folder = key.substr(0, cut);
      EXPECT_EQ(index.named(&folder, std::string_view(key).substr(cut + 1)), named.count(key) != 0);
    }
    std::unordered_set<std::string> listed;
    index.for_each_created([&](std::string_view key) { EXPECT_TRUE(listed.emplace(key).second); });
    EXPECT_EQ(listed, created);
  }
  EXPECT_FALSE(h.exists(tmp.at("index.tmp")));  // each index removed its file when it went
}

// Past its budget a large log is held in a filter and a sample: a small part of what the
// index held in memory.
TEST(ChangeLogIndex, ASpilledIndexHoldsLittleOfALargeLog) {
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  std::string file;
  for (int i = 0; i < 50000; ++i) {
    file += (i % 2 ? "C   \\folder " : "D   \\folder ") + std::to_string(i / 100) +
            "\\a file with a longer name " + std::to_string(i) + "\r\n";
  }
  testing_support::write_file(tmp.at("Zolk0002.Zcl"), file);
  engine::change_log_state state = engine::change_log_state::missing;
  const engine::change_log_index whole =
      engine::change_log_index::read(h, tmp.at("Zolk0002"), state);
  const engine::index_spill spill{&h, tmp.path(), "index.tmp", 64 * 1024};
  const engine::change_log_index spilled =
      engine::change_log_index::read(h, tmp.at("Zolk0002"), state, &spill);
  EXPECT_TRUE(h.exists(tmp.at("index.tmp")));
  EXPECT_EQ(spilled.size(), 50000u);
  EXPECT_EQ(spilled.created_count(), 25000u);
  EXPECT_LT(spilled.memory() * 10, whole.memory());
  const std::string folder = "folder 7";
  EXPECT_TRUE(spilled.named(&folder, "a file with a longer name 700"));
  EXPECT_FALSE(spilled.created(&folder, "a file with a longer name 700"));
  EXPECT_TRUE(spilled.created(&folder, "a file with a longer name 701"));
  EXPECT_FALSE(spilled.named(&folder, "a file with a longer name 800"));
}

}  // namespace
