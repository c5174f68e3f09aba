// A change log as read back: one line per recorded action, in file order.
#ifndef ZOLK_ENGINE_CHANGE_LOG_H
#define ZOLK_ENGINE_CHANGE_LOG_H

#include <deque>
#include <string>

#include "platform/host.h"

namespace engine {

struct change_log_line {
  change_log_line* prev = nullptr;
  change_log_line* next = nullptr;
  char code[4] = {0, 0, 0, 0};  // the first four bytes as they stand, zero-filled when short
  std::string text;             // the rest of the line, without its line end
};

// Owns its lines; first() is null for a missing, unreadable or empty file.
class change_log {
 public:
  change_log() = default;
  change_log(change_log&&) = default;
  change_log& operator=(change_log&&) = default;
  change_log(const change_log&) = delete;
  change_log& operator=(const change_log&) = delete;

  change_log_line* first() { return lines_.empty() ? nullptr : &lines_.front(); }
  const change_log_line* first() const { return lines_.empty() ? nullptr : &lines_.front(); }
  size_t size() const { return lines_.size(); }
  // Appends a line at the end of the list.
  change_log_line& append(std::string_view raw_line);

 private:
  std::deque<change_log_line> lines_;
};

// How a change log was found when it was read.
enum class change_log_state {
  read,        // read to its end (an empty file included)
  missing,     // nothing stands at its name
  unreadable,  // something stands there that cannot be opened as a file or read to its end
};

// Reads point_path + ".Zcl". Lines end in CR LF or LF; a line of any length stays one line.
// `state`, when given, tells how the file was found; the lines read before a failure are kept.
change_log read_change_log(host::host& h, const std::string& point_path,
                           change_log_state* state = nullptr);

}  // namespace engine

#endif
