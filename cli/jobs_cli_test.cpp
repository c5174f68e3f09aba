// zolk-cli jobs and zolk-cli run over settings files the tests build byte by byte.
#include <gtest/gtest.h>

#include "cli/cli_test_runner.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jobs/settings_bytes.h"
#include "platform/testing/temp_folder.h"

namespace {

using cli_testing::quoted;
using cli_testing::result;
using cli_testing::run;
using cli_testing::zolk_cli;

using testing_support::exists;
using testing_support::make_folders;
using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

std::string job(const std::string& name, const std::string& comment, const std::string& source,
                const std::string& destination) {
  return settings_bytes::job_block(0, name, comment, source, destination);
}

std::string block(char kind, const std::vector<std::optional<std::string>>& texts) {
  return settings_bytes::block(0, kind, texts);
}

const std::string k_header = settings_bytes::created_header();
const std::string k_jp = "\x95\x5C\x83\x5C";  // 表ソ in CP932

TEST(ZolkCliJobs, JobsListsTheHistoryBackupJobsInListOrder) {
  temp_folder tmp;
  write_file(tmp.at("Zcli.dat"),
             k_header + job(k_jp, "daily", "/data/src", "/backup/dst") +
                 block('x', {std::string("hidden"), std::string(""), std::string("/x")}) +
                 job("second", "", "/s2", "/d2") + block('a', {std::string("absent texts")}));
  const result r = zolk_cli("jobs --settings " + quoted(tmp.at("Zcli.dat")));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "表ソ\t/data/src\t/backup/dst\tdaily\n"
            "second\t/s2\t/d2\t\n"
            "absent texts\t\t\t\n");
}

TEST(ZolkCliJobs, RunBacksUpTheFirstJobOfThatNameExactlyAsBackupDoes) {
  temp_folder tmp;
  make_folders(tmp.at("src/sub"));
  write_file(tmp.at("src/sub/a.txt"), "A");
  write_file(tmp.at("src/b.txt"), "B");
  write_file(tmp.at("Zcli.dat"), k_header + job("other", "", tmp.at("nowhere"), tmp.at("x")) +
                                     job(k_jp, "", tmp.at("src"), tmp.at("by-job")) +
                                     job(k_jp, "", tmp.at("nowhere"), tmp.at("y")));
  const result by_job = zolk_cli("run 表ソ --settings " + quoted(tmp.at("Zcli.dat")));
  const result by_folders =
      zolk_cli("backup " + quoted(tmp.at("src")) + " " + quoted(tmp.at("by-folders")));
  EXPECT_EQ(by_job.status, 0);
  EXPECT_EQ(by_job.out, by_folders.out);
  EXPECT_NE(by_job.out.find("b.txt"), std::string::npos);
  EXPECT_EQ(read_file(tmp.at("by-job/Zolk0001/sub/a.txt")), "A");
  EXPECT_FALSE(exists(tmp.at("y")));
  // A second run is a second history point, as with backup.
  EXPECT_EQ(zolk_cli("run 表ソ --settings " + quoted(tmp.at("Zcli.dat"))).status, 0);
  EXPECT_TRUE(exists(tmp.at("by-job/Zolk0002")));
  // A refused run fails as backup's would.
  EXPECT_EQ(zolk_cli("run other --settings " + quoted(tmp.at("Zcli.dat"))).status, 1);
}

TEST(ZolkCliJobs, UnknownJobsMissingFilesAndDamageAreTold) {
  temp_folder tmp;
  const std::string file = tmp.at("Zcli.dat");
  write_file(file, k_header + job("known", "", "/s", "/d"));
  const result unknown = zolk_cli("run unknown --settings " + quoted(file), true);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("no job named \"unknown\""), std::string::npos) << unknown.out;
  EXPECT_EQ(zolk_cli("run --settings " + quoted(file)).status, 2);

  const result missing = zolk_cli("jobs --settings " + quoted(tmp.at("none.dat")), true);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.out.find("no settings file"), std::string::npos) << missing.out;
  EXPECT_FALSE(exists(tmp.at("none.dat")));  // zolk-cli never writes the settings

  // A file cut inside its second record: the first job is still listed and run-able.
  const std::string whole = k_header + job("first", "", "/s1", "/d1") + job("cut", "", "/s", "/d");
  write_file(file, whole.substr(0, whole.size() - 3));
  const result damaged = zolk_cli("jobs --settings " + quoted(file), true);
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("first\t/s1\t/d1\t\n"), std::string::npos) << damaged.out;
  EXPECT_EQ(damaged.out.find("cut\t"), std::string::npos);
  EXPECT_NE(damaged.out.find("damaged"), std::string::npos);
  EXPECT_EQ(read_file(file), whole.substr(0, whole.size() - 3));
}

TEST(ZolkCliJobs, WithoutSettingsTheFileBesideTheProgramIsRead) {
  temp_folder tmp;
  make_folders(tmp.at("bin"));
  const std::string program = tmp.at("bin/zolk-cli");
  std::filesystem::copy_file(ZOLK_CLI_PATH, program);
  // A home of its own, so no settings file of the user running the tests is found.
  const std::string env = "HOME=" + quoted(tmp.at("home")) + " XDG_CONFIG_HOME= ";
  const result none = run(env + quoted(program), "jobs");
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_FALSE(exists(tmp.at("bin/Zcli.dat")));
  write_file(tmp.at("bin/Zcli.dat"), k_header + job("beside", "c", "/s", "/d"));
  const result beside = run(env + quoted(program), "jobs");
  EXPECT_EQ(beside.status, 0);
  EXPECT_EQ(beside.out, "beside\t/s\t/d\tc\n");
  // Nothing but the program and its settings file is left in its folder.
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(tmp.at("bin"))) {
    (void)entry;
    ++count;
  }
  EXPECT_EQ(count, 2u);
}

}  // namespace
