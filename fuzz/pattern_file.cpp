// Fuzz target: the pattern archive file (.xrdd) as a whole, through the functions that open it by name. Each input
// is the file's content. Checked besides the sanitizers (a broken check aborts):
//   - a failed load leaves the caller's pattern exactly as it was (its whole record, byte for byte);
//   - a file that loads is recognised as a pattern file;
//   - a record that loads writes a record that loads back and writes the same bytes again.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "fuzz_support.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/memfile.h"
#include "xrddata/platform/registry.h"

namespace {

std::vector<BYTE> Record(CXRDData& pattern) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    pattern.Serialize(ar);
    ar.Close();
    return file.Data();
}

bool Load(CXRDData& pattern, const std::vector<BYTE>& bytes) {
    CMemFile file(bytes.data(), bytes.size());
    try {
        CArchive ar(&file, CArchive::load);
        pattern.Serialize(ar);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "pattern file check failed: %s\n", what);
    std::abort();
}

// The caller's pattern before each load: a few points with errors and a name, so that a partial load would show.
CXRDData& Reference() {
    static CXRDData reference = [] {
        const double x[] = {10.0, 10.5, 11.0}, y[] = {100.0, 250.0, 90.0}, err[] = {10.0, 15.8, 9.5};
        CXRDData p(3, x, y, err);
        p.m_strSampleName = "reference";
        return p;
    }();
    return reference;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // A copy keeps its own peak flag, "AutoWidth" and zero error: the record to compare with is the copy's.
    static const std::vector<BYTE> before = [] {
        CXRDData copy(Reference());
        return Record(copy);
    }();
    const std::string path = fuzz_support::AsFile(data, size);
    // Each new pattern reads its settings: one look at the store per input is enough.
    CRegistryReadScope settings;

    CXRDData target(Reference());
    bool loaded = false;
    try {
        LoadPatternFile(target, path);
        loaded = true;
    } catch (const std::exception&) {
    }
    if (!loaded) {
        Check(Record(target) == before, "a failed load changed the pattern");
        return 0;
    }
    Check(IsPatternFile(path) != 0, "a file that loads is not recognised");

    CXRDData first(0);
    Check(Load(first, std::vector<BYTE>(data, data + size)), "the record loads by file but not from memory");
    const std::vector<BYTE> written = Record(first);
    CXRDData second(0);
    Check(Load(second, written), "a written record does not load");
    Check(Record(second) == written, "a written record reads back different");
    return 0;
}
