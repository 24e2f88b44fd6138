// Fuzz target for the readers of the format core: built once per format (FUZZ_FORMAT_CODE is its code; 0 reads
// with detection), each input read from memory through read_bytes. A clean ReadError is the expected outcome of
// bad input; anything else (a crash, a sanitizer report, an allocation beyond the limit) is a finding.
#include <cstddef>
#include <cstdint>

#include "xrddata/formats/read.h"

#ifndef FUZZ_FORMAT_CODE
#define FUZZ_FORMAT_CODE 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        xrddata::formats::read_bytes({reinterpret_cast<const std::byte*>(data), size}, "input", FUZZ_FORMAT_CODE);
    } catch (const xrddata::formats::ReadError&) {
    }
    return 0;
}
