#include "platform/host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/cp932.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/testing/fifo.h"
#endif

namespace {

using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

const host::found_entry* find(const std::vector<host::found_entry>& entries,
                              const std::string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const host::found_entry& e) { return e.name == name; });
  return it == entries.end() ? nullptr : &*it;
}

TEST(Host, SearchReportsNamesAttributesSizesAndDots) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string japanese = "\x95\x5C\x83\x5C\x94\x5C\x97\x5C.txt";  // 表ソ能予.txt
  write_file(tmp.at(japanese), "12345");
  ASSERT_TRUE(h.create_folder(tmp.at("sub")));
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(h.search(tmp.path() + "\\*.*", entries));
  for (const char* dots : {".", ".."}) {
    ASSERT_NE(find(entries, dots), nullptr);
    EXPECT_EQ(find(entries, dots)->attributes & host::k_directory, host::k_directory);
  }
  const host::found_entry* file = find(entries, japanese);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->attributes & (host::k_directory | host::k_archive), host::k_archive);
  EXPECT_EQ(file->size, 5u);
  const host::found_entry* sub = find(entries, "sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->attributes & host::k_directory, host::k_directory);
  EXPECT_FALSE(h.search(tmp.at("missing") + "\\*.*", entries));
  EXPECT_TRUE(entries.empty());
}

TEST(Host, NamesRoundTripThroughSearchAndOpen) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string names[] = {"caf\xC3\xA9", "\xF0\x9F\x98\x80", "\xE8\xA1\xA8\xE3\x82\xBD"};
  for (const std::string& utf8 : names) write_file(tmp.at(cp932::from_unicode(utf8)), utf8);
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(h.search(tmp.path() + "/*.*", entries));
  for (const std::string& utf8 : names) {
    const std::string name = cp932::from_unicode(utf8);
    ASSERT_NE(find(entries, name), nullptr) << utf8;
    EXPECT_EQ(read_file(tmp.at(name)), utf8);
  }
}

TEST(Host, RenameNeverReplaces) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("a"), "A");
  write_file(tmp.at("b"), "B");
  EXPECT_FALSE(h.rename(tmp.at("a"), tmp.at("b")));
  EXPECT_EQ(read_file(tmp.at("a")), "A");
  EXPECT_EQ(read_file(tmp.at("b")), "B");
  ASSERT_TRUE(h.create_folder(tmp.at("d1")));
  ASSERT_TRUE(h.create_folder(tmp.at("d2")));
  EXPECT_FALSE(h.rename(tmp.at("d1"), tmp.at("d2")));
  EXPECT_FALSE(h.rename(tmp.at("missing"), tmp.at("c")));
  EXPECT_TRUE(h.rename(tmp.at("a"), tmp.at("d1\\a")));
  EXPECT_EQ(read_file(tmp.at("d1/a")), "A");
  EXPECT_FALSE(h.create_folder(tmp.at("d1")));
}

TEST(Host, ReplaceFileRenamesOverAnExistingFile) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("new"), "NEW");
  write_file(tmp.at("old"), "OLD");
  EXPECT_TRUE(h.replace_file(tmp.at("new"), tmp.at("old")));
  EXPECT_EQ(read_file(tmp.at("old")), "NEW");
  EXPECT_FALSE(testing_support::exists(tmp.at("new")));
  write_file(tmp.at("other"), "X");
  EXPECT_TRUE(h.replace_file(tmp.at("other"), tmp.at("fresh")));
  EXPECT_EQ(read_file(tmp.at("fresh")), "X");
  EXPECT_FALSE(h.replace_file(tmp.at("missing"), tmp.at("old")));
  EXPECT_EQ(read_file(tmp.at("old")), "NEW");
}

TEST(Host, ExistsTellsMissingFromPresent) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("f"), "x");
  ASSERT_TRUE(h.create_folder(tmp.at("d")));
  EXPECT_TRUE(h.exists(tmp.at("f")));
  EXPECT_TRUE(h.exists(tmp.at("d")));
  EXPECT_FALSE(h.exists(tmp.at("missing")));
  EXPECT_FALSE(h.exists(tmp.at("missing\\deeper")));
  EXPECT_FALSE(h.exists(tmp.at("f\\below_a_file")));
}

TEST(Host, FilesReadWriteSeekAndCarryPackedTimes) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("f"), "a longer old content");
  {
    std::unique_ptr<host::file> f = h.open_write(tmp.at("f"));
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->write("new", 3));
    const uint32_t t = host::pack_time(host::calendar_time{2001, 2, 3, 4, 5, 7});
    ASSERT_TRUE(f->set_time(t));
    ASSERT_TRUE(f->close());
  }
  EXPECT_EQ(read_file(tmp.at("f")), "new");
  std::unique_ptr<host::file> f = h.open_read(tmp.at("f"));
  ASSERT_TRUE(f);
  EXPECT_EQ(f->length(), 3);
  uint32_t packed = 0;
  ASSERT_TRUE(f->get_time(packed));
  EXPECT_EQ(host::format_date_text(packed), "2001/02/03 04:05:06");
  ASSERT_TRUE(f->seek(1));
  char buffer[8];
  EXPECT_EQ(f->read(buffer, sizeof buffer), 2);
  EXPECT_EQ(f->read(buffer, sizeof buffer), 0);
  EXPECT_EQ(h.open_read(tmp.path()), nullptr);  // a folder is not a file
  EXPECT_EQ(h.open_read(tmp.at("missing")), nullptr);
  EXPECT_TRUE(h.append_text(tmp.at("log"), "x\r\n"));
  EXPECT_TRUE(h.append_text(tmp.at("log"), "y\r\n"));
  EXPECT_EQ(read_file(tmp.at("log")), "x\r\ny\r\n");
  EXPECT_TRUE(h.remove_file(tmp.at("log")));
  EXPECT_FALSE(h.remove_file(tmp.at("log")));
}

// A file "from" holding `bytes`, opened for reading, and a new file "to" opened for writing.
struct copy_ends {
  copy_ends(const temp_folder& tmp, const std::string& bytes) {
    write_file(tmp.at("from"), bytes);
    from = host::default_host().open_read(tmp.at("from"));
    to = host::default_host().open_write(tmp.at("to"));
  }
  std::unique_ptr<host::file> from;
  std::unique_ptr<host::file> to;
};

// A copy reads its source twice over when a run retries it: the second pass must start at
// the start again, whatever the file remembers of its position.
TEST(Host, ASeekBackAfterACopyOrAReadStartsOver) {
  temp_folder tmp;
  copy_ends ends(tmp, "abcdef");
  host::file* from = ends.from.get();
  host::file* to = ends.to.get();
  ASSERT_TRUE(from && to);
  char buffer[16];
  EXPECT_EQ(from->read(buffer, 2), 2);
  ASSERT_TRUE(from->seek(0));
  EXPECT_EQ(from->copy_to(*to, buffer, sizeof buffer), 6);
  ASSERT_TRUE(from->seek(0));
  ASSERT_TRUE(to->seek(0));
  EXPECT_EQ(from->copy_to(*to, buffer, sizeof buffer), 6);
  ASSERT_TRUE(from->seek(3));
  EXPECT_EQ(from->read(buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "def");
  ASSERT_TRUE(to->close());
  EXPECT_EQ(read_file(tmp.at("to")), "abcdef");
}

TEST(Host, AFailureKeepsTheSystemsReasonUntilTakenOnItsOwnThread) {
  temp_folder tmp;
  host::host& h = host::default_host();
  h.take_failure_reason();
  EXPECT_FALSE(h.rename(tmp.at("missing"), tmp.at("other")));
  const std::string missing = h.take_failure_reason();
  EXPECT_FALSE(missing.empty());
  EXPECT_EQ(h.take_failure_reason(), "");  // taken once

  write_file(tmp.at("f"), "x");
  EXPECT_FALSE(h.create_folder(tmp.at("f")));
  EXPECT_TRUE(h.rename(tmp.at("f"), tmp.at("g")));  // a success leaves the reason
  const std::string taken = h.take_failure_reason();
  EXPECT_FALSE(taken.empty());
  EXPECT_NE(taken, missing);  // "exists" is not "missing"

  EXPECT_EQ(h.open_read(tmp.at("none")), nullptr);
  std::string elsewhere = "unset";
  std::thread([&] { elsewhere = h.take_failure_reason(); }).join();
  EXPECT_EQ(elsewhere, "");  // another thread's failures are its own
  EXPECT_EQ(h.take_failure_reason(), missing);
#ifndef _WIN32
  EXPECT_EQ(missing, "No such file or directory");
#endif
}

TEST(Host, FolderTimesAreSetOnFoldersOnly) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const uint32_t t = host::pack_time(host::calendar_time{2003, 4, 5, 6, 7, 8});
  ASSERT_TRUE(h.create_folder(tmp.at("d")));
  write_file(tmp.at("d\\inside"), "x");
  EXPECT_TRUE(h.set_folder_time(tmp.at("d"), t));
  write_file(tmp.at("f"), "x");
  EXPECT_FALSE(h.set_folder_time(tmp.at("f"), t));
  EXPECT_FALSE(h.take_failure_reason().empty());
  EXPECT_FALSE(h.set_folder_time(tmp.at("missing"), t));
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(h.search(tmp.at("*.*"), entries));
  EXPECT_EQ(find(entries, "d")->time, t);
  EXPECT_NE(find(entries, "f")->time, t);
}

TEST(Host, LengthsAreSixtyFourBit) {
  temp_folder tmp;
  write_file(tmp.at("big"), "");
  std::error_code ec;
  const uint64_t five_gib = 5ull << 30;
  std::filesystem::resize_file(tmp.path() + "/big", five_gib, ec);
  if (ec) GTEST_SKIP() << "no sparse files here";
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(host::default_host().search(tmp.path() + "/*.*", entries));
  const host::found_entry* big = find(entries, "big");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->full_size, five_gib);
  EXPECT_EQ(big->size, static_cast<uint32_t>(five_gib));
  std::unique_ptr<host::file> f = host::default_host().open_read(tmp.at("big"));
  ASSERT_TRUE(f);
  EXPECT_EQ(f->length(), static_cast<int64_t>(five_gib));
  EXPECT_TRUE(f->seek(five_gib - 1));
  char c = 'x';
  EXPECT_EQ(f->read(&c, 1), 1);
  EXPECT_EQ(c, '\0');
}

TEST(Host, ExecutablePathAndDateText) {
  host::host& h = host::default_host();
  EXPECT_NE(h.executable_path().find("platform_tests"), std::string::npos);
#ifndef _WIN32  // Windows shows the user's own date and time form (host_win32_test.cpp)
  EXPECT_EQ(h.date_text(host::pack_time(host::calendar_time{1999, 5, 12, 10, 20, 30})),
            "1999/05/12 10:20:30");
#endif
}

TEST(Host, ALockIsExclusiveEvenWithinOneProcessUntilReleased) {
  temp_folder tmp;
  host::host& h = host::default_host();
  host::lock_result first = h.lock_file(tmp.at(".lock"));
  ASSERT_EQ(first.state, host::lock_state::taken);
  ASSERT_NE(first.held, nullptr);
  const host::lock_result second = h.lock_file(tmp.at(".lock"));
  EXPECT_EQ(second.state, host::lock_state::busy);
  EXPECT_EQ(second.held, nullptr);
  first.held.reset();
  EXPECT_EQ(h.lock_file(tmp.at(".lock")).state, host::lock_state::taken);
  // Cannot be made: a missing folder on the way, or a folder in its place.
  EXPECT_EQ(h.lock_file(tmp.at("missing/.lock")).state, host::lock_state::failed);
  ASSERT_TRUE(h.create_folder(tmp.at("folder")));
  EXPECT_EQ(h.lock_file(tmp.at("folder")).state, host::lock_state::failed);
}

#ifndef _WIN32
TEST(HostPosix, ALockDiesWithItsProcess) {
  temp_folder tmp;
  const std::string path = tmp.at(".lock");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    const host::lock_result held = host::default_host().lock_file(path);
    const char state = held.state == host::lock_state::taken ? 't' : 'x';
    if (write(ready[1], &state, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  char state = 0;
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  EXPECT_EQ(state, 't');
  EXPECT_EQ(host::default_host().lock_file(path).state, host::lock_state::busy);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(host::default_host().lock_file(path).state, host::lock_state::taken);
}

TEST(HostPosix, ALockNeverFollowsALinkNorWaitsOnAFifo) {
  temp_folder tmp;
  ASSERT_EQ(symlink("elsewhere", (tmp.path() + "/link").c_str()), 0);
  ASSERT_EQ(mkfifo((tmp.path() + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(host::default_host().lock_file(tmp.at("link")).state, host::lock_state::failed);
  EXPECT_FALSE(testing_support::exists(tmp.at("elsewhere")));
  EXPECT_EQ(host::default_host().lock_file(tmp.at("fifo")).state, host::lock_state::failed);
}

TEST(HostPosix, EnvironmentVariablesArriveAsCp932) {
  ASSERT_EQ(setenv("ZOLK_TEST_VARIABLE", "\xE8\xA1\xA8/caf\xC3\xA9", 1), 0);
  EXPECT_EQ(host::default_host().environment("ZOLK_TEST_VARIABLE"),
            cp932::from_unicode("\xE8\xA1\xA8/caf\xC3\xA9"));
  unsetenv("ZOLK_TEST_VARIABLE");
  EXPECT_EQ(host::default_host().environment("ZOLK_TEST_VARIABLE"), "");
}

TEST(HostPosix, NonUtf8NamesRoundTrip) {
  temp_folder tmp;
  const std::string raw = "bad\xFF\xFE";
  write_file(tmp.path() + "/" + cp932::from_unicode(raw), "x");
  ASSERT_EQ(access((tmp.path() + "/" + raw).c_str(), F_OK), 0);  // the exact bytes on disk
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(host::default_host().search(tmp.path() + "/*.*", entries));
  EXPECT_NE(find(entries, cp932::from_unicode(raw)), nullptr);
}

// A name holding a line end arrives escaped, and the escaped name opens the very file.
TEST(HostPosix, ControlCharactersInNamesArriveEscapedAndRoundTrip) {
  temp_folder tmp;
  const std::string raw = "x\nC   victim.txt";
  ASSERT_EQ(close(open((tmp.path() + "/" + raw).c_str(), O_CREAT | O_WRONLY, 0644)), 0);
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(host::default_host().search(tmp.path() + "/*.*", entries));
  const host::found_entry* found = find(entries, cp932::from_unicode_name(raw));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->name.find('\n'), std::string::npos);
  EXPECT_NE(host::default_host().open_read(tmp.path() + "/" + found->name), nullptr);
  EXPECT_EQ(host::default_host().process_id(), static_cast<uint32_t>(getpid()));
}

// A run compares a copy's source before and after: a file that grew in between must show it,
// and what was copied is what the file held when it was opened.
TEST(HostPosix, ACopyTakesTheFileAsOpenedAndItsLengthThenShowsTheGrowth) {
  temp_folder tmp;
  copy_ends ends(tmp, "1234");
  host::file* from = ends.from.get();
  host::file* to = ends.to.get();
  ASSERT_TRUE(from && to);
  uint32_t opened_time = 0;
  ASSERT_TRUE(from->get_time(opened_time));
  EXPECT_EQ(from->length(), 4);
  {
    std::ofstream grow(tmp.at("from"), std::ios::binary | std::ios::app);
    grow << "5678";
  }
  char buffer[64];
  EXPECT_EQ(from->copy_to(*to, buffer, sizeof buffer), 4);
  EXPECT_EQ(from->length(), 8);
  ASSERT_TRUE(to->close());
  EXPECT_EQ(read_file(tmp.at("to")), "1234");
}

TEST(HostPosix, LinksAndSpecialFilesAreMarked) {
  temp_folder tmp;
  write_file(tmp.at("target"), "data");
  ASSERT_TRUE(host::default_host().create_folder(tmp.at("dir")));
  ASSERT_EQ(symlink("target", (tmp.path() + "/to_file").c_str()), 0);
  ASSERT_EQ(symlink("dir", (tmp.path() + "/to_dir").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (tmp.path() + "/dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((tmp.path() + "/fifo").c_str(), 0600), 0);
  ASSERT_EQ(chmod((tmp.path() + "/target").c_str(), 0444), 0);
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(host::default_host().search(tmp.path() + "/*.*", entries));
  // A link is described as itself, by its target text, whatever it names (or if nothing).
  for (const std::string name : {"to_file", "to_dir", "dangling"}) {
    const host::found_entry* link = find(entries, name);
    ASSERT_NE(link, nullptr) << name;
    EXPECT_TRUE(link->is_link) << name;
    EXPECT_FALSE(link->is_special) << name;
    EXPECT_EQ(link->attributes, host::k_archive) << name;
    EXPECT_EQ(link->size, link->link_target.size()) << name;
  }
  EXPECT_EQ(find(entries, "to_file")->link_target, "target");
  EXPECT_EQ(find(entries, "to_dir")->link_target, "dir");
  EXPECT_EQ(find(entries, "dangling")->link_target, "nowhere");
  EXPECT_EQ(find(entries, "target")->attributes, host::k_archive | host::k_read_only);
  ASSERT_NE(find(entries, "fifo"), nullptr);
  EXPECT_TRUE(find(entries, "fifo")->is_special);
  EXPECT_EQ(find(entries, "fifo")->attributes & host::k_directory, 0u);
  EXPECT_FALSE(find(entries, "dir")->is_special);

  // Opened as an entry, a link is never followed: its target text comes back instead.
  std::string target;
  EXPECT_EQ(host::default_host().open_read_or_link(tmp.at("to_file"), target), nullptr);
  EXPECT_EQ(target, "target");
  EXPECT_NE(host::default_host().open_read_or_link(tmp.at("target"), target), nullptr);
  EXPECT_EQ(target, "");

  // A link is made beneath a base in place of a file or link, never through one.
  host::host& h = host::default_host();
  EXPECT_TRUE(h.create_link_beneath(tmp.path(), "made", "nowhere/else"));
  EXPECT_TRUE(h.create_link_beneath(tmp.path(), "to_file", "dir"));
  EXPECT_EQ(read_file(tmp.at("target")), "data");
  EXPECT_FALSE(h.create_link_beneath(tmp.path(), "dir", "x"));
  EXPECT_FALSE(h.create_link_beneath(tmp.path(), "to_dir/x", "x"));  // through a link
  std::vector<host::found_entry> after;
  ASSERT_TRUE(h.search(tmp.path() + "/*.*", after));
  EXPECT_EQ(find(after, "made")->link_target, "nowhere/else");
  EXPECT_EQ(find(after, "to_file")->link_target, "dir");
  EXPECT_FALSE(std::filesystem::exists(tmp.path() + "/dir/x"));
}

TEST(HostPosix, AFolderTimeIsNeverSetThroughALink) {
  temp_folder tmp;
  host::host& h = host::default_host();
  ASSERT_TRUE(h.create_folder(tmp.at("real")));
  ASSERT_EQ(symlink("real", (tmp.path() + "/link").c_str()), 0);
  std::vector<host::found_entry> before;
  ASSERT_TRUE(h.search(tmp.at("*.*"), before));
  EXPECT_FALSE(
      h.set_folder_time(tmp.at("link"), host::pack_time(host::calendar_time{2003, 4, 5, 6, 7, 8})));
  std::vector<host::found_entry> after;
  ASSERT_TRUE(h.search(tmp.at("*.*"), after));
  EXPECT_EQ(find(after, "real")->time, find(before, "real")->time);
}

TEST(HostPosix, NewEntriesArePrivateUntilGivenBitsAndBitsAreNeverGivenThroughALink) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const auto mode = [&](const char* name) {
    struct stat st {};
    return lstat(tmp.at(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000u;
  };
  ASSERT_TRUE(h.create_folder(tmp.at("by_path")));
  ASSERT_TRUE(h.create_folder_beneath(tmp.path(), "beneath"));
  std::unique_ptr<host::file> f = h.open_write_beneath(tmp.path(), "beneath/file");
  ASSERT_TRUE(f);
  EXPECT_EQ(mode("by_path"), 0700u);
  EXPECT_EQ(mode("beneath"), 0700u);
  EXPECT_EQ(mode("beneath/file"), 0600u);

  host::permissions bits;
  ASSERT_TRUE(f->get_permissions(bits));
  EXPECT_TRUE(bits.known);
  EXPECT_EQ(bits.mode, 0600u);
  EXPECT_EQ(bits.owner, geteuid());
  bits.mode = 0751;
  ASSERT_TRUE(f->set_permissions(bits));
  EXPECT_EQ(mode("beneath/file"), 0751u);
  // Bits nobody knows (a file from a volume that keeps none) are those of a new file.
  ASSERT_TRUE(f->set_permissions(host::permissions()));
  const mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(mode("beneath/file"), 0666u & ~mask);
  ASSERT_TRUE(f->close());

  ASSERT_TRUE(h.permissions_of(tmp.at("beneath/file"), bits));
  EXPECT_EQ(bits.mode, 0666u & ~mask);
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(h.search(tmp.at("beneath/*.*"), entries));
  EXPECT_EQ(find(entries, "file")->permissions, host::k_permissions_known | (0666u & ~mask));

  bits.mode = 0755;
  ASSERT_TRUE(h.set_folder_permissions_beneath(tmp.path(), "beneath", bits));
  EXPECT_EQ(mode("beneath"), 0755u);
  ASSERT_EQ(symlink("by_path", (tmp.path() + "/link").c_str()), 0);
  EXPECT_FALSE(h.set_folder_permissions_beneath(tmp.path(), "link", bits));
  EXPECT_FALSE(h.set_folder_permissions_beneath(tmp.path(), "link/x", bits));
  EXPECT_EQ(mode("by_path"), 0700u);
}

// A copy names its temporary file by the process id; a child of fork must not reuse its
// parent's, or the two would write through one name.
TEST(HostPosix, TheProcessIdIsTheChildsOwnAfterFork) {
  host::host& h = host::default_host();
  EXPECT_EQ(h.process_id(), static_cast<uint32_t>(getpid()));
  int answer[2];
  ASSERT_EQ(pipe(answer), 0);
  const pid_t child = fork();
  if (child == 0) {
    const char own = h.process_id() == static_cast<uint32_t>(getpid()) ? 'y' : 'n';
    _exit(write(answer[1], &own, 1) == 1 ? 0 : 2);
  }
  char own = 0;
  EXPECT_EQ(read(answer[0], &own, 1), 1);
  waitpid(child, nullptr, 0);
  close(answer[0]);
  close(answer[1]);
  EXPECT_EQ(own, 'y');
  EXPECT_EQ(h.process_id(), static_cast<uint32_t>(getpid()));
}

// File times are local: set and read back around both summer-time changes of a zone, every
// time that exists comes back as it was set, at the moment the system's own mktime names.
TEST(HostPosix, FileTimesKeepTheirLocalTimeAcrossSummerTimeChanges) {
  const char* zone = getenv("TZ");
  const std::string saved = zone != nullptr ? zone : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3",
         1);  // 2026: 29 March 2:00 -> 3:00, 25 October 3:00 -> 2:00
  tzset();
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string path = tmp.at("f");
  for (const auto& [month, day] :
       {std::pair{3, 28}, {3, 29}, {3, 30}, {10, 24}, {10, 25}, {10, 26}}) {
    for (int minutes = 0; minutes < 24 * 60; minutes += 10) {
      const int hour = minutes / 60;
      if (month == 3 && day == 29 && hour == 2) continue;  // never existed
      const uint32_t packed = host::pack_time({2026, month, day, hour, minutes % 60, 58});
      std::unique_ptr<host::file> w = h.open_write(path);
      ASSERT_TRUE(w && w->set_time(packed) && w->close());
      uint32_t back = 0;
      std::unique_ptr<host::file> r = h.open_read(path);
      ASSERT_TRUE(r && r->get_time(back));
      EXPECT_EQ(back, packed) << month << "/" << day << " " << hour << ":" << minutes % 60;
      if (month == 10 && day == 25 && hour == 2) continue;  // twice: either moment is right
      struct tm local {};
      local.tm_year = 126, local.tm_mon = month - 1, local.tm_mday = day, local.tm_hour = hour;
      local.tm_min = minutes % 60, local.tm_sec = 58, local.tm_isdst = -1;
      struct stat st {};
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mtime, mktime(&local)) << month << "/" << day << " " << hour;
    }
  }
  if (zone != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(HostPosix, OnlyRegularFilesAreOpenedAndAFifoIsNeverWaitedOn) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string fifo = tmp.at("fifo");
  ASSERT_TRUE(testing_support::make_fifo(fifo));
  ASSERT_TRUE(h.create_folder(tmp.at("folder")));
  EXPECT_TRUE(testing_support::ends_in_time(
      [&] {
        EXPECT_EQ(h.open_read(fifo), nullptr);
        EXPECT_EQ(h.open_write(fifo), nullptr);
        EXPECT_FALSE(h.append_text(fifo, "line\r\n"));
      },
      {fifo}));
  EXPECT_EQ(h.open_read(tmp.at("folder")), nullptr);
  EXPECT_EQ(h.open_write(tmp.at("folder")), nullptr);
  EXPECT_FALSE(h.append_text(tmp.at("folder"), "line\r\n"));
  // Regular files read and write whole as before.
  ASSERT_TRUE(h.append_text(tmp.at("log"), "one\r\n"));
  ASSERT_TRUE(h.append_text(tmp.at("log"), "two\r\n"));
  EXPECT_EQ(read_file(tmp.at("log")), "one\r\ntwo\r\n");
  std::unique_ptr<host::file> f = h.open_write(tmp.at("log"));
  ASSERT_NE(f, nullptr);
  const std::string big(1 << 20, 'x');
  EXPECT_TRUE(f->write(big.data(), big.size()));
  EXPECT_TRUE(f->close());
  EXPECT_EQ(read_file(tmp.at("log")), big);
}
#endif

}  // namespace

namespace {

// `link` names the folder `to`; false where the system will not make one.
bool link_folder(const std::string& link, const std::string& to) {
  std::error_code failed;
  std::filesystem::create_directory_symlink(std::filesystem::u8path(to),
                                            std::filesystem::u8path(link), failed);
  return !failed;
}

TEST(HostBeneath, WorksBelowTheBaseAndNeverThroughALinkThere) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string base = tmp.at("base");
  ASSERT_TRUE(h.create_folder(base));
  ASSERT_TRUE(h.create_folder(tmp.at("outside")));
  write_file(tmp.at("outside/f.txt"), "OUT");
  EXPECT_TRUE(h.create_folder_beneath(base, "a"));
  EXPECT_FALSE(h.create_folder_beneath(base, "a"));
  EXPECT_TRUE(h.create_folder_beneath(base, "a\\b"));
  EXPECT_TRUE(h.is_folder_beneath(base, "a/b"));
  EXPECT_FALSE(h.is_folder_beneath(base, "a\\missing"));
  EXPECT_FALSE(h.create_folder_beneath(base, "a\\..\\..\\escaped"));
  EXPECT_FALSE(h.create_folder_beneath(base, "missing\\c"));
  {
    std::unique_ptr<host::file> f = h.open_write_beneath(base, "a\\b\\new.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->write("NEW", 3));
    EXPECT_TRUE(f->close());
  }
  EXPECT_TRUE(h.rename_beneath(base, "a\\b\\new.txt", "a\\moved.txt", false));
  write_file(base + "/a/other.txt", "OTHER");
  EXPECT_FALSE(h.rename_beneath(base, "a\\other.txt", "a\\moved.txt", false));
  EXPECT_TRUE(h.rename_beneath(base, "a\\other.txt", "a\\moved.txt", true));
  EXPECT_EQ(read_file(base + "/a/moved.txt"), "OTHER");
  EXPECT_TRUE(h.remove_file_beneath(base, "a\\moved.txt"));
  EXPECT_FALSE(h.exists(base + "/a/moved.txt"));

  if (!link_folder(base + "/link", tmp.at("outside"))) GTEST_SKIP() << "no symbolic links here";
  EXPECT_FALSE(h.create_folder_beneath(base, "link\\made"));
  EXPECT_FALSE(h.is_folder_beneath(base, "link"));
  EXPECT_EQ(h.open_write_beneath(base, "link\\f.txt"), nullptr);
  EXPECT_FALSE(h.rename_beneath(base, "a\\b", "link\\b", false));
  EXPECT_FALSE(h.remove_file_beneath(base, "link\\f.txt"));
  EXPECT_EQ(read_file(tmp.at("outside/f.txt")), "OUT");
  EXPECT_FALSE(h.exists(tmp.at("outside/made")));
  EXPECT_FALSE(h.exists(tmp.at("outside/b")));
  // The base itself may be reached through a link: that is the user's choice.
  EXPECT_TRUE(h.create_folder_beneath(base + "/link", "made"));
  // A link may move as it is, but nothing is renamed over one.
  EXPECT_TRUE(h.rename_beneath(base, "link", "a\\link", false));
  write_file(base + "/a/x.txt", "X");
  EXPECT_FALSE(h.rename_beneath(base, "a\\x.txt", "a\\link", true));
  EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::u8path(base + "/a/link")));
  // A leftover at the name of a new file goes itself; what it links to is never written.
  std::filesystem::create_symlink(std::filesystem::u8path(tmp.at("outside/f.txt")),
                                  std::filesystem::u8path(base + "/a/left"));
  std::unique_ptr<host::file> f = h.open_write_beneath(base, "a\\left");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->write("NEW", 3));
  EXPECT_TRUE(f->close());
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::u8path(base + "/a/left")));
  EXPECT_EQ(read_file(base + "/a/left"), "NEW");
  EXPECT_EQ(read_file(tmp.at("outside/f.txt")), "OUT");
}

// A file made beneath a base is renamed through the folder it was made in; any other rename
// must still find its own folder, however alike the names.
TEST(HostBeneath, ARenameFindsItsOwnFolderAfterAFileWasMadeElsewhere) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string base = tmp.at("base");
  for (const char* folder : {"", "/a", "/b"}) ASSERT_TRUE(h.create_folder(base + folder));
  std::unique_ptr<host::file> made = h.open_write_beneath(base, "a\\t");
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->write("A", 1) && made->close());
  write_file(base + "/b/t", "B");
  EXPECT_TRUE(h.rename_beneath(base, "b\\t", "b\\u", false));
  EXPECT_EQ(read_file(base + "/b/u"), "B");
  EXPECT_EQ(read_file(base + "/a/t"), "A");
  EXPECT_TRUE(h.rename_beneath(base, "a\\t", "a\\v", true));
  EXPECT_EQ(read_file(base + "/a/v"), "A");
  made = h.open_write_beneath(base, "a\\w");
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->close());
  EXPECT_TRUE(h.rename_beneath(tmp.path(), "base\\a\\w", "base\\a\\x", false));
  EXPECT_TRUE(h.exists(base + "/a/x"));
}

// A host may keep the folder it last made a file in (see let_go_of_folders). Whatever moves
// or removes that folder, or one above it, must never leave a later file written into the
// folder's old self: the file goes where its path says, or nowhere.
class KeptFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"", "/a", "/a/b"}) ASSERT_TRUE(h.create_folder(base + folder));
    make("a\\b\\first");
  }
  void TearDown() override { h.let_go_of_folders(); }
  bool make(const std::string& relative) {
    std::unique_ptr<host::file> f = h.open_write_beneath(base, relative);
    return f != nullptr && f->write("X", 1) && f->close();
  }
  bool exists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::u8path(path));
  }

  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string base = tmp.at("base");
};

TEST_F(KeptFolder, RenamesAboveItOrOfItLetItGo) {
  // Within the top folder, "a" (above the kept a/b) takes another name.
  ASSERT_TRUE(h.rename_beneath(base, "a", "moved", false));
  EXPECT_FALSE(make("a\\b\\second"));
  EXPECT_FALSE(exists(base + "/moved/b/second"));
  // By path, then made again at the old name.
  ASSERT_TRUE(make("moved\\b\\third"));
  ASSERT_TRUE(h.rename(base + "/moved", base + "/gone"));
  ASSERT_TRUE(h.create_folder(base + "/moved") && h.create_folder(base + "/moved/b"));
  EXPECT_TRUE(make("moved\\b\\fourth"));
  EXPECT_TRUE(exists(base + "/moved/b/fourth"));
  EXPECT_FALSE(exists(base + "/gone/b/fourth"));
  // Between folders: the kept folder itself moves into another.
  ASSERT_TRUE(h.rename_beneath(base, "moved\\b", "gone\\b2", false));
  ASSERT_TRUE(h.create_folder(base + "/moved/b"));
  EXPECT_TRUE(make("moved\\b\\fifth"));
  EXPECT_TRUE(exists(base + "/moved/b/fifth"));
  EXPECT_FALSE(exists(base + "/gone/b2/fifth"));
  // Between folders: a folder it lies in moves into another.
  ASSERT_TRUE(h.rename_beneath(base, "moved", "gone\\again", false));
  ASSERT_TRUE(h.create_folder(base + "/moved") && h.create_folder(base + "/moved/b"));
  EXPECT_TRUE(make("moved\\b\\sixth"));
  EXPECT_TRUE(exists(base + "/moved/b/sixth"));
  EXPECT_FALSE(exists(base + "/gone/again/b/sixth"));
  // The kept folder renamed beneath another base that holds it.
  ASSERT_TRUE(h.rename_beneath(base + "/moved", "b", "renamed", false));
  ASSERT_TRUE(h.create_folder(base + "/moved/b"));
  EXPECT_TRUE(make("moved\\b\\seventh"));
  EXPECT_FALSE(exists(base + "/moved/renamed/seventh"));
}

TEST_F(KeptFolder, EntriesRenamedWithinItKeepItWhereItIs) {
  ASSERT_TRUE(h.rename_beneath(base, "a\\b\\first", "a\\b\\renamed", true));
  ASSERT_TRUE(make("a\\b\\second"));
  ASSERT_TRUE(h.remove_file_beneath(base, "a\\b\\second"));
  EXPECT_TRUE(make("a\\b\\third"));
  EXPECT_TRUE(exists(base + "/a/b/renamed") && exists(base + "/a/b/third"));
  EXPECT_FALSE(exists(base + "/a/b/first") || exists(base + "/a/b/second"));
  // Moved out of it into another folder, as a replaced version goes into the history.
  ASSERT_TRUE(h.create_folder(base + "/old"));
  ASSERT_TRUE(h.rename_beneath(base, "a\\b\\renamed", "old\\renamed", false));
  EXPECT_TRUE(make("a\\b\\fourth"));
  EXPECT_TRUE(exists(base + "/a/b/fourth") && exists(base + "/old/renamed"));
}

TEST_F(KeptFolder, RemovedAndMadeAgainBehindOurBackTheNewOneIsUsed) {
  std::filesystem::remove_all(std::filesystem::u8path(base + "/a"));
  std::filesystem::create_directories(std::filesystem::u8path(base + "/a/b"));
  EXPECT_TRUE(make("a\\b\\second"));
  EXPECT_TRUE(h.rename_beneath(base, "a\\b\\second", "a\\b\\third", false));
  EXPECT_TRUE(exists(base + "/a/b/third"));
}

TEST_F(KeptFolder, MovedBehindOurBackBetweenOperationsTheNewOneIsUsed) {
  std::filesystem::rename(std::filesystem::u8path(base + "/a"),
                          std::filesystem::u8path(base + "/old"));
  std::filesystem::create_directories(std::filesystem::u8path(base + "/a/b"));
  h.let_go_of_folders();  // as each operation does when it starts
  EXPECT_TRUE(make("a\\b\\second"));
  EXPECT_TRUE(exists(base + "/a/b/second"));
  EXPECT_FALSE(exists(base + "/old/b/second"));
}

TEST(HostBeneath, RealPathResolvesLinksDotsAndTheMissingRest) {
  temp_folder tmp;
  host::host& h = host::default_host();
  ASSERT_TRUE(h.create_folder(tmp.at("real")));
  const std::string real = h.real_path(tmp.at("real"));
  ASSERT_FALSE(real.empty());
#ifdef _WIN32
  const std::string sep = "\\";
#else
  const std::string sep = "/";
#endif
  EXPECT_EQ(h.real_path(tmp.at("other/../real")), real);
  EXPECT_EQ(h.real_path(tmp.at("real/./missing/deeper")), real + sep + "missing" + sep + "deeper");
  EXPECT_EQ(h.real_path(tmp.at("real/missing/../gone")), real + sep + "gone");
  if (!link_folder(tmp.at("alias"), tmp.at("real"))) GTEST_SKIP() << "no symbolic links here";
  EXPECT_EQ(h.real_path(tmp.at("alias")), real);
  EXPECT_EQ(h.real_path(tmp.at("alias/new")), real + sep + "new");
}

// A file that gives `chunks` reads of `chunk` bytes each, then fails (or ends when `ends`).
class scripted_file : public host::file {
 public:
  scripted_file(int chunks, size_t chunk, bool ends)
      : chunks_(chunks), chunk_(chunk), ends_(ends) {}
  int64_t read(void* buffer, size_t length) override {
    if (chunks_ == 0) return ends_ ? 0 : -1;
    --chunks_;
    const size_t n = std::min(length, chunk_);
    std::fill_n(static_cast<char*>(buffer), n, 'x');
    return static_cast<int64_t>(n);
  }
  bool write(const void*, size_t) override { return false; }
  bool seek(uint64_t) override { return false; }
  int64_t length() override { return -1; }
  bool get_time(uint32_t&) override { return false; }
  bool set_time(uint32_t) override { return false; }
  bool sync() override { return false; }
  bool close() override { return true; }

 private:
  int chunks_;
  size_t chunk_;
  bool ends_;
};

TEST(ReadToEnd, AppendsEverythingUpToTheLimitAndTellsAFailedRead) {
  std::string out = "kept";
  scripted_file whole(3, 30000, true);
  EXPECT_TRUE(host::read_to_end(whole, out));
  EXPECT_EQ(out.size(), 4u + 90000u);
  EXPECT_EQ(out.substr(0, 4), "kept");

  out.clear();
  scripted_file huge(1000, 65536, true);
  EXPECT_TRUE(host::read_to_end(huge, out, 4096));
  EXPECT_EQ(out.size(), 4096u);  // never read past the limit

  out.clear();
  scripted_file failing(2, 10, false);
  EXPECT_FALSE(host::read_to_end(failing, out));
  EXPECT_EQ(out, std::string(20, 'x'));  // what came before the failure stays
}

}  // namespace
