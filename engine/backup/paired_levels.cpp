#include "engine/backup/paired_levels.h"

#include <utility>

namespace engine {

paired_levels::paired_levels(host::host& h, const std::string& copy_root,
                             const std::string& source_root)
    : h_(h), copy_root_(copy_root), source_root_(source_root) {
  // On a single processor the helper could only take turns with the caller.
  if (h_.parallel_searches() && helper_thread::worthwhile()) {
    // The next folder is asked for as soon as this one is compared: the helper spins for it
    // as the caller does for the answer.
    helper_ = std::make_unique<helper_thread>(helper_thread::k_spins);
  }
}

level_pair paired_levels::read(const std::string* relative, bool copy_always) {
  level_pair pair;
  if (!helper_) {
    pair.source = scan_folder_level(h_, source_root_, relative);
    if (copy_always || pair.source.root_readable()) {
      pair.copy = scan_folder_level(h_, copy_root_, relative);
    }
    return pair;
  }
  helper_->start([&] { pair.copy = scan_folder_level(h_, copy_root_, relative); });
  pair.source = scan_folder_level(h_, source_root_, relative);
  helper_->finish();
  return pair;
}

}  // namespace engine
