// Fuzz target for the archive loaders of the library's stored objects: built once per class (FUZZ_ARCHIVE_CLASS:
// CXRDData for the pattern, CGraphData for the point set, CBackground for the stored background), each input
// loaded through the class's Serialize from a memory file. Archive, file and memory exceptions are the expected
// ways to fail.
#include <exception>

#include "fuzz_support.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/calc/background.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/memfile.h"

#ifndef FUZZ_ARCHIVE_CLASS
#define FUZZ_ARCHIVE_CLASS CXRDData
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CMemFile file(data, size);
    try {
        CArchive ar(&file, CArchive::load);
        FUZZ_ARCHIVE_CLASS object;
        object.Serialize(ar);
    } catch (const std::exception&) {
    }
    return 0;
}
