// The run log on standard output: a batched log may hold lines back for a moment, but never
// loses one, never reorders them, and writes them all when told and at its end.
#include "cli/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/cli_texts.h"
#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"

namespace {

// Standard output sent to a file for the life of the object.
class captured_stdout {
 public:
  captured_stdout() : path_(tmp_.at("stdout.txt")) {
    std::fflush(stdout);
    saved_ = dup(1);
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    close(fd);
  }
  ~captured_stdout() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }
  captured_stdout(const captured_stdout&) = delete;
  captured_stdout& operator=(const captured_stdout&) = delete;
  // What reached the file; stdio's own buffer counts as not written.
  std::string written() const { return testing_support::read_file(path_); }

 private:
  testing_support::temp_folder tmp_;
  std::string path_;
  int saved_ = -1;
};

TEST(ConsoleLog, ABatchedLogWritesEveryLineInOrderWhenDueWhenToldAndAtItsEnd) {
  captured_stdout out;
  {
    cli::console_log log(nullptr, true);
    log.add_line("one");
    EXPECT_EQ(out.written(), "one\n");  // the first line after a pause goes at once
    log.add_line("two\r\nthree");
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    log.flush_if_due();
    EXPECT_EQ(out.written(), "one\ntwo\nthree\n");
    log.add_line("four");
    log.flush();
    EXPECT_EQ(out.written(), "one\ntwo\nthree\nfour\n");
    log.add_line("five");
    log.add_line("six");
    EXPECT_EQ(log.lines_written(), 6);
  }
  EXPECT_EQ(out.written(), "one\ntwo\nthree\nfour\nfive\nsix\n");
}

TEST(ConsoleLog, AnUnbatchedLogWritesEachLineAsItComes) {
  captured_stdout out;
  cli::console_log log;
  for (const std::string line : {"a", "b", "c"}) {
    log.add_line(line);
    EXPECT_EQ(out.written().substr(out.written().size() - 2), line + "\n");
  }
}

// The lines the engine leaves to each front end come out in the command line's words: each
// one a line of its own, none lost, the refused restore naming the flag that overrides it.
TEST(ConsoleLog, EveryLineTheEngineLeavesToTheFrontEndIsWordedByTheCommandLine) {
  captured_stdout out;
  cli::console_log log;
  std::string expected;
  for (int id = 0; id < static_cast<int>(engine::front_msg::count_); ++id) {
    log.add_message(static_cast<engine::front_msg>(id));
    const std::string line = cli::text(static_cast<engine::front_msg>(id));
    EXPECT_FALSE(line.empty()) << id;
    expected += cli::shown_line(line) + "\n";
  }
  EXPECT_EQ(out.written(), expected);
  EXPECT_EQ(cli::text(engine::front_msg::target_not_empty),
            cp932::from_unicode("err:復元先フォルダは空ではありません。上書きして復元するには "
                                "--force を指定してください。"));
}

}  // namespace
