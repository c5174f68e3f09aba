#include "engine/store_lock.h"

#include "engine/messages.h"
#include "engine/paths.h"

namespace engine {

host::lock_result lock_store(host::host& h, const std::string& destination) {
  return h.lock_file(path_join(destination, k_store_lock_name));
}

void report_store_busy(run_log& log, const std::string& destination) {
  log.add_line(text(msg::store_busy));
  log.add_line(text(msg::detail_prefix) + destination + "\r\n");
}

}  // namespace engine
