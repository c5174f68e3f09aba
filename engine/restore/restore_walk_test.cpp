#include "engine/restore/restore_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "engine/common/paths.h"
#include "engine/store/change_log.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::temp_folder;

// Key -> where the copy comes from and what it is, for the whole point.
using point_map = std::map<std::string, std::string>;

std::string describe(const engine::restore_item& item) {
  return *item.store_folder + "|" + std::to_string(item.time) + "|" + std::to_string(item.size) +
         "|" + std::to_string(item.attributes);
}

// Random history folders and change logs: entries that come and go, files turned folders
// and back, logs naming paths that are there, that are not, and that lie deeper or higher.
class store_maker {
 public:
  store_maker(unsigned seed, const std::string& store) : random_(seed), store_(store) {}

  std::vector<std::string> make(int count) {
    std::vector<std::string> folders;  // newest first
    for (int i = count; i >= 1; --i) {
      const std::string folder = store_ + "/Zolk000" + std::to_string(i);
      fs::create_directories(folder);
      fill(folder, "", 0);
      folders.push_back(folder);
    }
    for (size_t i = 0; i + 1 < folders.size(); ++i) write_log(folders[i]);
    return folders;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  void fill(const std::string& folder, const std::string& relative, int depth) {
    const int count = pick(0, depth == 0 ? 8 : 4);
    for (int i = 0; i < count; ++i) {
      const std::string name = std::string(1, static_cast<char>('a' + pick(0, 5)));
      const std::string key = relative.empty() ? name : relative + "\\" + name;
      const std::string path =
          folder + "/" + (relative.empty() ? name : native(relative) + "/" + name);
      if (fs::exists(fs::symlink_status(path))) continue;
      paths_.push_back(key);
      if (depth < 3 && pick(0, 2) == 0) {
        fs::create_directory(path);
        fill(folder, key, depth + 1);
      } else if (pick(0, 12) == 0) {
        testing_support::link_or_file(".", path);
      } else {
        testing_support::write_file(path, std::string(static_cast<size_t>(pick(0, 9)), 'x'));
      }
    }
  }

  static std::string native(std::string relative) {
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    return relative;
  }

  void write_log(const std::string& folder) {
    static const char* const codes[] = {"D   ", "D-C ", "C   ", "S   ", "N   "};
    std::string text;
    const int lines = pick(0, 10);
    for (int i = 0; i < lines && !paths_.empty(); ++i) {
      std::string path = paths_[static_cast<size_t>(pick(0, static_cast<int>(paths_.size()) - 1))];
      if (path.find('\\') == std::string::npos && pick(0, 1) == 0) path = "\\" + path;
      text += std::string(codes[pick(0, 4)]) + path + "\r\n";
    }
    testing_support::write_file(folder + ".Zcl", text);
  }

  std::mt19937 random_;
  std::string store_;
  std::vector<std::string> paths_;
};

TEST(RestoreWalk, BringsBackWhatTheWholeListRollBackDoesOnRandomStores) {
  for (unsigned seed = 1; seed <= 80; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    temp_folder store;
    std::mt19937 pick(seed);
    const int points = 1 + static_cast<int>(pick() % 4);
    const std::vector<std::string> folders = store_maker(seed, store.path()).make(points);
    host::fault_host h(host::default_host());
    h.fail_path(host::call_kind::search, "\\b\\c");  // a folder of the store that cannot be read

    for (size_t depth = 0; depth < folders.size(); ++depth) {
      // The oracle: the newest folder's whole list, rolled back folder after folder.
      engine::restore_list list;
      engine::gather_folder_items(h, list, std::make_shared<const std::string>(folders[0]),
                                  nullptr);
      std::vector<engine::change_log_index> logs(1);
      for (size_t i = 1; i <= depth; ++i) {
        logs.emplace_back(engine::read_change_log(h, folders[i - 1]));
        engine::roll_back_folder(h, list, std::make_shared<const std::string>(folders[i]),
                                 logs.back());
      }
      point_map expected;
      std::vector<std::string> expected_order;
      for (const engine::restore_item* item = list.first(); item != nullptr; item = item->next) {
        expected[engine::item_key(*item)] = describe(*item);
        expected_order.push_back(engine::item_key(*item));
      }

      engine::restore_walk walk(
          h,
          std::vector<std::string>(folders.begin(), folders.begin() + static_cast<long>(depth) + 1),
          std::move(logs));
      point_map got;
      std::vector<std::string> order;
      walk.walk([&](const engine::restore_item& item) {
        const std::string key = engine::item_key(item);
        EXPECT_EQ(got.count(key), 0u) << key;
        // A folder always comes before its contents.
        if (item.relative_folder) {
          EXPECT_EQ(got.count(*item.relative_folder), 1u) << key;
        }
        got[key] = describe(item);
        order.push_back(key);
        return true;
      });
      EXPECT_EQ(got, expected) << "point " << depth;
      if (depth == 0) {
        EXPECT_EQ(order, expected_order);
      }
    }
  }
}

TEST(RestoreWalk, StopsWhenTheVisitSaysSo) {
  temp_folder store;
  testing_support::make_folders(store.at("Zolk0001/a"));
  testing_support::write_file(store.at("Zolk0001/a/f"), "1");
  testing_support::write_file(store.at("Zolk0001/g"), "1");
  engine::restore_walk walk(host::default_host(), {store.at("Zolk0001")}, {});
  int seen = 0;
  EXPECT_FALSE(walk.walk([&](const engine::restore_item&) { return ++seen < 2; }));
  EXPECT_EQ(seen, 2);
}

}  // namespace
