// Fuzz target: CFileImporter::ReadDiffracPlusFile on arbitrary bytes.
#include "fuzz_support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static CXRDData target;
    static CFileImporter imp(&target);
    imp.ReadDiffracPlusFile(fuzz_support::AsFile(data, size));
    return 0;
}
