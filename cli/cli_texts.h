// zolk-cli's own texts, in one table: those only the command line prints, and its words for what
// the engine leaves to each front end (front_msg), which name its flags. UTF-8 in the source,
// CP932 when used, like the engine's table.
#ifndef ZOLK_CLI_CLI_TEXTS_H
#define ZOLK_CLI_CLI_TEXTS_H

#include <string>

#include "engine/common/messages.h"

namespace cli {

enum class ct {
  // Put before the system's reason for a failure, on standard error.
  failure_reason,  // "    理由: "
  // The closing summary of a run (progress_text.h).
  stopped_lead,  // "中止しました: "
  copied,        // コピー
  moved,         // 履歴へ移動
  restored,      // 復元
  failed,        // 失敗
  skipped,       // スキップ
  entries_unit,  // " 件、" (after a count)
  elapsed,       // "所要時間 "
  // A dry run of prune refused while a cut-off prune waits (between them, the store).
  cut_prune_waits_1,  // "a prune of "
  cut_prune_waits_2,  // " was cut off; prune without --dry-run or verify completes it"
  count_  // NOLINT(readability-identifier-naming): keep last; the number of texts, not one
};

// The CP932 text of an entry (converted once, on first use).
const std::string& text(ct id);

// The command line's line for what the engine leaves to each front end (CP932).
const std::string& text(engine::front_msg id);

}  // namespace cli

#endif
