// Fuzz target: the archive loader of the stored background (CBackground::Serialize) on arbitrary bytes. Archive, file
// and memory exceptions are the expected ways to fail.
#include <exception>

#include "fuzz_support.h"
#include "xrddata/calc/background.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/memfile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CMemFile file(data, size);
    try {
        CArchive ar(&file, CArchive::load);
        CBackground object;
        object.Serialize(ar);
    } catch (const std::exception&) {
    }
    return 0;
}
