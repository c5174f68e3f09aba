// Links planted in a restore target or in the store, and folders spelled through aliases:
// nothing outside the folders given is ever written.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/backup/backup_run.h"
#include "engine/common/file_copy.h"
#include "engine/common/paths.h"
#include "engine/restore/restore_run.h"
#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::exists;
using testing_support::list_tree;
using testing_support::make_folders;
using testing_support::read_file;
using testing_support::write_file;

std::string u(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }
fs::path native(const std::string& path) { return fs::u8path(host::native_path(path)); }

// The real location of a path, or of its nearest existing folder with the rest added.
fs::path real_location(const std::string& path) {
  std::error_code ignored;
  return fs::weakly_canonical(native(path), ignored);
}

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

// Records the path of every mutating call the engine made that succeeded.
class trace_host : public host::fault_host {
 public:
  explicit trace_host(::host::host& inner) : fault_host(inner) {}
  const std::vector<std::string>& changed() const { return changed_; }
  // Forgets the changes so far: those of an earlier run may lie, by the time they are
  // checked, where a link planted since leads.
  void forget() { changed_.clear(); }

  bool create_folder(const std::string& path) override {
    return note(fault_host::create_folder(path), path);
  }
  bool rename(const std::string& from, const std::string& to) override {
    return note(fault_host::rename(from, to), from, to);
  }
  bool replace_file(const std::string& from, const std::string& to) override {
    return note(fault_host::replace_file(from, to), from, to);
  }
  bool remove_file(const std::string& path) override {
    return note(fault_host::remove_file(path), path);
  }
  std::unique_ptr<::host::file> open_write(const std::string& path) override {
    std::unique_ptr<::host::file> f = fault_host::open_write(path);
    note(f != nullptr, path);
    return f;
  }
  bool append_text(const std::string& path, const std::string& bytes) override {
    return note(fault_host::append_text(path, bytes), path);
  }
  bool create_folder_beneath(const std::string& base, const std::string& relative) override {
    return note(fault_host::create_folder_beneath(base, relative), joined(base, relative));
  }
  std::unique_ptr<::host::file> open_write_beneath(const std::string& base,
                                                   const std::string& relative) override {
    std::unique_ptr<::host::file> f = fault_host::open_write_beneath(base, relative);
    note(f != nullptr, joined(base, relative));
    return f;
  }
  bool rename_beneath(const std::string& base, const std::string& from, const std::string& to,
                      bool replace) override {
    return note(fault_host::rename_beneath(base, from, to, replace), joined(base, from),
                joined(base, to));
  }
  bool remove_file_beneath(const std::string& base, const std::string& relative) override {
    return note(fault_host::remove_file_beneath(base, relative), joined(base, relative));
  }

 private:
  static std::string joined(const std::string& base, const std::string& relative) {
    return engine::path_join(base, relative);
  }
  bool note(bool done, const std::string& path, const std::string& other = std::string()) {
    if (done) {
      changed_.push_back(path);
      if (!other.empty()) changed_.push_back(other);
    }
    return done;
  }
  std::vector<std::string> changed_;
};

class LinkSafety : public ::testing::Test {
 protected:
  testing_support::temp_folder tmp;
  std::string src = tmp.at("src");
  std::string dst = tmp.at("dst");
  std::string target = tmp.at("target");
  std::string outside = tmp.at("outside");
  trace_host trace{host::default_host()};
  engine::recording_log log;
  engine::null_progress progress;

  void SetUp() override {
    make_folders(src);
    make_folders(dst);
    make_folders(outside);
    write_file(outside + "/b.txt", "OUTSIDE");
    write_file(outside + "/x.txt", "OUTSIDE");
  }
  // `link` becomes a symbolic link to the folder `to`; false where links cannot be made.
  static bool link_folder(const std::string& link, const std::string& to) {
    std::error_code failed;
    fs::remove_all(native(link), failed);
    fs::create_directory_symlink(native(to), native(link), failed);
    return !failed;
  }
  static bool link_file(const std::string& link, const std::string& to) {
    std::error_code failed;
    fs::create_symlink(native(to), native(link), failed);
    return !failed;
  }
  engine::run_summary backup(const std::string& from, const std::string& into) {
    return engine::run_history_backup(trace, from, into, log, progress);
  }
  engine::run_summary restore(const std::string& into) {
    // A target holding the planted links is restored into on purpose.
    const engine::restore_request request{1, dst, "src", into, true};
    return engine::start_restore(trace, request, log, progress);
  }
  bool has_line(const std::string& utf8) const {
    for (const std::string& line : log.lines()) {
      if (u(line) == utf8) return true;
    }
    return false;
  }
  // Every change the engine made lies, by real location, inside one of `allowed`.
  void expect_changes_only_within(const std::vector<std::string>& allowed) const {
    ASSERT_FALSE(trace.changed().empty());
    for (const std::string& path : trace.changed()) {
      const fs::path place = real_location(engine::parent_folder(path));
      bool inside = false;
      for (const std::string& folder : allowed)
        inside = inside || lies_within(place, real_location(folder));
      EXPECT_TRUE(inside) << path << " lies at " << place;
    }
  }
  std::map<std::string, std::string> outside_before_ = {{"b.txt", "OUTSIDE"}, {"x.txt", "OUTSIDE"}};
};

TEST_F(LinkSafety, ARestoreNeverWritesThroughALinkInTheTarget) {
  make_folders(dst + "/Zolk0001/sub/deep");
  write_file(dst + "/Zolk0001/sub/b.txt", "STORED");
  write_file(dst + "/Zolk0001/sub/deep/c.txt", "C");
  write_file(dst + "/Zolk0001/x.txt", "STORED");
  write_file(dst + "/Zolk0001/plain.txt", "P");
  make_folders(target);
  if (!link_folder(target + "/sub", outside) || !link_file(target + "/x.txt", outside + "/x.txt")) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  const engine::run_summary summary = restore(target);
  EXPECT_EQ(list_tree(outside), outside_before_);
  EXPECT_EQ(read_file(target + "/plain.txt"), "P");
  EXPECT_FALSE(summary.ok());
  EXPECT_EQ(summary.failed, 5);  // sub, sub\b.txt, sub\deep, sub\deep\c.txt and x.txt
  const std::string in = u(target);
  EXPECT_TRUE(has_line("err:フォルダを作成出来ませんでした。==> " + in + "\\sub"));
  EXPECT_TRUE(has_line("err:ファイルを復元出来ませんでした。==> " + in + "\\sub\\b.txt"));
  EXPECT_TRUE(has_line("err:ファイルを復元出来ませんでした。==> " + in + "\\x.txt"));
  // The links themselves stay as the user left them.
  EXPECT_TRUE(fs::is_symlink(native(target + "/sub")));
  EXPECT_TRUE(fs::is_symlink(native(target + "/x.txt")));
  expect_changes_only_within({target});
}

TEST_F(LinkSafety, ABackupNeverWritesThroughALinkPlantedInTheStore) {
  make_folders(src + "/docs");
  write_file(src + "/docs/x.txt", "v1");
  write_file(src + "/top.txt", "T");
  ASSERT_TRUE(backup(src, dst).ok());
  if (!link_folder(dst + "/Zolk0001/docs", outside)) GTEST_SKIP() << "no symbolic links here";
  write_file(src + "/docs/x.txt", "version 2");
  write_file(src + "/docs/y.txt", "new");
  log = engine::recording_log();
  trace.forget();
  const engine::run_summary summary = backup(src, dst);
  EXPECT_EQ(list_tree(outside), outside_before_);
  // A link in the store is a stored link: where the source holds a folder, it is a deletion
  // (the link moves into history as itself) plus a new folder, copied beside it.
  EXPECT_TRUE(summary.ok());
  EXPECT_EQ(read_file(dst + "/Zolk0002/top.txt"), "T");
  EXPECT_TRUE(fs::is_symlink(native(dst + "/Zolk0001/docs")));
  EXPECT_FALSE(fs::is_symlink(native(dst + "/Zolk0002/docs")));
  EXPECT_EQ(read_file(dst + "/Zolk0002/docs/x.txt"), "version 2");
  EXPECT_EQ(read_file(dst + "/Zolk0002/docs/y.txt"), "new");
  expect_changes_only_within({dst});
}

TEST_F(LinkSafety, ADestinationInsideTheSourceIsRefusedHoweverItIsSpelled) {
  make_folders(src + "/inner");
  make_folders(tmp.at("other"));
  write_file(src + "/a.txt", "A");
  std::vector<std::string> aliases = {tmp.at("other/../src/h"), tmp.at("other/../src/inner")};
  if (link_folder(tmp.at("alias"), src + "/inner")) aliases.push_back(tmp.at("alias/h"));
  if (link_folder(tmp.at("whole"), src)) aliases.push_back(tmp.at("whole"));
  for (const std::string& destination : aliases) {
    log = engine::recording_log();
    EXPECT_TRUE(backup(src, destination).refused) << destination;
    EXPECT_TRUE(has_line("err:バックアップ先フォルダがバックアップの対象フォルダの中にあります。"))
        << destination;
  }
  EXPECT_EQ(list_tree(src),
            (std::map<std::string, std::string>{{"a.txt", "A"}, {"inner", "<folder>"}}));
}

TEST_F(LinkSafety, ARestoreTargetReachedThroughALinkIntoTheStoreIsRefused) {
  make_folders(dst + "/Zolk0001");
  write_file(dst + "/Zolk0001/a.txt", "A");
  if (!link_folder(tmp.at("link"), dst + "/Zolk0001")) GTEST_SKIP() << "no symbolic links here";
  for (const std::string& into :
       {tmp.at("link/x"), tmp.at("link"), tmp.at("src/../dst/Zolk0001/y")}) {
    log = engine::recording_log();
    EXPECT_TRUE(restore(into).refused) << into;
    EXPECT_TRUE(has_line("err:復元先フォルダが履歴フォルダの中にあります。")) << into;
  }
  EXPECT_EQ(list_tree(dst + "/Zolk0001"), (std::map<std::string, std::string>{{"a.txt", "A"}}));
}

TEST_F(LinkSafety, AFolderSpelledWithDotDotMakesNoStrayFolderOnItsWay) {
  write_file(src + "/a.txt", "A");
  backup(src, tmp.at("nothere/../dst2"));
  EXPECT_FALSE(exists(tmp.at("nothere")));
  make_folders(dst + "/Zolk0001");
  write_file(dst + "/Zolk0001/a.txt", "A");
  restore(tmp.at("gone/../restored"));
  EXPECT_FALSE(exists(tmp.at("gone")));
}

// Completing a cut run removes copies that belong to no point; a link planted on the way, or in
// a folder being emptied, is removed itself and never followed.
TEST_F(LinkSafety, RemovingFromTheStoreNeverFollowsALink) {
  make_folders(dst + "/Zolk0002/keep/inner");
  write_file(dst + "/Zolk0002/keep/inner/a.txt", "A");
  if (!link_folder(dst + "/Zolk0002/docs", outside) ||
      !link_folder(dst + "/Zolk0002/keep/inner/out", outside)) {
    GTEST_SKIP() << "no symbolic links here";
  }
  EXPECT_NE(engine::remove_entry(trace, engine::place{dst, "Zolk0002\\docs\\x.txt"}), 0);
  EXPECT_EQ(engine::remove_entry(trace, engine::place{dst, "Zolk0002\\keep"}), 0);
  EXPECT_EQ(engine::remove_entry(trace, engine::place{dst, "Zolk0002\\docs"}), 0);
  EXPECT_EQ(list_tree(outside), outside_before_);
  EXPECT_EQ(list_tree(dst + "/Zolk0002"), (std::map<std::string, std::string>{}));
  expect_changes_only_within({dst});
}

// The files a run writes at the destination root, the change log and the run marker's
// temporary file, are made there anew: a link planted at their names is replaced, never
// written through.
TEST_F(LinkSafety, LinksPlantedAtTheStoresOwnFileNamesAreNeverWrittenThrough) {
  write_file(src + "/a.txt", "A");
  ASSERT_TRUE(backup(src, dst).ok());
  if (!link_file(dst + "/Zolk0002.Zcl", outside + "/x.txt") ||
      !link_file(dst + "/.zolk-run.tmp", outside + "/b.txt")) {
    GTEST_SKIP() << "no symbolic links here";
  }
  write_file(src + "/a.txt", "changed");
  EXPECT_TRUE(backup(src, dst).ok());
  EXPECT_EQ(list_tree(outside), outside_before_);
  EXPECT_FALSE(fs::is_symlink(native(dst + "/Zolk0002.Zcl")));
  EXPECT_EQ(read_file(dst + "/Zolk0002.Zcl"), "D-C \\a.txt\r\n");
}

}  // namespace
