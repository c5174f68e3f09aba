// What a store that folds letter case cannot hold, told after a refusal; the file system is
// acted out by a host whose lookups fold ASCII letters, as exFAT's and FAT's do.
#include "engine/store/store_fit.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Looks a path up in lower case too: "A.txt" is found where "a.txt" stands. The test's
// names are stored in lower case, or with no other spelling on the disk.
class folding_host : public host::fault_host {
 public:
  explicit folding_host(::host::host& inner) : fault_host(inner) {}
  bool exists(const std::string& path) override {
    return fault_host::exists(path) || fault_host::exists(lower(path));
  }
};

class StoreFit : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  folding_host h{host::default_host()};
  engine::place at(const std::string& name) const { return engine::place{tmp.path(), name}; }
};

TEST_F(StoreFit, ATwinIsAnotherEntryTheLookupFindsUnderTheName) {
  testing_support::make_folders(tmp.at("docs"));
  testing_support::write_file(tmp.at("docs/a.txt"), "a");
  EXPECT_EQ(engine::why_store_refused(h, at("Docs"), 0, true), engine::store_fit::twin);
  EXPECT_EQ(engine::why_store_refused(h, at("docs\\A.txt"), 1, true), engine::store_fit::twin);
  // The entry itself is no twin of its own: a refusal of it has another cause.
  EXPECT_EQ(engine::why_store_refused(h, at("docs\\a.txt"), 1, true), engine::store_fit::fits);
  EXPECT_TRUE(engine::listed_exactly(h, at("docs\\a.txt")));
  EXPECT_FALSE(engine::listed_exactly(h, at("docs\\A.txt")));
  EXPECT_TRUE(engine::store_folds_case(h, tmp.at("docs")));
#ifndef _WIN32  // NTFS folds case itself
  EXPECT_FALSE(engine::store_folds_case(host::default_host(), tmp.at("docs")));
#endif
}

TEST_F(StoreFit, NamesAndSizesAFatStoreCannotHold) {
  for (const char* name : {"q?b", "a*", "c:d", "say\"", "<x>", "p|q", "dot.", "blank "}) {
    EXPECT_EQ(engine::why_store_refused(h, at(name), 1, true), engine::store_fit::name) << name;
  }
#ifndef _WIN32
  // A `\` of a POSIX name travels escaped and is refused as itself.
  EXPECT_EQ(engine::why_store_refused(h, at(cp932::from_unicode("a\\b")), 1, true),
            engine::store_fit::name);
#endif
  EXPECT_EQ(engine::why_store_refused(h, at("big.iso"), uint64_t{1} << 32, true),
            engine::store_fit::size);
  EXPECT_EQ(engine::why_store_refused(h, at("big.iso"), UINT32_MAX, true), engine::store_fit::fits);
#ifndef _WIN32  // every store a Windows host sees folds case, and none takes "q?b"
  // A store that tells case apart (ext4) is no FAT: a refusal there says nothing of the name.
  EXPECT_EQ(engine::why_store_refused(h, at("q?b"), uint64_t{1} << 33, false),
            engine::store_fit::fits);
#endif
}

}  // namespace
