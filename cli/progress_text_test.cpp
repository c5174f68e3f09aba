#include "cli/progress_text.h"

#include <gtest/gtest.h>

#include "platform/utf8.h"

namespace {

using cli::closing_summary;
using cli::progress_line;
using cli::run_kind;
using cli::text_columns;
using cli::text_tail;

engine::progress_facts facts(int64_t entries_done, int64_t entries_total, int64_t bytes_done,
                             int64_t bytes_total) {
  engine::progress_facts f;
  f.entries_done = entries_done;
  f.entries_total = entries_total;
  f.bytes_done = bytes_done;
  f.bytes_total = bytes_total;
  return f;
}

// True when every multi-byte character of `text` is whole.
bool whole_characters(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    uint32_t code_point = 0;
    const size_t length = utf8::sequence(text, i, code_point, true);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

const std::string k_long_path = "写真/二〇二六年/旅行ﾃｽﾄ/caf\xC3\xA9/とても長いファイルの名前.jpg";

TEST(TextColumns, CountWideAndAmbiguousCharactersTwiceAndNeverLess) {
  EXPECT_EQ(text_columns("abc/def"), 7);
  EXPECT_EQ(text_columns("表ソ"), 4);
  EXPECT_EQ(text_columns("ﾃｽﾄ"), 3);               // half-width katakana
  EXPECT_EQ(text_columns("caf\xC3\xA9"), 5);       // é may be drawn wide in an East Asian terminal
  EXPECT_EQ(text_columns("\xF0\x9F\x98\x80"), 2);  // an emoji
  EXPECT_EQ(text_columns("a\xFF"
                         "b"),
            4);  // a stray byte, drawn as some replacement
}

TEST(TextTail, KeepsTheEndInWholeCharactersWithinTheColumns) {
  EXPECT_EQ(text_tail("short", 5), "short");
  EXPECT_EQ(text_tail("abcdefgh", 6), "...fgh");
  // Three columns after "..." hold one wide character, not one and a half.
  EXPECT_EQ(text_tail("表示ソフト", 6), "...ト");
  EXPECT_EQ(text_tail("表示ソフト", 2), "");
  for (int columns = 0; columns <= text_columns(k_long_path); ++columns) {
    const std::string tail = text_tail(k_long_path, columns);
    EXPECT_LE(text_columns(tail), columns) << columns;
    EXPECT_TRUE(whole_characters(tail)) << columns;
    if (columns >= 3) {
      EXPECT_GE(text_columns(tail), columns - 1) << columns;  // no room wasted
    }
  }
}

TEST(BytesText, TheTotalChoosesTheUnit) {
  EXPECT_EQ(cli::bytes_text(0, 900 * 1024), "0/900 KiB");
  EXPECT_EQ(cli::bytes_text(3 * 1024 * 1024 / 2, 40 * 1024 * 1024), "1.5/40.0 MiB");
  EXPECT_EQ(cli::bytes_text(int64_t{1} << 30, int64_t{5} << 31), "1.0/10.0 GiB");
  // Past 4 GiB nothing wraps.
  EXPECT_EQ(cli::bytes_text(int64_t{6} << 30, int64_t{8} << 30), "6.0/8.0 GiB");
}

TEST(ProgressLine, ShowsTheShareCountsBytesAndPath) {
  // Half the entries and half the bytes: half the work.
  const std::string line = progress_line(facts(100, 200, 5 << 20, 10 << 20), "d1/f2.txt", 1, 80);
  EXPECT_EQ(line, "[##########..........]   50%  100/200  5.0/10.0 MiB  d1/f2.txt");
  // No bytes planned (a run of folders only): no byte figures.
  EXPECT_EQ(progress_line(facts(0, 0, 0, 0), "", 0, 80), "[....................]    0%  0/0");
  EXPECT_EQ(progress_line(facts(7, 7, 0, 0), "", 9, 80).substr(0, 30),
            "[####################]  100%  ");
}

TEST(ProgressLine, TheTimeLeftShowsOnceItMeansSomething) {
  const engine::progress_facts quarter = facts(50, 200, 0, 0);
  // In the first two seconds an estimate would mislead.
  EXPECT_EQ(progress_line(quarter, "", 1.5, 80).find("left"), std::string::npos);
  // A quarter done in 10 s: 30 s to go.
  EXPECT_NE(progress_line(quarter, "", 10, 80).find("  0:30 left"), std::string::npos);
  EXPECT_NE(progress_line(quarter, "", 1200, 80).find("  1:00:00 left"), std::string::npos);
}

TEST(ProgressLine, NeverFillsTheTerminalLineAndCutsOnlyWholeCharacters) {
  engine::progress_facts f = facts(123456, 200000, int64_t{3} << 32, int64_t{5} << 32);
  for (int columns = 1; columns <= 160; ++columns) {
    const std::string line = progress_line(f, k_long_path, 100, columns);
    EXPECT_LT(text_columns(line), columns) << columns;
    EXPECT_TRUE(whole_characters(line)) << columns;
    if (columns >= 5) {
      EXPECT_NE(line.find("60%"), std::string::npos) << columns << ": " << line;
    }
  }
  // Wide enough for everything, the whole path shows.
  EXPECT_NE(progress_line(f, k_long_path, 100, 200).find("  " + k_long_path), std::string::npos);
}

TEST(ProgressLine, ANarrowTerminalDropsTheBarBeforeTheFigures) {
  const engine::progress_facts f = facts(10, 20, 1 << 20, 2 << 20);
  EXPECT_EQ(progress_line(f, "a/long/path/name.txt", 10, 40),
            " 50%  10/20  1.0/2.0 MiB  0:10 left");
  EXPECT_EQ(progress_line(f, "", 10, 30), " 50%  10/20  0:10 left");
  EXPECT_EQ(progress_line(f, "", 10, 12), " 50%  10/20");
  EXPECT_EQ(progress_line(f, "", 10, 6), " 50%");
  EXPECT_EQ(progress_line(f, "", 10, 4), "");
}

TEST(ClosingSummary, CountsWhatTheRunDidAndHowLongItTook) {
  engine::run_summary done;
  done.copied = 12;
  done.moved = 3;
  EXPECT_EQ(closing_summary(run_kind::backup, done, 4.9),
            "コピー 12 件、履歴へ移動 3 件、失敗 0 件、所要時間 0:04");
  engine::run_summary failed = done;
  failed.failed = 2;
  EXPECT_EQ(closing_summary(run_kind::backup, failed, 3725),
            "コピー 12 件、履歴へ移動 3 件、失敗 2 件、所要時間 1:02:05");
  EXPECT_EQ(closing_summary(run_kind::restore, done, 61), "復元 12 件、失敗 0 件、所要時間 1:01");
  engine::run_summary skipped = done;
  skipped.skipped = 1;
  EXPECT_EQ(closing_summary(run_kind::restore, skipped, 0),
            "復元 12 件、失敗 0 件、スキップ 1 件、所要時間 0:00");
}

TEST(ClosingSummary, AStoppedRunSaysSoAndARefusedRunHasNone) {
  engine::run_summary stopped;
  stopped.copied = 5;
  stopped.stopped = true;
  EXPECT_EQ(closing_summary(run_kind::backup, stopped, 0.2),
            "中止しました: コピー 5 件、履歴へ移動 0 件、失敗 0 件、所要時間 0:00");
  EXPECT_EQ(closing_summary(run_kind::restore, stopped, 0.2),
            "中止しました: 復元 5 件、失敗 0 件、所要時間 0:00");
  engine::run_summary refused;
  refused.refused = true;
  EXPECT_EQ(closing_summary(run_kind::backup, refused, 1), "");
  EXPECT_EQ(closing_summary(run_kind::restore, refused, 1), "");
}

}  // namespace
