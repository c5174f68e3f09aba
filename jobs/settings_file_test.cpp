#include "jobs/settings_file.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jobs/settings_bytes.h"
#include "platform/testing/fault_host.h"
#include "platform/testing/temp_folder.h"

#ifndef _WIN32
#include "platform/testing/fifo.h"
#endif

namespace {

using settings_bytes::block;
using settings_bytes::created_header;
using settings_bytes::le32;

using host::call_kind;
using testing_support::exists;
using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

// Header bytes 14-79 that Zolk does not interpret but must keep.
std::string foreign_header() {
  std::string h = std::string("Z-OLK Ver1.00") + '\0';
  for (int i = 14; i < 80; ++i) h += static_cast<char>(i * 7 + 3);
  return h;
}

// Names left in a folder besides the given ones (temporary files must not stay behind).
std::vector<std::string> other_names(const std::string& folder, const std::string& keep) {
  std::vector<host::found_entry> entries;
  host::default_host().search(folder + "/*.*", entries);
  std::vector<std::string> out;
  for (const host::found_entry& e : entries) {
    if (e.name != "." && e.name != ".." && e.name != keep) out.push_back(e.name);
  }
  return out;
}

TEST(SettingsFile, AMissingFileIsCreatedHoldingTheHeaderAlone) {
  temp_folder tmp;
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  const jobs::load_result r = jobs::load_settings(host::default_host(), file, list);
  EXPECT_EQ(r.status, jobs::load_status::created);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(read_file(file.path), created_header());
  EXPECT_EQ(read_file(file.path).size(), 80u);
  EXPECT_TRUE(other_names(tmp.path(), "Zcli.dat").empty());
}

TEST(SettingsFile, ReadOnlyLoadOfAMissingFileWritesNothing) {
  temp_folder tmp;
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  jobs::load_options options;
  options.create_when_missing = false;
  EXPECT_EQ(jobs::load_settings(host::default_host(), file, list, options).status,
            jobs::load_status::missing);
  EXPECT_FALSE(exists(file.path));
}

TEST(SettingsFile, RecordsRoundTripByteForByte) {
  // A foreign kind between two jobs, reserved texts, absent texts, a double-byte name whose
  // trail byte is 0x5C, an unusual first_job_mark and header bytes 14-79 all come back as
  // they were.
  const std::string bytes =
      foreign_header() +
      block(1, 'a',
            {std::string("\x95\x5C"), std::string(""), std::string("c:\\src"),
             std::string("d:\\dst"), std::string("r5"), std::nullopt, std::string("r7")}) +
      block(7, 'z', {std::string("hidden"), std::nullopt, std::string("x")}) +
      block(-3, 'a',
            {std::string("two"), std::string("c"), std::string("s"), std::string("d"), std::nullopt,
             std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
             std::string("r12")});
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), bytes);
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  const jobs::load_result r = jobs::load_settings(host::default_host(), file, list);
  ASSERT_EQ(r.status, jobs::load_status::loaded);
  ASSERT_EQ(r.records, 3u);
  EXPECT_EQ(list.first()->text(1), "\x95\x5C");
  EXPECT_EQ(list.first()->next->job_kind, 'z');
  EXPECT_FALSE(list.first()->slot(6).has_value());
  EXPECT_TRUE(list.first()->slot(2).has_value());
  EXPECT_EQ(list.last()->first_job_mark, -3);
  EXPECT_EQ(list.last()->text(12), "r12");
  EXPECT_EQ(jobs::save_settings(host::default_host(), file, list), jobs::save_status::saved);
  EXPECT_EQ(read_file(file.path), bytes);
  EXPECT_TRUE(other_names(tmp.path(), "Zcli.dat").empty());
}

TEST(SettingsFile, FourEmptyTextsMakeTheFiftySevenByteRecord) {
  jobs::job_list list;
  auto r = std::make_unique<jobs::job_record>();
  r->job_kind = 'a';
  r->first_job_mark = 1;
  for (int n = 1; n <= 4; ++n) r->slot(n) = std::string();
  list.append(std::move(r));
  jobs::header_bytes header{};
  const std::string bytes = jobs::settings_bytes(header, list);
  const std::string expected = std::string(
                                   "\x01\x00\x00\x00"
                                   "a",
                                   5) +
                               std::string("\x01\x00\x00\x00\x00", 5) +
                               std::string("\x01\x00\x00\x00\x00", 5) +
                               std::string("\x01\x00\x00\x00\x00", 5) +
                               std::string("\x01\x00\x00\x00\x00", 5) + std::string(32, '\0');
  ASSERT_EQ(expected.size(), 57u);
  EXPECT_EQ(bytes, std::string(80, '\0') + expected);
}

TEST(SettingsFile, ShortAndEmptyFilesGiveNoRecordsAndKeepWhatWasRead) {
  for (const std::string& content : {std::string(), std::string("Z-OLK"), foreign_header()}) {
    temp_folder tmp;
    write_file(tmp.at("Zcli.dat"), content);
    jobs::settings_file file{tmp.at("Zcli.dat")};
    jobs::job_list list;
    EXPECT_EQ(jobs::load_settings(host::default_host(), file, list).status,
              jobs::load_status::loaded);
    EXPECT_TRUE(list.empty());
    // An empty file is not replaced at load; the next save writes the zero-padded header.
    EXPECT_EQ(read_file(file.path), content);
    ASSERT_EQ(jobs::save_settings(host::default_host(), file, list), jobs::save_status::saved);
    EXPECT_EQ(read_file(file.path), content + std::string(80 - content.size(), '\0'));
  }
}

TEST(SettingsFile, AFileEndingInsideARecordKeepsEveryWholeRecordBeforeIt) {
  const std::string first =
      block(1, 'a', {std::string("one"), std::string("c1"), std::string("s1"), std::string("d1")});
  const std::string second =
      block(0, 'a', {std::string("two"), std::string("c2"), std::string("s2"), std::string("d2")});
  const std::string whole = created_header() + first + second;
  for (size_t cut = 80; cut <= whole.size(); ++cut) {
    jobs::header_bytes header{};
    jobs::job_list list;
    const jobs::load_status status = jobs::parse_settings(
        reinterpret_cast<const unsigned char*>(whole.data()), cut, header, list);
    const size_t whole_records = cut >= 80 + first.size() + second.size() ? 2
                                 : cut >= 80 + first.size()               ? 1
                                                                          : 0;
    const bool at_boundary = cut == 80 || cut == 80 + first.size() || cut == whole.size();
    EXPECT_EQ(status, at_boundary ? jobs::load_status::loaded : jobs::load_status::damaged) << cut;
    ASSERT_EQ(list.size(), whole_records) << cut;
    if (whole_records >= 1) {
      EXPECT_EQ(list.first()->text(4), "d1");
    }
    if (whole_records == 2) {
      EXPECT_EQ(list.last()->text(1), "two");
    }
  }
}

TEST(SettingsFile, DamagedLengthsAndUnterminatedTextsAreNeverKeptAsText) {
  // A text whose zero byte is missing is dropped (the record stays, later records still read);
  // a length beyond the end of the file, even a huge one, ends the loading.
  std::string unterminated = le32(1) + 'a' + le32(4) + "abcd" + le32(3) + std::string("ok\0", 3);
  for (int i = 2; i < 12; ++i) unterminated += le32(0);
  const std::string later = block(0, 'a', {std::string("later")});
  const std::string bytes =
      created_header() + unterminated + later + le32(0) + 'a' + le32(0x7FFFFFFF) + "xyz";
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"), bytes);
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  EXPECT_EQ(jobs::load_settings(host::default_host(), file, list).status,
            jobs::load_status::damaged);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_FALSE(list.first()->slot(1).has_value());
  EXPECT_EQ(list.first()->text(2), "ok");
  EXPECT_EQ(list.last()->text(1), "later");
  EXPECT_EQ(read_file(file.path), bytes);  // loading never writes

  // A zero byte inside a text ends it, as it would any zero-terminated text; a negative
  // length is an absent text.
  const std::string odd = created_header() + le32(0) + 'a' + le32(5) + std::string("ab\0cd", 5) +
                          le32(-9) + std::string(40, '\0');
  jobs::header_bytes header{};
  EXPECT_EQ(jobs::parse_settings(reinterpret_cast<const unsigned char*>(odd.data()), odd.size(),
                                 header, list),
            jobs::load_status::loaded);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.first()->text(1), "ab");
  EXPECT_FALSE(list.first()->slot(2).has_value());
}

TEST(SettingsFile, TheFirstSaveAfterADamagedLoadKeepsTheDamagedFileAside) {
  temp_folder tmp;
  const std::string whole = created_header() + block(1, 'a', {std::string("one")});
  const std::string damaged = whole + le32(0) + 'a' + le32(999) + "cut short";
  write_file(tmp.at("Zcli.dat"), damaged);
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  ASSERT_EQ(jobs::load_settings(host::default_host(), file, list).status,
            jobs::load_status::damaged);
  EXPECT_EQ(read_file(file.path), damaged);  // loading never writes

  // A failed replace puts the damaged file back under its name, to be set aside next time.
  host::fault_host failing(host::default_host());
  failing.fail_call(call_kind::replace, 1);
  EXPECT_EQ(jobs::save_settings(failing, file, list), jobs::save_status::replace_failed);
  EXPECT_EQ(read_file(file.path), damaged);
  EXPECT_TRUE(other_names(tmp.path(), "Zcli.dat").empty());

  ASSERT_EQ(jobs::save_settings(host::default_host(), file, list), jobs::save_status::saved);
  EXPECT_EQ(read_file(file.path), whole);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat.damaged")), damaged);
  ASSERT_EQ(jobs::save_settings(host::default_host(), file, list), jobs::save_status::saved);
  EXPECT_EQ(other_names(tmp.path(), "Zcli.dat"), std::vector<std::string>{"Zcli.dat.damaged"});

  // A later damaged load never overwrites the earlier copy.
  write_file(file.path, damaged + "x");
  ASSERT_EQ(jobs::load_settings(host::default_host(), file, list).status,
            jobs::load_status::damaged);
  ASSERT_EQ(jobs::save_settings(host::default_host(), file, list), jobs::save_status::saved);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat.damaged")), damaged);
  EXPECT_EQ(read_file(tmp.at("Zcli.dat.damaged-2")), damaged + "x");
}

TEST(SettingsFile, AnUnreadableFileIsLeftUntouchedAndNeverReplaced) {
  temp_folder tmp;
  const std::string bytes = created_header() + block(1, 'a', {std::string("keep me")});
  write_file(tmp.at("Zcli.dat"), bytes);
  host::fault_host h(host::default_host());
  h.fail_path(call_kind::open_read, "Zcli.dat");
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  EXPECT_EQ(jobs::load_settings(h, file, list).status, jobs::load_status::unreadable);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(file.protect_unreadable);
  EXPECT_EQ(h.mutations(), 0);
  EXPECT_EQ(jobs::save_settings(h, file, list), jobs::save_status::refused_unreadable);
  EXPECT_EQ(h.mutations(), 0);
  EXPECT_EQ(read_file(file.path), bytes);

  // When the host cannot even tell whether the file is there, it is not created over.
  temp_folder other;
  host::fault_host unsure(host::default_host());
  unsure.fail_path(call_kind::exists, "Zcli.dat");
  unsure.fail_path(call_kind::open_read, "Zcli.dat");
  jobs::settings_file missing{other.at("Zcli.dat")};
  EXPECT_EQ(jobs::load_settings(unsure, missing, list).status, jobs::load_status::unreadable);
  EXPECT_FALSE(exists(missing.path));
}

TEST(SettingsFile, AFailedSaveIsReportedAndLeavesTheOldFileWhole) {
  const std::string old_bytes = created_header() + block(1, 'a', {std::string("old")});
  jobs::job_list list;
  auto r = std::make_unique<jobs::job_record>();
  r->job_kind = 'a';
  r->slot(1) = std::string("new");
  list.append(std::move(r));
  struct fault {
    call_kind kind;
    jobs::save_status expected;
  };
  for (const fault& f : {fault{call_kind::open_write, jobs::save_status::create_failed},
                         fault{call_kind::write, jobs::save_status::write_failed},
                         fault{call_kind::sync, jobs::save_status::write_failed},
                         fault{call_kind::replace, jobs::save_status::replace_failed}}) {
    temp_folder tmp;
    write_file(tmp.at("Zcli.dat"), old_bytes);
    host::fault_host h(host::default_host());
    h.fail_call(f.kind, 1);
    jobs::settings_file file{tmp.at("Zcli.dat")};
    EXPECT_EQ(jobs::save_settings(h, file, list), f.expected) << static_cast<int>(f.kind);
    EXPECT_EQ(read_file(file.path), old_bytes);
    EXPECT_TRUE(other_names(tmp.path(), "Zcli.dat").empty()) << static_cast<int>(f.kind);
  }
}

TEST(SettingsFile, ACrashAtAnyPointOfASaveLeavesTheOldOrTheNewFile) {
  const std::string old_bytes = created_header() + block(1, 'a', {std::string("old")});
  jobs::job_list list;
  auto r = std::make_unique<jobs::job_record>();
  r->job_kind = 'a';
  r->slot(1) = std::string("new");
  list.append(std::move(r));
  jobs::header_bytes header{};
  std::copy(old_bytes.begin(), old_bytes.begin() + 80, header.begin());
  const std::string new_bytes = jobs::settings_bytes(header, list);
  bool saw_new = false;
  for (int k = 0; k < 8; ++k) {
    temp_folder tmp;
    write_file(tmp.at("Zcli.dat"), old_bytes);
    host::fault_host h(host::default_host());
    h.crash_after(k);
    jobs::settings_file file{tmp.at("Zcli.dat"), header};
    jobs::save_settings(h, file, list);
    const std::string now = read_file(file.path);
    EXPECT_TRUE(now == old_bytes || now == new_bytes) << k;
    saw_new = saw_new || now == new_bytes;
  }
  EXPECT_TRUE(saw_new);
}

TEST(SettingsFile, ASaveCreatesTheMissingFoldersOfItsPath) {
  temp_folder tmp;
  jobs::settings_file file{tmp.at("home/.config/zolk/Zcli.dat")};
  jobs::job_list list;
  EXPECT_EQ(jobs::load_settings(host::default_host(), file, list).status,
            jobs::load_status::created);
  EXPECT_EQ(read_file(file.path), created_header());
  // A folder whose name ends in 表 (trail byte 0x5C) is made like any other.
  jobs::settings_file beside_hyou{tmp.at("home/\x95\x5C\x95\x5C/\x95\x5C/Zcli.dat")};
  EXPECT_EQ(jobs::load_settings(host::default_host(), beside_hyou, list).status,
            jobs::load_status::created);
  EXPECT_EQ(read_file(beside_hyou.path), created_header());
#ifndef _WIN32
  // On POSIX a folder whose name ends in ':' is a folder to make, not a drive.
  jobs::settings_file beside_colon{tmp.at("home/a:/b:/Zcli.dat")};
  EXPECT_EQ(jobs::load_settings(host::default_host(), beside_colon, list).status,
            jobs::load_status::created);
  EXPECT_EQ(read_file(beside_colon.path), created_header());
#endif
}

// A host whose program lives where the test says and whose environment the test sets.
class located_host : public host::fault_host {
 public:
  located_host(std::string exe, std::map<std::string, std::string> env)
      : fault_host(::host::default_host()), exe_(std::move(exe)), env_(std::move(env)) {}
  std::string executable_path() override { return exe_; }
  std::string environment(const std::string& name) override {
    const auto it = env_.find(name);
    return it == env_.end() ? std::string() : it->second;
  }

 private:
  std::string exe_;
  std::map<std::string, std::string> env_;
};

#ifndef _WIN32
TEST(SettingsFile, AFifoInItsPlaceIsUnreadableNeverWaitedOnNorReplaced) {
  temp_folder tmp;
  ASSERT_TRUE(testing_support::make_fifo(tmp.at("Zcli.dat")));
  jobs::settings_file file{tmp.at("Zcli.dat")};
  jobs::job_list list;
  jobs::load_status status = jobs::load_status::missing;
  EXPECT_TRUE(testing_support::ends_in_time(
      [&] { status = jobs::load_settings(host::default_host(), file, list).status; },
      {tmp.at("Zcli.dat")}));
  EXPECT_EQ(status, jobs::load_status::unreadable);
  EXPECT_EQ(jobs::save_settings(host::default_host(), file, list),
            jobs::save_status::refused_unreadable);
}

TEST(SettingsLocation, BesideTheProgramWhenWritableOrPresentElseTheConfigurationFolder) {
  temp_folder tmp;
  testing_support::make_folders(tmp.at("bin"));
  const std::string exe = tmp.at("bin") + "/zolk";
  const std::string beside = tmp.at("bin") + "/Zcli.dat";
  {
    located_host h(exe, {{"HOME", tmp.at("home")}});
    EXPECT_EQ(jobs::default_settings_path(h), beside);
    EXPECT_TRUE(other_names(tmp.at("bin"), "").empty());  // the probe is gone
  }
  {
    located_host h(exe, {{"HOME", tmp.at("home")}, {"XDG_CONFIG_HOME", tmp.at("xdg") + "/"}});
    h.fail_path(call_kind::open_write, "/bin/");  // the program's folder is not writable
    EXPECT_EQ(jobs::default_settings_path(h), tmp.at("xdg") + "/zolk/Zcli.dat");
  }
  {
    located_host h(exe, {{"HOME", tmp.at("home")}, {"XDG_CONFIG_HOME", "relative/xdg"}});
    h.fail_path(call_kind::open_write, "/bin/");
    EXPECT_EQ(jobs::default_settings_path(h), tmp.at("home") + "/.config/zolk/Zcli.dat");
  }
  {
    located_host h(exe, {});
    h.fail_path(call_kind::open_write, "/bin/");
    EXPECT_EQ(jobs::default_settings_path(h), beside);  // nowhere else to go
  }
  // A file in the configuration folder is found even when the program's folder is writable;
  // a file beside the program wins over it.
  testing_support::make_folders(tmp.at("home/.config/zolk"));
  write_file(tmp.at("home/.config/zolk/Zcli.dat"), created_header());
  {
    located_host h(exe, {{"HOME", tmp.at("home")}});
    EXPECT_EQ(jobs::default_settings_path(h), tmp.at("home") + "/.config/zolk/Zcli.dat");
  }
  write_file(beside, created_header());
  {
    located_host h(exe, {{"HOME", tmp.at("home")}});
    h.fail_path(call_kind::open_write, "/bin/");
    EXPECT_EQ(jobs::default_settings_path(h), beside);
  }
}

TEST(SettingsLocation, AnInstalledProgramKeepsItInTheConfigurationFolderEvenForRoot) {
  // Root may write /usr/bin, but a file left there belongs to no package and outlives the
  // program's removal: an installed program never keeps its settings beside itself.
  temp_folder tmp;
  for (const char* exe : {"/usr/bin/zolk", "/usr/local/bin/zolk", "/opt/zolk/bin/zolk"}) {
    located_host h(exe, {{"HOME", tmp.at("home")}});
    EXPECT_EQ(jobs::default_settings_path(h), tmp.at("home") + "/.config/zolk/Zcli.dat") << exe;
    EXPECT_EQ(h.calls(call_kind::open_write), 0) << exe;  // not even a probe was written there
  }
  located_host h("/usr/bin/zolk", {});
  EXPECT_EQ(jobs::default_settings_path(h), "/usr/bin/Zcli.dat");  // nowhere else to go
}
#endif

}  // namespace
