#include "platform/testing/fault_host.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_folder.h"

namespace {

using host::call_kind;

TEST(FaultHost, FailsTheKthCallOfAKind) {
  testing_support::temp_folder tmp;
  host::fault_host h(host::default_host());
  h.fail_call(call_kind::create_folder, 2);
  EXPECT_TRUE(h.create_folder(tmp.at("a")));
  EXPECT_FALSE(h.create_folder(tmp.at("b")));
  EXPECT_TRUE(h.create_folder(tmp.at("c")));
  EXPECT_FALSE(testing_support::exists(tmp.at("b")));
  EXPECT_EQ(h.calls(call_kind::create_folder), 3);
}

TEST(FaultHost, FailsWritesInsideOpenFilesAndChosenPaths) {
  testing_support::temp_folder tmp;
  host::fault_host h(host::default_host());
  h.fail_call(call_kind::write, 2);
  std::unique_ptr<host::file> f = h.open_write(tmp.at("f"));
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->write("a", 1));
  EXPECT_FALSE(f->write("b", 1));
  h.fail_path(call_kind::search, "secret");
  std::vector<host::found_entry> entries;
  EXPECT_FALSE(h.search(tmp.at("secret") + "/*.*", entries));
  EXPECT_TRUE(h.search(tmp.path() + "/*.*", entries));
}

TEST(FaultHost, ACrashStopsEveryLaterMutation) {
  testing_support::temp_folder tmp;
  host::fault_host h(host::default_host());
  h.crash_after(2);
  EXPECT_TRUE(h.create_folder(tmp.at("a")));
  EXPECT_TRUE(h.create_folder(tmp.at("b")));
  EXPECT_TRUE(h.crashed());
  EXPECT_FALSE(h.create_folder(tmp.at("c")));
  EXPECT_FALSE(h.rename(tmp.at("a"), tmp.at("d")));
  testing_support::write_file(tmp.at("f"), "x");
  EXPECT_FALSE(h.replace_file(tmp.at("f"), tmp.at("g")));
  std::vector<host::found_entry> entries;
  EXPECT_TRUE(h.search(tmp.path() + "/*.*", entries));  // reading still works
  EXPECT_EQ(h.mutations(), 2);
}

TEST(FaultHost, AFailedExistsCallCannotTellAndAnswersTrue) {
  testing_support::temp_folder tmp;
  host::fault_host h(host::default_host());
  EXPECT_FALSE(h.exists(tmp.at("missing")));
  h.fail_path(call_kind::exists, "missing");
  EXPECT_TRUE(h.exists(tmp.at("missing")));
  EXPECT_EQ(h.mutations(), 0);
}

}  // namespace
