#include "engine/store/store_lock.h"

#include "engine/common/messages.h"
#include "engine/common/paths.h"
#include "engine/store/change_check.h"

namespace engine {

bool is_kept_store_file(const std::string& name) {
  return name == k_store_lock_name || name == k_check_record_name;
}

host::lock_result lock_store(host::host& h, const std::string& destination) {
  return h.lock_file(path_join(destination, k_store_lock_name));
}

void report_store_busy(run_log& log, const std::string& destination) {
  log.add_line(text(msg::store_busy));
  log.add_line(text(msg::detail_prefix) + destination + "\r\n");
}

}  // namespace engine
