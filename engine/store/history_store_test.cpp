#include "engine/store/history_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::temp_folder;
using testing_support::write_file;

std::vector<std::string> names(const engine::folder_tree& list) {
  std::vector<std::string> out;
  for (const engine::folder_node* n = list.first(); n != nullptr; n = n->next)
    out.push_back(n->name);
  return out;
}

TEST(HistoryStore, RecognisesAndOrdersHistoryFoldersOnly) {
  temp_folder tmp;
  host::host& h = host::default_host();
  for (const char* name :
       {"Zolk0001", "Zolk0005", "zolk0004", "ZOLK0003", "Backup", "Zolk003", "Zolk00010"}) {
    ASSERT_TRUE(h.create_folder(tmp.at(name)));
  }
  write_file(tmp.at("Zolk0006"), "a file, not a folder");
  write_file(tmp.at("Zolk0003.txt"), "");
  engine::folder_tree list = engine::scan_history_folders(h, tmp.path());
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"Zolk0005", "zolk0004", "ZOLK0003", "Zolk0001"}));
  ASSERT_NE(list.first(), nullptr);
  ASSERT_NE(list.first()->date_text, nullptr);
  EXPECT_FALSE(list.first()->date_text->empty());
  EXPECT_EQ(list.first()->next->prev, list.first());
  // The point list takes every letter case: a store copied elsewhere may come back in any.
  const std::vector<std::string> points = engine::restore_point_entries(h, tmp.path());
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0].substr(0, 6), "0005: ");
  EXPECT_EQ(points[1].substr(0, 6), "0004: ");
  EXPECT_EQ(points[2].substr(0, 6), "0003: ");
  EXPECT_EQ(points[3].substr(0, 6), "0001: ");
  EXPECT_TRUE(engine::scan_history_folders(h, tmp.at("missing")).empty());
}

TEST(HistoryStore, PointsCarryTheirFolderNumberWhateverTheLetterCase) {
  EXPECT_EQ(engine::history_folder_number("Zolk0003"), 3);
  EXPECT_EQ(engine::history_folder_number("zOLK0120"), 120);
  EXPECT_EQ(engine::history_folder_number("Zolk9999"), 9999);
  EXPECT_EQ(engine::history_folder_number("Zolk0000"), 0);
  for (const char* other : {"Zolk12ab", "Zolk003", "Zolk00010", "ZOLK_OLD", ""}) {
    EXPECT_EQ(engine::history_folder_number(other), -1) << other;
  }
  temp_folder tmp;
  host::host& h = host::default_host();
  for (const char* name : {"zolk0002", "ZOLK0010"}) ASSERT_TRUE(h.create_folder(tmp.at(name)));
  const std::vector<engine::store_point> points = engine::list_store_points(h, tmp.path());
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].number, 10);
  EXPECT_EQ(points[0].folder, "ZOLK0010");
  EXPECT_EQ(points[1].number, 2);
  EXPECT_EQ(engine::point_digits(points[0]), "0010");
  EXPECT_EQ(engine::point_entry(points[1]), "0002: " + points[1].time);
  EXPECT_EQ(engine::point_list_entry(points[1]), engine::point_entry(points[1]));
  engine::store_point cut = points[0];
  cut.finished = false;
  // The unfinished mark follows the entry, so the number still leads it.
  EXPECT_EQ(engine::point_list_entry(cut).rfind(engine::point_entry(cut), 0), 0u);
  EXPECT_GT(engine::point_list_entry(cut).size(), engine::point_entry(cut).size());
}

TEST(HistoryStore, FoldersNamedLikeHistoryWithoutFourDigitsAreTheUsers) {
  temp_folder tmp;
  host::host& h = host::default_host();
  for (const char* name : {"Zolk0002", "ZOLK_OLD", "zolkabcd", "Zolk12ab", "Zolk 001", "Zolk-001",
                           "Zolk+123", "ZolkOOO1"}) {
    ASSERT_TRUE(h.create_folder(tmp.at(name)));
  }
  EXPECT_EQ(names(engine::scan_history_folders(h, tmp.path())),
            (std::vector<std::string>{"Zolk0002"}));
  EXPECT_TRUE(engine::is_history_folder_name("zOlK9999"));
  EXPECT_FALSE(engine::is_history_folder_name("Zolk10000"));
  EXPECT_FALSE(engine::is_history_folder_name("Zolk\001"));
}

// A store on a read-only disk, copied from a CD or marked by hand still lists every point:
// only the name and the folder bit count.
TEST(HistoryStore, AttributeBitsBesidesTheFolderBitDoNotMatter) {
  temp_folder tmp;
  for (const char* name : {"Zolk0001", "Zolk0002", "Zolk0003"}) {
    ASSERT_TRUE(host::default_host().create_folder(tmp.at(name)));
  }
  write_file(tmp.at("Zolk0004"), "still a file, never a point");
  host::fault_host marked(host::default_host());
  const std::vector<std::string> all = {"Zolk0003", "Zolk0002", "Zolk0001"};
  for (uint32_t bits : {host::k_read_only, host::k_archive, host::k_hidden | host::k_system,
                        host::k_read_only | host::k_hidden | host::k_system | host::k_archive}) {
    marked.add_reported_attributes(bits);
    EXPECT_EQ(names(engine::scan_history_folders(marked, tmp.path())), all) << bits;
    EXPECT_EQ(engine::restore_point_entries(marked, tmp.path()).size(), 3u) << bits;
  }
#ifndef _WIN32
  ASSERT_EQ(chmod(tmp.at("Zolk0002").c_str(), 0555), 0);
  EXPECT_EQ(names(engine::scan_history_folders(host::default_host(), tmp.path())), all);
  chmod(tmp.at("Zolk0002").c_str(), 0755);
#endif
}

TEST(HistoryStore, NextNames) {
  const auto next = [](const std::string& name) {
    engine::folder_node node;
    node.name = name;
    return engine::next_history_folder_name(&node);
  };
  EXPECT_EQ(next("Zolk0007"), "Zolk0008");
  EXPECT_EQ(next("Zolk0099"), "Zolk0100");
  EXPECT_EQ(next("Zolk9999"), "Zolk10000");
  EXPECT_EQ(next("Zolk12ab"), "Zolk0013");
  EXPECT_EQ(next("Zolkabcd"), "Zolk0001");
  EXPECT_EQ(engine::next_history_folder_name(nullptr), "");
}

}  // namespace
