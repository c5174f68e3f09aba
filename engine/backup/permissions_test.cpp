// What goes through the store comes back with its permission bits: a private file stays
// private in the store and after a restore, a script keeps its execute bit, and a change of the
// bits alone is a change that the next point holds and whose previous version goes to history.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/backup/backup_run.h"
#include "engine/common/run_sinks.h"
#include "engine/restore/restore_run.h"
#include "platform/host.h"
#include "platform/native_path.h"
#include "platform/testing/attributes.h"
#include "platform/testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::make_folders;
using testing_support::write_file;

fs::perms mode_of(const std::string& path) {
  return fs::symlink_status(host::native_path(path)).permissions() & fs::perms::mask;
}

void set_mode(const std::string& path, fs::perms mode) {
  fs::permissions(host::native_path(path), mode, fs::perm_options::replace);
}

constexpr fs::perms k_0700 = fs::perms::owner_all;
constexpr fs::perms k_0600 = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms k_0755 = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec;
constexpr fs::perms k_0444 = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms k_0640 = k_0600 | fs::perms::group_read;

class Permissions : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps no POSIX permission bits";
#endif
    make_folders(src + "/.ssh");
    make_folders(src + "/bin");
    write_file(src + "/.ssh/id_ed25519", "secret key");
    write_file(src + "/bin/run.sh", "#!/bin/sh\n");
    write_file(src + "/frozen.txt", "do not edit");
    set_mode(src + "/.ssh", k_0700);
    set_mode(src + "/.ssh/id_ed25519", k_0600);
    set_mode(src + "/bin/run.sh", k_0755);
    set_mode(src + "/frozen.txt", k_0444);
  }

  engine::run_summary backup() { return engine::run_history_backup(h, src, store, log, progress); }

  engine::run_summary restore(int point, const std::string& into) {
    const engine::restore_request request{point, store, src, into};
    return engine::start_restore(h, request, log, progress);
  }

  // The bits of each entry of the example tree below `root`.
  void expect_modes(const std::string& root, fs::perms script) {
    EXPECT_EQ(mode_of(root + "/.ssh"), k_0700) << root;
    EXPECT_EQ(mode_of(root + "/.ssh/id_ed25519"), k_0600) << root;
    EXPECT_EQ(mode_of(root + "/bin/run.sh"), script) << root;
    EXPECT_EQ(mode_of(root + "/frozen.txt"), k_0444) << root;
  }

  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  const std::string src = tmp.at("src");
  const std::string store = tmp.at("backups/store");
  engine::recording_log log;
  engine::null_progress progress;
};

TEST_F(Permissions, StoredCopiesAndRestoresKeepTheSourcesBitsAndTheStoreIsPrivate) {
  ASSERT_TRUE(backup().ok());
  // The folders Zolk makes are its owner's alone; what it stores is never more open than the
  // source.
  EXPECT_EQ(mode_of(store), k_0700);
  EXPECT_EQ(mode_of(store + "/Zolk0001"), k_0700);
  expect_modes(store + "/Zolk0001", k_0755);

  const std::string target = tmp.at("restored");
  ASSERT_TRUE(restore(1, target).ok());
  expect_modes(target, k_0755);
}

TEST_F(Permissions, AChangeOfTheBitsAloneIsAChangeAndEachPointRestoresItsOwn) {
  ASSERT_TRUE(backup().ok());
  set_mode(src + "/bin/run.sh", k_0640);  // data and time stay as they were
  const engine::run_summary second = backup();
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second.copied, 1);
  EXPECT_EQ(mode_of(store + "/Zolk0002/bin/run.sh"), k_0640);
  EXPECT_EQ(mode_of(store + "/Zolk0001/bin/run.sh"), k_0755);  // the previous version
  EXPECT_EQ(mode_of(store + "/Zolk0002"), k_0700);

  // Nothing changed since: the next run copies nothing.
  const engine::run_summary third = backup();
  EXPECT_TRUE(third.ok());
  EXPECT_EQ(third.copied, 0);

  ASSERT_TRUE(restore(3, tmp.at("latest")).ok());
  expect_modes(tmp.at("latest"), k_0640);
  ASSERT_TRUE(restore(1, tmp.at("first")).ok());
  expect_modes(tmp.at("first"), k_0755);
}

TEST_F(Permissions, AsRootTheOwnerAndGroupAreKeptAndGivenBack) {
  if (!testing_support::running_as_root()) GTEST_SKIP() << "owners can be given only by root";
  const uint32_t owner = 4321;
  const uint32_t group = 8765;
  ASSERT_TRUE(testing_support::set_owner(src + "/.ssh", owner, group));
  ASSERT_TRUE(testing_support::set_owner(src + "/.ssh/id_ed25519", owner, group));
  ASSERT_TRUE(backup().ok());
  EXPECT_EQ(testing_support::owner_of(store + "/Zolk0001/.ssh/id_ed25519"),
            std::make_pair(owner, group));
  EXPECT_EQ(testing_support::owner_of(store + "/Zolk0001/.ssh"), std::make_pair(owner, group));
  expect_modes(store + "/Zolk0001", k_0755);

  const std::string target = tmp.at("restored");
  ASSERT_TRUE(restore(1, target).ok());
  EXPECT_EQ(testing_support::owner_of(target + "/.ssh/id_ed25519"), std::make_pair(owner, group));
  EXPECT_EQ(testing_support::owner_of(target + "/.ssh"), std::make_pair(owner, group));
  expect_modes(target, k_0755);
}

}  // namespace
