#include "engine/backup/stream_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "engine/common/file_copy.h"
#include "engine/common/paths.h"
#include "engine/store/change_check.h"
#include "platform/packed_time.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::temp_folder;

const uint32_t k_t1 = host::pack_time(host::calendar_time{2020, 1, 2, 3, 4, 6});
const uint32_t k_t2 = host::pack_time(host::calendar_time{2021, 5, 6, 7, 8, 10});

// What a run reads of a finding's node beyond its path.
std::string state_of(const engine::folder_node& node) {
  return std::to_string(node.size) + " " + std::to_string(node.time) + " " +
         std::to_string(node.attributes);
}

// Records what a pass finds, as "K relative\path", and each node's state.
class recording_sink : public engine::difference_sink {
 public:
  void found(char kind, const engine::folder_node& node) override {
    seen.push_back(std::string(1, kind) + " " + engine::relative_path(node));
    states.push_back(state_of(node));
  }
  std::vector<std::string> seen;
  std::vector<std::string> states;
};

std::vector<std::string> streamed(host::host& h, const std::string& copy, const std::string& source,
                                  const engine::comparison_survey* survey) {
  recording_sink sink;
  engine::stream_deleted_entries(h, copy, source, sink, survey ? &survey->deleted_in : nullptr);
  engine::stream_new_and_changed_entries(h, copy, source, engine::k_trust_every_time, sink,
                                         survey ? &survey->new_in : nullptr);
  return sink.seen;
}

// What a run applies: the survey's record, or passes over the folders it marked.
recording_sink delivered(host::host& h, const std::string& copy, const std::string& source,
                         const engine::comparison_survey& survey) {
  recording_sink sink;
  engine::deliver_deleted_entries(h, copy, source, survey, sink);
  engine::deliver_new_and_changed_entries(h, copy, source, engine::k_trust_every_time, survey,
                                          sink);
  return sink;
}

// What a run would plan for the whole-tree comparison: a new folder with all in it.
void count_subtree(const engine::folder_node& node, int64_t& entries, int64_t& bytes) {
  ++entries;
  if (!node.is_folder()) {
    bytes += static_cast<int64_t>(node.size);
    return;
  }
  for (const engine::folder_node* n = node.first_child; n != nullptr; n = n->next) {
    if (!n->is_special) count_subtree(*n, entries, bytes);
  }
}

std::string under(const std::string& root, const engine::folder_node& node) {
  return engine::path_join(root, node.folder_path ? engine::piece(*node.folder_path) : std::nullopt,
                           node.name);
}

// The whole-tree comparison, as the oracle for the streaming one.
struct oracle {
  std::vector<std::string> findings;
  std::vector<std::string> states;
  engine::comparison_survey survey;

  oracle(host::host& h, const std::string& copy, const std::string& source) {
    const engine::folder_tree p = engine::scan_folder_tree(h, copy);
    const engine::folder_tree s = engine::scan_folder_tree(h, source);
    engine::difference_list list = engine::compare_trees(p, s);
    for (const engine::difference_entry* e = list.first(); e != nullptr; e = e->next) {
      findings.push_back(std::string(1, e->kind) + " " + engine::relative_path(*e->node));
      states.push_back(state_of(*e->node));
      ++survey.differences;
      if (e->kind == 'S') {
        count_subtree(*e->node, survey.entries, survey.bytes);
      } else {
        ++survey.entries;
        if (e->kind != 'D') survey.bytes += static_cast<int64_t>(e->node->size);
      }
    }
    for (const engine::folder_node* n : s.special_nodes())
      survey.special_paths.push_back(under(source, *n));
    survey.leftover_paths = s.leftovers();
    for (const engine::folder_node* n : s.unreadable_folders())
      survey.unreadable_paths.push_back(under(source, *n));
    for (const engine::folder_node* n : p.special_nodes())
      survey.store_link_paths.push_back(under(copy, *n));
    survey.store_leftovers = p.leftovers();
  }
};

// Random trees that share most names, so that every kind of finding turns up: deleted and
// new files and folders, files turned folders and back, changed times and lengths, links
// and FIFOs, temporary-copy names, folders that cannot be listed or entered.
class tree_maker {
 public:
  explicit tree_maker(unsigned seed) : random_(seed) {}

  void fill(const std::string& copy, const std::string& source, int depth) {
    const int count = pick(2, depth == 0 ? 30 : 12);
    for (int i = 0; i < count; ++i) {
      const std::string name = name_at(depth);
      const std::string c = copy + "/" + name;
      const std::string s = source + "/" + name;
      if (fs::exists(fs::symlink_status(c)) || fs::exists(fs::symlink_status(s))) continue;
      switch (pick(0, 15)) {
        case 0:
          file(c, k_t1, "a");
          break;  // deleted file
        case 1:
          file(s, k_t1, "a");
          break;  // new file
        case 2:
          file(c, k_t1, "a");
          file(s, k_t1, "a");
          break;  // same
        case 3:
          file(c, k_t1, "a");
          file(s, k_t2, "a");
          break;  // newer
        case 4:
          file(c, k_t1, "a");
          file(s, k_t1, "ab");
          break;  // longer
        case 5:
          file(c, k_t1, "a");
          folder(s, depth);
          break;  // file became folder
        case 6:
          folder(c, depth);
          file(s, k_t1, "a");
          break;  // folder became file
        case 7:
          folder(c, depth);
          break;  // deleted folder
        case 8:
          folder(s, depth);
          break;  // new folder
        case 9:
        case 10:
          fs::create_directory(c);
          fs::create_directory(s);
          if (depth < 3) fill(c, s, depth + 1);
          break;
        case 11:
          testing_support::link_or_file(pick(0, 1) ? "nowhere" : ".", pick(0, 1) ? c : s);
          break;
        case 12:
        case 13:
          file(temp_copy_name(pick(0, 1) ? copy : source), k_t1, "t");
          break;
        case 14:
          testing_support::link_or_file(pick(0, 1) ? "nowhere" : ".", pick(0, 1) ? c : s);
          break;
        default:
          file(pick(0, 1) ? c : s, k_t1, "");
          break;
      }
    }
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  // Few names per level, so that the two sides share many; "lock" and "hide" folders are
  // made unreadable by the test's host.
  std::string name_at(int depth) {
    static const char* const names[] = {"a", "b", "c", "d", "e",    "f",    "g",
                                        "h", "i", "j", "k", "lock", "hide", "x.txt"};
    return std::string(names[pick(0, 13)]) + std::to_string(depth);
  }
  std::string temp_copy_name(const std::string& folder) {
    if (pick(0, 3) == 0) return folder + "/.zolk-copy.tmp";
    return folder + "/" + engine::k_copy_temp_prefix + std::to_string(pick(1, 99999)) + ".tmp";
  }
  void file(const std::string& path, uint32_t time, const std::string& bytes) {
    testing_support::write_file(path, bytes);
    testing_support::set_time(path, time);
  }
  void folder(const std::string& path, int depth) {
    fs::create_directory(path);
    if (depth >= 3) return;
    const int count = pick(0, 6);
    for (int i = 0; i < count; ++i) {
      const std::string inner = path + "/" + name_at(depth + 1);
      if (fs::exists(fs::symlink_status(inner))) continue;
      if (pick(0, 5) == 0) {
        testing_support::link_or_file("nowhere", inner);
      } else if (pick(0, 2) == 0) {
        folder(inner, depth + 1);
      } else {
        file(inner, k_t1, std::string(static_cast<size_t>(pick(0, 5)), 'z'));
      }
    }
  }

  std::mt19937 random_;
};

TEST(StreamCompare, FindsWhatTheWholeTreeComparisonFindsInItsOrderOnRandomTrees) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    temp_folder copy;
    temp_folder source;
    tree_maker(seed).fill(copy.path(), source.path(), 0);
    host::fault_host h(host::default_host());
    if (seed % 2 == 0) h.allow_parallel_searches();  // the copy's levels on a helper thread
    // Deeper down both sides, at the top and one level below of the source alone.
    h.fail_path(host::call_kind::search, "lock2");
    h.hide_entries("hide2");
    h.fail_path(host::call_kind::search, source.path() + "\\lock0\\");
    h.hide_entries(source.path() + "\\hide0\\");
    for (const char* top : {"a0", "b0", "c0", "d0", "e0", "f0", "g0"}) {
      h.fail_path(host::call_kind::search, source.path() + "\\" + top + "\\lock1\\");
      h.hide_entries(source.path() + "\\" + top + "\\hide1\\");
    }
    const oracle expected(h, copy.path(), source.path());
    const engine::comparison_survey survey =
        engine::survey_comparison(h, copy.path(), source.path(), engine::k_trust_every_time);

    EXPECT_EQ(streamed(h, copy.path(), source.path(), nullptr), expected.findings);
    EXPECT_EQ(streamed(h, copy.path(), source.path(), &survey), expected.findings);
    ASSERT_TRUE(survey.findings.complete());
    const recording_sink replayed = delivered(h, copy.path(), source.path(), survey);
    EXPECT_EQ(replayed.seen, expected.findings);
    EXPECT_EQ(replayed.states, expected.states);
    EXPECT_EQ(survey.differences, expected.survey.differences);
    EXPECT_EQ(survey.entries, expected.survey.entries);
    EXPECT_EQ(survey.bytes, expected.survey.bytes);
    EXPECT_EQ(survey.special_paths, expected.survey.special_paths);
    EXPECT_EQ(survey.leftover_paths, expected.survey.leftover_paths);
    EXPECT_EQ(survey.unreadable_paths, expected.survey.unreadable_paths);
    EXPECT_EQ(survey.store_link_paths, expected.survey.store_link_paths);
    std::vector<std::string> leftovers = survey.store_leftovers;
    std::vector<std::string> expected_leftovers = expected.survey.store_leftovers;
    std::sort(leftovers.begin(), leftovers.end());
    std::sort(expected_leftovers.begin(), expected_leftovers.end());
    EXPECT_EQ(leftovers, expected_leftovers);
  }
}

TEST(StreamCompare, PassesEnterOnlyTheFoldersThatHoldFindings) {
  temp_folder copy;
  temp_folder source;
  for (const char* side : {"copy", "source"}) {
    const temp_folder& root = std::string(side) == "copy" ? copy : source;
    testing_support::make_folders(root.at("quiet/deep"));
    testing_support::make_folders(root.at("busy/inner"));
    testing_support::write_file(root.at("quiet/deep/f"), "1");
    testing_support::set_time(root.at("quiet/deep/f"), k_t1);
  }
  testing_support::write_file(copy.at("busy/inner/gone"), "1");
  testing_support::write_file(source.at("busy/new"), "1");
  const engine::comparison_survey survey = engine::survey_comparison(
      host::default_host(), copy.path(), source.path(), engine::k_trust_every_time);
  EXPECT_TRUE(survey.deleted_in.holds("busy"));
  EXPECT_TRUE(survey.deleted_in.holds("busy\\inner"));
  EXPECT_FALSE(survey.deleted_in.holds("quiet"));
  EXPECT_TRUE(survey.new_in.holds("busy"));
  EXPECT_FALSE(survey.new_in.holds("busy\\inner"));
  EXPECT_FALSE(survey.new_in.holds("quiet"));

  host::fault_host h(host::default_host());
  const std::vector<std::string> expected{"D busy\\inner\\gone", "C busy\\new"};
  EXPECT_EQ(streamed(h, copy.path(), source.path(), &survey), expected);
  const int searches = h.calls(host::call_kind::search);
  streamed(h, copy.path(), source.path(), nullptr);
  EXPECT_LT(searches, h.calls(host::call_kind::search) - searches);

  // The survey kept its findings: a run applies them without reading a folder again.
  ASSERT_TRUE(survey.findings.complete());
  host::fault_host replaying(host::default_host());
  EXPECT_EQ(delivered(replaying, copy.path(), source.path(), survey).seen, expected);
  EXPECT_EQ(replaying.calls(host::call_kind::search), 0);
}

TEST(StreamCompare, FindingsPastTheirBudgetAreDroppedAndTheMarkedFoldersReadAgain) {
  temp_folder copy;
  temp_folder source;
  testing_support::make_folders(copy.at("a/b"));
  testing_support::make_folders(source.at("a/b"));
  for (int i = 0; i < 50; ++i) {
    testing_support::write_file(copy.at("a/b/old" + std::to_string(i)), "1");
    testing_support::write_file(source.at("a/new" + std::to_string(i)), "1");
  }
  engine::comparison_survey survey = engine::survey_comparison(
      host::default_host(), copy.path(), source.path(), engine::k_trust_every_time);
  ASSERT_TRUE(survey.findings.complete());
  const std::vector<std::string> kept =
      delivered(host::default_host(), copy.path(), source.path(), survey).seen;
  ASSERT_EQ(kept.size(), 100u);

  engine::survey_findings small(2000);
  engine::folder_node node;
  node.name = "x";
  while (small.complete()) small.add_new_or_changed('C', node, nullptr);
  EXPECT_EQ(small.size(), 0u);
  survey.findings = std::move(small);
  host::fault_host h(host::default_host());
  EXPECT_EQ(delivered(h, copy.path(), source.path(), survey).seen, kept);
  EXPECT_GT(h.calls(host::call_kind::search), 0);
}

// D findings come as the survey meets them and leave in the copy's walk order.
TEST(StreamCompare, KeptDeletionsLeaveInTheCopysWalkOrder) {
  engine::survey_findings findings;
  const std::string folder = "f";
  engine::folder_node node;
  for (const auto& [name, at] : std::vector<std::pair<std::string, engine::tree_position>>{
           {"f\\z", {2, 0}}, {"top", {1}}, {"f\\a", {2, 1}}, {"first", {0}}}) {
    node.name = name;
    findings.add_deleted(node, nullptr, at);
  }
  node.name = "deep";
  findings.add_deleted(node, &folder, {2, 0, 5});
  findings.finish();
  recording_sink sink;
  findings.replay_deleted(sink);
  EXPECT_EQ(sink.seen, (std::vector<std::string>{"D \\first", "D \\top", "D \\f\\z", "D f\\deep",
                                                 "D \\f\\a"}));
}

TEST(StreamCompare, AFolderSetPastItsBudgetHoldsEveryFolder) {
  engine::folder_set set(200);
  set.add_with_parents({"a", "a\\b"});
  EXPECT_TRUE(set.holds("a\\b"));
  EXPECT_FALSE(set.holds("c"));
  EXPECT_FALSE(set.everything());
  set.add_with_parents({"c", "c\\d", "c\\d\\e"});
  EXPECT_TRUE(set.everything());
  EXPECT_TRUE(set.holds("anything"));
  EXPECT_EQ(set.size(), 0u);
}

}  // namespace
