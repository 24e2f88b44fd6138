// Fuzz target: the STOE reader on arbitrary bytes; the range reader is asked for a range chosen by the input's
// last byte, then the import of range 1 runs.
#include <vector>

#include "fuzz_support.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/stoe.h"
#include "xrddata/pattern/xrddata.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static CXRDData target;
    static CFileImporter imp(&target);
    const std::string path = fuzz_support::AsFile(data, size);
    StoeFileHeader header;
    StoeRangeHeader range;
    std::vector<float> counts;
    const int n = size ? static_cast<std::int8_t>(data[size - 1]) : 1;
    imp.ReadStoeRange(path, n, header, range, counts);
    imp.ReadStoeFile(path);
    return 0;
}
