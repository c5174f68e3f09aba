#include "engine/restore/restore_list.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "engine/restore/restore_rollback.h"

namespace {

using engine::restore_item;
using engine::restore_list;

const engine::shared_text k_newest = std::make_shared<const std::string>("s\\Zolk0002");
const engine::shared_text k_older = std::make_shared<const std::string>("s\\Zolk0001");

restore_item model(const std::string& folder, const std::string& name, bool is_folder,
                   const engine::shared_text& store = k_newest, int64_t size = 1) {
  restore_item item;
  item.store_folder = store;
  if (!folder.empty()) item.relative_folder = std::make_shared<const std::string>(folder);
  item.name = name;
  item.attributes = is_folder ? host::k_directory : host::k_archive;
  item.size = is_folder ? 0 : size;
  return item;
}

// Keys in list order, each with the last letters of its store folder ("0002").
std::vector<std::string> walk(const restore_list& list) {
  std::vector<std::string> out;
  for (const restore_item* i = list.first(); i != nullptr; i = i->next) {
    out.push_back(engine::item_key(*i) + "@" +
                  i->store_folder->substr(i->store_folder->size() - 4));
  }
  return out;
}

// docs\ (a.txt, sub\ (b.txt)), top.txt
restore_list sample() {
  restore_list list;
  list.append(model("", "docs", true));
  list.append(model("docs", "a.txt", false));
  list.append(model("docs", "sub", true));
  list.append(model("docs\\sub", "b.txt", false));
  list.append(model("", "top.txt", false));
  return list;
}

TEST(RestoreList, AFolderGoesWithEverythingUnderItAndAKeyIsListedOnce) {
  restore_list list = sample();
  list.remove(list.find("docs\\sub"));
  EXPECT_EQ(walk(list),
            (std::vector<std::string>{"docs@0002", "docs\\a.txt@0002", "top.txt@0002"}));
  list.append(model("", "docs", false));  // a file where the folder was
  EXPECT_EQ(walk(list), (std::vector<std::string>{"top.txt@0002", "docs@0002"}));
  EXPECT_EQ(list.find("docs\\a.txt"), nullptr);
  EXPECT_EQ(list.size(), 2u);
}

TEST(RestoreRollBack, OnlyTheFourCodesNamePathsWithOrWithoutTheLeadingSeparator) {
  engine::change_log log;
  for (const char* line : {"D   \\a.txt", "D-C docs\\b.txt", "C   \\c", "S   \\d", "D-X \\e",
                           "s   \\f", "D", "C   ", "D   \\\\g"}) {
    log.append(line);
  }
  const engine::change_log_index index(log);
  // Keys drop one leading separator only: "\\g" stays "\g".
  EXPECT_EQ(index.size(), 5u);
  for (const char* key : {"a.txt", "docs\\b.txt", "c", "d", "\\g"})
    EXPECT_TRUE(index.named(key)) << key;
  for (const char* key : {"e", "f", "g", "D", "docs", "b.txt"})
    EXPECT_FALSE(index.named(key)) << key;
  const std::string docs = "docs";
  EXPECT_TRUE(index.named(&docs, "b.txt"));
  EXPECT_FALSE(index.created(&docs, "b.txt"));
  std::unordered_set<std::string> created;
  index.for_each_created([&](std::string_view key) { created.emplace(key); });
  EXPECT_EQ(created, (std::unordered_set<std::string>{"c", "d"}));
}

TEST(RestoreRollBack, AMergedEntryKeepsTheListedFolderAWholeEntryReplacesIt) {
  restore_list older;
  older.append(model("", "docs", true, k_older));
  const restore_item* older_a = older.append(model("docs", "a.txt", false, k_older, 7));
  older.append(model("docs", "old.txt", false, k_older));

  restore_list merged = sample();
  engine::apply_older_entry(merged, *older.find("docs"), false);
  engine::apply_older_entry(merged, *older_a, false);
  EXPECT_EQ(walk(merged),
            (std::vector<std::string>{"docs@0002", "docs\\a.txt@0001", "docs\\sub@0002",
                                      "docs\\sub\\b.txt@0002", "top.txt@0002"}));
  EXPECT_EQ(merged.find("docs\\a.txt")->size, 7);

  restore_list replaced = sample();
  engine::apply_older_entry(replaced, *older.find("docs"), true);
  EXPECT_EQ(walk(replaced), (std::vector<std::string>{"top.txt@0002", "docs@0001",
                                                      "docs\\a.txt@0001", "docs\\old.txt@0001"}));

  // An entry whose folder the list lacks brings that folder along first.
  restore_list sparse;
  engine::apply_older_entry(sparse, *older_a, true);
  EXPECT_EQ(walk(sparse), (std::vector<std::string>{"docs@0001", "docs\\a.txt@0001"}));
}

}  // namespace
