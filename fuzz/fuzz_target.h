// The one entry point of a fuzz target, called by libFuzzer or by seeded_main with each input.
// Returns 0; a fault shows as a crash or a sanitizer report.
#ifndef ZOLK_FUZZ_FUZZ_TARGET_H
#define ZOLK_FUZZ_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>

// NOLINTNEXTLINE(readability-identifier-naming): libFuzzer calls it by this name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#endif
