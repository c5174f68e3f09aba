#include "engine/store/key_spill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

using key_set = std::map<std::pair<uint64_t, std::string>, uint8_t>;  // (hash, key) -> kinds

std::string random_key(std::mt19937& random) {
  // Now and then a key longer than a block, so a record must be read across its end.
  const size_t length = random() % 50 == 0 ? 5000 + random() % 3000 : 1 + random() % 60;
  std::string key;
  for (size_t i = 0; i < length; ++i) key += static_cast<char>('a' + random() % 26);
  return key;
}

// Hands `keys` to the spill in `runs` sorted runs, every key in one or two of them with some
// of its kinds each, the way an index that outgrew its budget several times hands them on.
void add_runs(engine::key_spill& spill, const key_set& keys, size_t runs, std::mt19937& random) {
  std::vector<key_set> split(runs);
  for (const auto& [at, kinds] : keys) {
    const size_t first = random() % runs;
    const size_t second = random() % runs;
    split[first][at] |= static_cast<uint8_t>(kinds & 1);
    split[second][at] |= static_cast<uint8_t>(kinds & 2);
  }
  for (const key_set& part : split) {
    std::vector<engine::key_spill::record> run;
    for (const auto& [at, kinds] : part) run.push_back({at.first, kinds, at.second});
    ASSERT_TRUE(spill.add_run(run));
  }
}

// Every key found by its hash with the kinds of all its runs, nothing found for other hashes,
// the whole set in hash order: over few and many keys, one run and more than one pass of
// runs, and hashes so few that each is shared by thousands of keys over many blocks.
TEST(KeySpill, FindsWhatAMapHoldsOverRunsAndSharedHashes) {
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  std::mt19937 random(11);
  struct shape {
    size_t keys;
    size_t runs;
    uint64_t hashes;  // how many distinct hash values the keys fall on
  };
  for (const shape s : {shape{0, 1, 1000}, shape{1, 1, 1000}, shape{3000, 1, UINT64_MAX},
                        shape{3000, 40, UINT64_MAX}, shape{6000, 300, 7}, shape{2000, 17, 1}}) {
    key_set keys;
    while (keys.size() < s.keys) {
      const uint64_t hash = s.hashes == UINT64_MAX ? (uint64_t{random()} << 32 | random())
                                                   : random() % s.hashes * 1000;
      keys[{hash, random_key(random)}] = static_cast<uint8_t>(1 + random() % 3);
    }
    std::unique_ptr<engine::key_spill> spill = engine::key_spill::create(h, tmp.path(), "keys.tmp");
    ASSERT_NE(spill, nullptr);
    add_runs(*spill, keys, s.runs, random);
    size_t seen = 0;
    ASSERT_TRUE(spill->finish([&seen](uint8_t, std::string_view) { ++seen; }));
    EXPECT_EQ(seen, keys.size());
    EXPECT_EQ(spill->size(), keys.size());

    std::multiset<std::pair<std::string, uint8_t>> walked, expected_walk;
    ASSERT_TRUE(spill->for_each(
        [&](uint8_t kinds, std::string_view key) { walked.emplace(std::string(key), kinds); }));
    for (const auto& [at, kinds] : keys) expected_walk.emplace(at.second, kinds);
    EXPECT_EQ(walked, expected_walk);
    std::map<uint64_t, std::map<std::string, uint8_t>> by_hash;
    for (const auto& [at, kinds] : keys) by_hash[at.first][at.second] = kinds;
    for (const auto& [hash, expected] : by_hash) {
      std::map<std::string, uint8_t> found;
      ASSERT_TRUE(spill->for_each_with_hash(hash, [&](uint8_t kinds, std::string_view key) {
        EXPECT_TRUE(found.emplace(std::string(key), kinds).second);
      }));
      EXPECT_EQ(found, expected) << "hash " << hash;
      EXPECT_TRUE(spill->for_each_with_hash(
          hash + 1, [](uint8_t, std::string_view key) { ADD_FAILURE() << "found " << key; }));
    }
    EXPECT_LT(spill->memory(), size_t{2} << 20);
    spill.reset();
    EXPECT_FALSE(h.exists(tmp.at("keys.tmp")));
  }
}

// A file that cannot be made, written or read back is reported, never taken for an empty set.
TEST(KeySpill, FailuresOfItsFileAreReported) {
  testing_support::temp_folder tmp;
  host::fault_host faults(host::default_host());
  const std::vector<engine::key_spill::record> run = {{5, 1, "a"}, {9, 2, "b"}};
  // A fresh spill holding `runs` copies of the run; the one before goes first, as Windows
  // cannot make an open file anew.
  std::unique_ptr<engine::key_spill> spill;
  const auto fresh = [&](int runs) {
    spill.reset();
    spill = engine::key_spill::create(faults, tmp.path(), "keys.tmp");
    bool written = spill != nullptr;
    for (int i = 0; i < runs && written; ++i) written = spill->add_run(run);
    return written;
  };

  faults.fail_path(host::call_kind::open_write, "keys.tmp");
  EXPECT_EQ(engine::key_spill::create(faults, tmp.path(), "keys.tmp"), nullptr);
  faults.clear_faults();

  ASSERT_TRUE(fresh(0));
  faults.fail_path(host::call_kind::write, "keys.tmp");
  EXPECT_FALSE(spill->add_run(run));
  EXPECT_TRUE(spill->failed());
  EXPECT_FALSE(spill->finish([](uint8_t, std::string_view) {}));
  faults.clear_faults();

  ASSERT_TRUE(fresh(2));  // two runs: finish merges, reading both back
  faults.fail_path(host::call_kind::read, "keys.tmp");
  EXPECT_FALSE(spill->finish([](uint8_t, std::string_view) {}));
  faults.clear_faults();

  ASSERT_TRUE(fresh(1));
  ASSERT_TRUE(spill->finish([](uint8_t, std::string_view) {}));
  faults.fail_path(host::call_kind::read, "keys.tmp");
  EXPECT_FALSE(spill->for_each_with_hash(9, [](uint8_t, std::string_view) {}));
  EXPECT_TRUE(spill->failed());
  EXPECT_FALSE(spill->for_each([](uint8_t, std::string_view) {}));
  spill.reset();
  EXPECT_FALSE(faults.exists(tmp.at("keys.tmp")));
}

}  // namespace
