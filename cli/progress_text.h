// The texts zolk-cli makes of a run as it goes and when it ends: the terminal's progress line
// and the closing summary. Plain text in, plain text out, so each can be checked by itself.
#ifndef ZOLK_CLI_PROGRESS_TEXT_H
#define ZOLK_CLI_PROGRESS_TEXT_H

#include <string>

#include "engine/common/run_sinks.h"
#include "engine/common/run_summary.h"

namespace cli {

// The columns a UTF-8 text may take on a terminal: one for each ASCII character and each
// half-width katakana, two for every other character or stray byte. Characters that a
// terminal may draw one or two columns wide count two, so a text measured here never takes
// more than it says.
int text_columns(const std::string& utf8_text);

// The end of a UTF-8 text in at most `columns` columns: the text itself when it fits, else
// "..." and as many of its last characters as fit. Characters are kept whole; "" when not
// even "..." fits.
std::string text_tail(const std::string& utf8_text, int columns);

// "0/900 KiB", "12.3/40.0 MiB", "1.5/2.0 GiB": bytes done of the total, in the unit the total
// calls for.
std::string bytes_text(int64_t done, int64_t total);

// The progress line for a terminal `columns` wide, in fewer columns than that (a line that
// fills the last column wraps on some terminals): a bar of the share of the work done, the
// percentage, the entries done of the total, the bytes (once any are planned), the time left
// (once an estimate means something), and the tail of `shown_path` (the path being worked on,
// UTF-8, ready to show) in what room is left. A narrow terminal drops the bar first, then the
// bytes, the time left and the entries; the percentage stays.
std::string progress_line(const engine::progress_facts& facts, const std::string& shown_path,
                          double elapsed_seconds, int columns);

enum class run_kind { backup, restore };

// The closing summary of a run, UTF-8:
//   backup:  "コピー 12 件、履歴へ移動 3 件、失敗 0 件、所要時間 0:04"
//   restore: "復元 12 件、失敗 0 件、所要時間 0:04"
// led by "中止しました: " for a stopped run. "" for a refused run: it did nothing, and its
// lines already say why.
std::string closing_summary(run_kind kind, const engine::run_summary& summary,
                            double elapsed_seconds);

}  // namespace cli

#endif
