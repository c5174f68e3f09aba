#include "cli/cli_texts.h"

#include "platform/cp932.h"

namespace cli {
namespace {

// Indexed by ct; table_text keeps the two in step.
constexpr const char* k_utf8[] = {
    "    理由: ",
    "中止しました: ",
    "コピー",
    "履歴へ移動",
    "復元",
    "失敗",
    "スキップ",
    " 件、",
    "所要時間 ",
    "a prune of ",
    " was cut off; prune without --dry-run or verify completes it",
};

// Indexed by engine::front_msg: a member the engine adds fails the build until it is worded here.
constexpr const char* k_front_utf8[] = {
    "err:復元先フォルダは空ではありません。上書きして復元するには --force を指定してください。",
};

}  // namespace

const std::string& text(ct id) { return cp932::table_text(k_utf8, id); }

const std::string& text(engine::front_msg id) { return cp932::table_text(k_front_utf8, id); }

}  // namespace cli
