// What a store on a file system that folds letter case or forbids characters (exFAT, FAT,
// NTFS, a network share) cannot hold, told after the file system refused an entry, so that a
// run names the cause in its log. Such a store never merges one entry into another: the
// host refuses to replace a twin (host::rename_beneath) and a run writes nothing under a
// folder it could not make.
#ifndef ZOLK_ENGINE_STORE_FIT_H
#define ZOLK_ENGINE_STORE_FIT_H

#include <cstdint>
#include <string>

#include "engine/common/file_copy.h"
#include "platform/host.h"

namespace engine {

enum class store_fit {
  fits,  // nothing about the name or the size explains the refusal
  twin,  // another entry stands where the name leads ("A.txt" for "a.txt", "Docs" for
         // "docs", "a" for "a."): the file system takes them for one
  name,  // a file system that folds case forbids the name (? * : " < > | \, a control
         // character, a trailing dot or blank)
  size,  // a file of 4 GiB or more, which FAT32 cannot hold
};

// True when the folder of `target` lists an entry of exactly its name, byte for byte.
bool listed_exactly(host::host& h, const place& target);

// Why the store refused to make `target` (a file of `size` bytes, or a folder), as far as
// its name and size tell. `folds_case` says whether the store's file system folds letter
// case (see store_folds_case).
store_fit why_store_refused(host::host& h, const place& target, uint64_t size, bool folds_case);

// True when `folder` (which exists and whose final name holds a letter) is found under the
// same name in the other letter case: its file system folds case.
bool store_folds_case(host::host& h, const std::string& folder);

}  // namespace engine

#endif
