#include "engine/store/change_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_folder.h"

namespace {

using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

TEST(ChangeLog, WritesExactBytesAndReadsThemBack) {
  EXPECT_EQ(engine::change_log_file_name("c:\\bk\\", "Zolk0002"), "c:\\bk\\Zolk0002.Zcl");
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string point = tmp.at("Zolk0002");
  engine::change_log_writer writer;
  ASSERT_TRUE(writer.open(h, tmp.path(), "Zolk0002.Zcl"));
  EXPECT_TRUE(writer.write_line(engine::k_code_deleted, "\\b.txt"));
  EXPECT_TRUE(writer.write_line(engine::k_code_new_folder, "\\docs"));
  EXPECT_TRUE(writer.write_line(engine::k_code_new_file, "a\\b\\x.doc"));
  EXPECT_TRUE(writer.write_line(engine::k_code_changed, "\\\x95\x5C.txt"));
  EXPECT_TRUE(writer.close());
  EXPECT_EQ(read_file(point + ".Zcl"),
            "D   \\b.txt\r\nS   \\docs\r\nC   a\\b\\x.doc\r\nD-C \\\x95\x5C.txt\r\n");
  engine::change_log log = engine::read_change_log(h, point);
  ASSERT_EQ(log.size(), 4u);
  const engine::change_log_line* line = log.first();
  EXPECT_EQ(std::string(line->code, 4), "D   ");
  EXPECT_EQ(line->text, "\\b.txt");
  EXPECT_EQ(line->next->next->text, "a\\b\\x.doc");
  EXPECT_EQ(line->next->next->next->prev, line->next->next);
  EXPECT_EQ(std::string(line->next->next->next->code, 4), "D-C ");
}

TEST(ChangeLog, MissingShortAndLongLines) {
  temp_folder tmp;
  host::host& h = host::default_host();
  EXPECT_EQ(engine::read_change_log(h, tmp.at("none")).first(), nullptr);
  const std::string long_path(700, 'x');
  write_file(tmp.at("p.Zcl"), "C   \\" + long_path + "\r\nD\r\n\nS   \\lf-only\n");
  engine::change_log log = engine::read_change_log(h, tmp.at("p"));
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log.first()->text, "\\" + long_path);  // one line, however long
  const engine::change_log_line* short_line = log.first()->next;
  EXPECT_EQ(std::string(short_line->code, 4), std::string("D\0\0\0", 4));
  EXPECT_EQ(short_line->text, "");
  EXPECT_EQ(short_line->next->next->text, "\\lf-only");
}

// The reader goes through the file in pieces: a line may start in one and end in another,
// and its CR may end one piece while its LF starts the next.
TEST(ChangeLog, LinesAcrossTheReadersPiecesStayWhole) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const size_t piece = 65536;
  const std::string first = "C   \\" + std::string(piece - 6, 'a');  // its CR ends a piece
  const std::string huge = "D   \\" + std::string(3 * piece + 11, 'b');
  const std::vector<std::string> expected{first, huge, "", "S   \\c", "N   \\last\r"};
  write_file(tmp.at("p.Zcl"), first + "\r\n" + huge + "\r\n\r\nS   \\c\nN   \\last\r");
  std::vector<std::string> lines;
  const auto keep = [&](std::string_view line) { lines.emplace_back(line); };
  EXPECT_EQ(engine::for_each_change_log_line(h, tmp.at("p"), keep), engine::change_log_state::read);
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;
  EXPECT_EQ(engine::read_change_log(h, tmp.at("p")).size(), expected.size());

  lines.clear();
  EXPECT_EQ(engine::for_each_change_log_line(h, tmp.at("none"), keep),
            engine::change_log_state::missing);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
