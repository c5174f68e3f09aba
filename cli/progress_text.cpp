#include "cli/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cli/cli_texts.h"
#include "engine/common/progress_estimate.h"
#include "platform/cp932.h"
#include "platform/utf8.h"

namespace cli {
namespace {

// One character as the terminal draws it: where its bytes start and the columns it takes.
struct unit {
  size_t start;
  int columns;
};

std::vector<unit> units_of(const std::string& text) {
  std::vector<unit> units;
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      units.push_back({i, 1});
      ++i;
      continue;
    }
    uint32_t code_point = 0;
    const size_t length = utf8::sequence(text, i, code_point, true);
    if (length == 0) {  // a stray byte: the terminal draws some replacement for it
      units.push_back({i, 2});
      ++i;
      continue;
    }
    const bool half_width_kana = code_point >= 0xFF61 && code_point <= 0xFF9F;
    units.push_back({i, half_width_kana ? 1 : 2});
    i += length;
  }
  return units;
}

std::string joined(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) {
    if (f.empty()) continue;
    if (!out.empty()) out += "  ";
    out += f;
  }
  return out;
}

std::string bar_text(double fraction) {
  constexpr int k_cells = 20;
  const int filled = std::clamp(static_cast<int>(fraction * k_cells), 0, k_cells);
  return "[" + std::string(filled, '#') + std::string(k_cells - filled, '.') + "]";
}

// The closing summary goes straight to standard output in UTF-8, as the progress line does.
std::string utf8(ct id) { return cp932::to_unicode(text(id)); }

}  // namespace

int text_columns(const std::string& utf8_text) {
  int columns = 0;
  for (const unit& u : units_of(utf8_text)) columns += u.columns;
  return columns;
}

std::string text_tail(const std::string& utf8_text, int columns) {
  if (text_columns(utf8_text) <= columns) return utf8_text;
  const std::string ellipsis = "...";
  int room = columns - static_cast<int>(ellipsis.size());
  if (room < 0) return "";
  const std::vector<unit> units = units_of(utf8_text);
  size_t first = units.size();
  while (first > 0 && units[first - 1].columns <= room) {
    --first;
    room -= units[first].columns;
  }
  const size_t start = first < units.size() ? units[first].start : utf8_text.size();
  return ellipsis + utf8_text.substr(start);
}

std::string bytes_text(int64_t done, int64_t total) {
  constexpr double k_kib = 1024.0, k_mib = k_kib * 1024, k_gib = k_mib * 1024;
  char out[96];
  if (total < k_mib) {
    std::snprintf(out, sizeof out, "%lld/%lld KiB", static_cast<long long>(done / 1024),
                  static_cast<long long>(total / 1024));
  } else {
    const bool gib = total >= k_gib;
    const double unit = gib ? k_gib : k_mib;
    std::snprintf(out, sizeof out, "%.1f/%.1f %s", static_cast<double>(done) / unit,
                  static_cast<double>(total) / unit, gib ? "GiB" : "MiB");
  }
  return out;
}

std::string progress_line(const engine::progress_facts& facts, const std::string& shown_path,
                          double elapsed_seconds, int columns) {
  const double fraction = engine::fraction_done(facts);
  char percent[16];
  // Rounded down: 100% only once everything is done.
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  const int64_t left = engine::seconds_left(facts, elapsed_seconds);
  enum { bar, share, entries, bytes, time_left, count };
  std::vector<std::string> fields(count);
  fields[bar] = bar_text(fraction);
  fields[share] = percent;
  fields[entries] = std::to_string(facts.entries_done) + "/" + std::to_string(facts.entries_total);
  if (facts.bytes_total > 0) fields[bytes] = bytes_text(facts.bytes_done, facts.bytes_total);
  if (left >= 0) fields[time_left] = engine::duration_text(left) + " left";

  const int room = columns - 1;
  for (const int dropped : {bar, bytes, time_left, entries}) {
    if (text_columns(joined(fields)) <= room) break;
    fields[dropped].clear();
  }
  std::string line = joined(fields);
  if (text_columns(line) > room) return "";
  // Too little room for a path shows nothing of it rather than a stub.
  constexpr int k_least_path = 8;
  const int path_room = room - text_columns(line) - 2;
  if (!shown_path.empty() && path_room >= k_least_path)
    line += "  " + text_tail(shown_path, path_room);
  return line;
}

std::string closing_summary(run_kind kind, const engine::run_summary& summary,
                            double elapsed_seconds) {
  if (summary.refused) return "";
  const auto count = [](ct what, int64_t n) {
    return utf8(what) + " " + std::to_string(n) + utf8(ct::entries_unit);
  };
  std::string out = summary.stopped ? utf8(ct::stopped_lead) : "";
  if (kind == run_kind::backup) {
    out += count(ct::copied, summary.copied) + count(ct::moved, summary.moved);
  } else {
    out += count(ct::restored, summary.copied);
  }
  out += count(ct::failed, summary.failed);
  if (summary.skipped > 0) out += count(ct::skipped, summary.skipped);
  const auto seconds = static_cast<int64_t>(std::floor(std::max(elapsed_seconds, 0.0)));
  return out + utf8(ct::elapsed) + engine::duration_text(seconds);
}

}  // namespace cli
