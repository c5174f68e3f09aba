// A backup and a restore take every entry whatever its attribute bits: Windows marks many
// user folders read-only, and hidden and system files are the user's data too.
#include <gtest/gtest.h>

#include "engine/backup/backup_run.h"
#include "engine/common/run_sinks.h"
#include "engine/restore/restore_run.h"
#include "platform/host.h"
#include "platform/testing/attributes.h"
#include "platform/testing/temp_folder.h"

namespace {

using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::set_attributes;
using testing_support::write_file;

const std::string k_hyo = "\x95\x5C";  // 表, whose second byte is 0x5C

TEST(Attributes, ReadOnlyFoldersAndHiddenSystemAndReadOnlyFilesAreBackedUpAndRestored) {
  testing_support::temp_folder tmp;
  host::host& h = host::default_host();
  const std::string src = tmp.at("src");
  const std::string store = tmp.at("store");
  make_folders(src + "/locked/" + k_hyo);
  make_folders(src + "/hidden_dir");
  make_folders(store);
  write_file(src + "/locked/hidden.txt", "hidden");
  write_file(src + "/locked/system.txt", "system");
  write_file(src + "/locked/" + k_hyo + "/read_only.txt", "read only");
  write_file(src + "/hidden_dir/in.txt", "inside");
  const bool bits = testing_support::has_hidden_and_system_bits();
  ASSERT_TRUE(set_attributes(src + "/locked/hidden.txt", bits ? host::k_hidden : 0));
  ASSERT_TRUE(set_attributes(src + "/locked/system.txt",
                             bits ? host::k_system | host::k_hidden : host::k_read_only));
  ASSERT_TRUE(set_attributes(src + "/locked/" + k_hyo + "/read_only.txt", host::k_read_only));
  ASSERT_TRUE(set_attributes(src + "/hidden_dir", bits ? host::k_hidden | host::k_system : 0));
  ASSERT_TRUE(set_attributes(src + "/locked/" + k_hyo, host::k_read_only));
  ASSERT_TRUE(set_attributes(src + "/locked", host::k_read_only));

  engine::recording_log log;
  engine::null_progress progress;
  const engine::run_summary backup = engine::run_history_backup(h, src, store, log, progress);
  EXPECT_TRUE(backup.ok());
  EXPECT_EQ(backup.copied, 4);
  const std::map<std::string, std::string> source_tree = list_tree(src);
  ASSERT_EQ(source_tree.size(), 7u);  // three folders, four files
  EXPECT_EQ(list_tree(store + "/Zolk0001"), source_tree);

  const std::string target = tmp.at("target");
  const engine::restore_request request{1, store, src, target};
  EXPECT_TRUE(engine::start_restore(h, request, log, progress).ok());
  EXPECT_EQ(list_tree(target), source_tree);

  // Gives the temporary folder back its ordinary bits, so that it can be removed.
  set_attributes(src + "/locked", 0);
  set_attributes(src + "/locked/" + k_hyo, 0);
}

}  // namespace
