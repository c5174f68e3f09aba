// When a stored file still stands for its source file, and the store's record of how far it
// can trust the times it keeps.
//
// A stored copy carries its source's packed time, and a packed time has a two-second grain.
// A source rewritten with the same length within the two-second slot in which its copy was
// made (or last found equal) shows neither a new time nor a new length: comparing the two
// alone would keep the old bytes as the newest version for good. So every run notes when it
// began comparing (the check record); the next run trusts a copy's time and length only when
// that time lies before the record's slot, and compares every other copy by its bytes. Only
// files written in the last seconds before a run, or stamped in the future, are ever read.
#ifndef ZOLK_ENGINE_CHANGE_CHECK_H
#define ZOLK_ENGINE_CHANGE_CHECK_H

#include <cstdint>
#include <string>

#include "engine/backup/snapshot.h"
#include "platform/host.h"

namespace engine {

// The check record at the destination root, beside the history folders.
constexpr const char* k_check_record_name = ".zolk-checked";

// An `unsure_from` that trusts every time: for comparisons that must never read a file.
constexpr uint32_t k_trust_every_time = 0xFFFFFFFFu;

// The packed time from which the newest copy's times cannot be trusted: every entry of the
// copy was found equal to its source, or copied from it, at that moment or later. 0 (trust
// no time) when the store has no record or it cannot be read: a store written before the
// record existed has each of its files compared by content once.
uint32_t read_check_record(host::host& h, const std::string& destination);

// Notes that every entry of the newest copy was compared with its source from `since` on.
// False when it could not be written; the record then stays as it was, or reads as 0.
bool write_check_record(host::host& h, const std::string& destination, uint32_t since);

// True when both files can be read and hold the same bytes.
bool same_contents(host::host& h, const std::string& first, const std::string& second);

// Decides whether a source file changed against its stored copy: differs() tells so (length,
// packed time, permission bits; a link's target), or the copy's time is one not to be trusted
// (at or after `unsure_from`) and the bytes differ or cannot both be read.
class change_check {
 public:
  change_check(host::host& h, uint32_t unsure_from) : h_(h), unsure_from_(unsure_from) {}

  bool changed(const folder_node& stored, const folder_node& source, const std::string& stored_path,
               const std::string& source_path) const;

 private:
  host::host& h_;
  uint32_t unsure_from_;
};

}  // namespace engine

#endif
